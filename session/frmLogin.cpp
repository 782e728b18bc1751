#include "frmLogin.h"
#include "ui_frmLogin.h"

#include "clsCurrentUser.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OdbcConfiguration.h"
#include "widgets/PlainFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSettings>

namespace {

const QString organization = QStringLiteral("Quellar");
const QString application = QStringLiteral("Session");

const QString keyKind = QStringLiteral("connection/kind");
const QString keyDatabaseFile = QStringLiteral("embedded/file");
const QString keyServer = QStringLiteral("sqlserver/server");
const QString keyDatabase = QStringLiteral("sqlserver/database");
const QString keyServerUser = QStringLiteral("sqlserver/user");
const QString keyEmployee = QStringLiteral("login/employee");

const QString kindEmbedded = QStringLiteral("embedded");
const QString kindSqlServer = QStringLiteral("sqlserver");

// The hourglass while the database answers; restored however the attempt ends.
class LogInBusyCursor
{
public:
    LogInBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~LogInBusyCursor() { QApplication::restoreOverrideCursor(); }
    LogInBusyCursor(const LogInBusyCursor &) = delete;
    LogInBusyCursor &operator=(const LogInBusyCursor &) = delete;
};

bool isEnterKey(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

frmLogin::frmLogin(clsCurrentUser &user, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmLogin>()), m_user(user)
{
    ui->setupUi(this);
    ui->txtEmployeeID->installEventFilter(this);
    ui->txtPassword->installEventFilter(this);
    connectSignals();
    loadRememberedSettings();
    updateConnectionFields();
    focusFirstField();
}

frmLogin::~frmLogin() = default;

QString frmLogin::defaultDatabaseFile()
{
    const QString demo = qEnvironmentVariable("QUELLAR_DEMO_DATABASE");
    if (!demo.isEmpty())
        return demo;
    // The demo database of a source checkout (run.sh makes it); an installed program has
    // none, and the clerk chooses the hospital's file.
    const QString checkoutDemo = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                                 + QStringLiteral("/../../demo/quellar-demo.db"));
    return QFileInfo::exists(checkoutDemo) ? checkoutDemo : QString();
}

void frmLogin::connectSignals()
{
    connect(ui->optEmbedded, &QRadioButton::toggled, this, &frmLogin::updateConnectionFields);
    connect(ui->optSqlServer, &QRadioButton::toggled, this, &frmLogin::updateConnectionFields);
    connect(ui->cmdBrowse, &QPushButton::clicked, this, &frmLogin::browseDatabaseFile);
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmLogin::tryLogIn);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmLogin::reject);
}

void frmLogin::loadRememberedSettings()
{
    const QSettings settings(organization, application);
    const bool sqlServer = settings.value(keyKind).toString() == kindSqlServer;
    (sqlServer ? ui->optSqlServer : ui->optEmbedded)->setChecked(true);
    ui->txtDatabaseFile->setText(settings.value(keyDatabaseFile, defaultDatabaseFile()).toString());
    ui->txtServer->setText(settings.value(keyServer).toString());
    ui->txtDatabase->setText(settings.value(keyDatabase).toString());
    ui->txtServerUser->setText(settings.value(keyServerUser).toString());
    ui->txtEmployeeID->setText(settings.value(keyEmployee).toString());
}

// Passwords are never remembered, neither the employee's nor the server's.
void frmLogin::rememberSettings() const
{
    QSettings settings(organization, application);
    settings.setValue(keyKind, ui->optSqlServer->isChecked() ? kindSqlServer : kindEmbedded);
    settings.setValue(keyDatabaseFile, ui->txtDatabaseFile->text().trimmed());
    settings.setValue(keyServer, ui->txtServer->text().trimmed());
    settings.setValue(keyDatabase, ui->txtDatabase->text().trimmed());
    settings.setValue(keyServerUser, ui->txtServerUser->text().trimmed());
    settings.setValue(keyEmployee, employeeId());
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning("The log-in settings could not be saved to %s.", qPrintable(settings.fileName()));
}

void frmLogin::updateConnectionFields()
{
    const bool embedded = ui->optEmbedded->isChecked();
    const QList<QWidget *> fileFields{ui->lblDatabaseFile, ui->txtDatabaseFile, ui->cmdBrowse};
    const QList<QWidget *> serverFields{ui->lblServer, ui->txtServer, ui->lblDatabase, ui->txtDatabase,
                                        ui->lblServerUser, ui->txtServerUser, ui->lblServerPassword,
                                        ui->txtServerPassword};
    for (QWidget *field : fileFields)
        field->setEnabled(embedded);
    for (QWidget *field : serverFields)
        field->setEnabled(!embedded);
}

void frmLogin::focusFirstField()
{
    QLineEdit *const empty = firstEmptyConnectionField();
    (empty ? empty : ui->txtEmployeeID)->setFocus();
}

QList<QLineEdit *> frmLogin::connectionFields() const
{
    if (ui->optEmbedded->isChecked())
        return {ui->txtDatabaseFile};
    return {ui->txtServer, ui->txtDatabase, ui->txtServerUser, ui->txtServerPassword};
}

QLineEdit *frmLogin::firstEmptyConnectionField() const
{
    for (QLineEdit *field : connectionFields()) {
        if (field->text().trimmed().isEmpty())
            return field;
    }
    return nullptr;
}

void frmLogin::browseDatabaseFile()
{
    const QString start = QFileInfo(ui->txtDatabaseFile->text().trimmed()).absolutePath();
    const QString file = PlainFileDialog::openFileName(this, tr("Database File"), start,
                                                        tr("Database files (*.db);;All files (*)"));
    if (!file.isEmpty())
        ui->txtDatabaseFile->setText(QDir::toNativeSeparators(file));
}

ConnectionSettings frmLogin::connectionSettings() const
{
    ConnectionSettings settings;
    if (ui->optSqlServer->isChecked()) {
        settings = OdbcConfiguration::sqlServer(ui->txtServer->text().trimmed(), ui->txtDatabase->text().trimmed(),
                                                ui->txtServerUser->text().trimmed(), ui->txtServerPassword->text());
    } else {
        settings.kind = ConnectionSettings::Kind::Embedded;
        settings.databaseFile = ui->txtDatabaseFile->text().trimmed();
    }
    return settings;
}

QString frmLogin::employeeId() const
{
    return ui->txtEmployeeID->text().trimmed();
}

bool frmLogin::tryLogIn()
{
    clearMessage();
    const QString id = employeeId();
    if (id.isEmpty()) {
        showProblem(tr("Type your employee ID."), ui->txtEmployeeID);
        return false;
    }

    const LogInBusyCursor busy;
    std::unique_ptr<Connection> connection;
    try {
        connection = std::make_unique<Connection>(connectionSettings());
    } catch (const DbError &error) {
        showProblem(connectionProblem(error), ui->txtPassword);
        return false;
    }
    try {
        clsCurrentUser::attachTraceFile(*connection);
    } catch (const DbError &error) {
        showProblem(error.description(), ui->txtPassword);
        return false;
    }
    try {
        if (!m_user.credentialsMatch(*connection, id, ui->txtPassword->text())) {
            showProblem(tr("The employee ID or password is not valid."), ui->txtPassword);
            return false;
        }
    } catch (const DbError &error) {
        showProblem(tr("The log-in could not be checked: %1").arg(error.description()), ui->txtPassword);
        return false;
    }

    m_user.acceptLogIn(std::move(connection), id);
    rememberSettings();
    accept();
    return true;
}

QString frmLogin::connectionProblem(const DbError &error)
{
    const QString prefix = tr("Cannot connect to the database");
    if (error.description().startsWith(prefix))
        return error.description();
    return prefix + QStringLiteral(": ") + error.description();
}

void frmLogin::clearMessage()
{
    ui->lblMessage->clear();
}

void frmLogin::showProblem(const QString &message, QLineEdit *field)
{
    ui->lblMessage->setText(message);
    field->setFocus();
    ui->txtPassword->selectAll();
}

// Enter in the employee ID goes on to the password; Enter in the password logs in.
// Both are taken here so that the default button does not log in a second time.
bool frmLogin::eventFilter(QObject *watched, QEvent *event)
{
    if (isEnterKey(event)) {
        if (watched == ui->txtEmployeeID) {
            ui->txtPassword->setFocus();
            return true;
        }
        if (watched == ui->txtPassword) {
            tryLogIn();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
