// quellar-bench-startup [--breakdown | --floor] DATABASE
// Starts the program as a clerk does: the log-in window comes up, the harness fills in
// the database file, employee 1001 and the password "demo" and presses Enter (typing is
// not timed), then start-up runs on to the main window. Writes "shown PEAK-KB" once the
// main window is on screen. --breakdown also writes "phase<TAB>NAME<TAB>MS" lines, taken
// from the statement trace and the window events. --floor opens the database and reads
// what the window first shows through SQLite's C API instead.
#include "RawDatabase.h"

#include "app/MessageBox.h"
#include "app/program/Startup.h"
#include "app/modInventory.h"
#include "db/DbError.h"
#include "session/clsCurrentUser.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <optional>

namespace {

long long peakKb()
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

QWidget *visibleTopLevel(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && qstrcmp(widget->metaObject()->className(), className) == 0)
            return widget;
    }
    return nullptr;
}

bool exposed(const QWidget *widget)
{
    return widget && widget->windowHandle() && widget->windowHandle()->isExposed();
}

int floorRun(const QString &file)
{
    RawDatabase raw(file);
    raw.query(QStringLiteral("SELECT EmployeeId FROM password.tbpasswordmain WHERE EmployeeId = '1001'"));
    raw.query(QStringLiteral("SELECT * FROM tbHospitalInfo"));
    raw.query(QStringLiteral("SELECT L.Location, L.LocationID FROM tbInvUserLocation U "
                             "JOIN tbInvLocation L ON L.LocationID = U.LocationID "
                             "WHERE U.EmployeeID = '1001' AND (L.Status IS NULL OR NOT L.Status = 'I')"));
    raw.query(QStringLiteral("SELECT Location, LocationID FROM tbInvLocation "
                             "WHERE NOT Status = 'I' OR Status IS NULL ORDER BY Location"));
    raw.query(RawDatabase::listingStatement(false), {"30"});
    std::printf("shown %lld\n", peakKb());
    std::fflush(stdout);
    return 0;
}

// Moments of one start, in milliseconds since the epoch (the statement trace's clock).
struct Moments {
    qint64 processMain = 0;
    qint64 application = 0;
    qint64 logInShown = 0;
    qint64 logInConfirmed = 0;
    qint64 logInHidden = 0;
    qint64 mainWindowBuilding = 0;
    qint64 mainWindowShowing = 0;
    qint64 mainWindowExposed = 0;
};

// Notes when the log-in window hides, and when the main window gets its first event
// (its controls are being made) and its first show event.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(Moments &moments) : m_moments(moments) { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && m_moments.logInHidden == 0
            && qstrcmp(watched->metaObject()->className(), "frmLogin") == 0)
            m_moments.logInHidden = QDateTime::currentMSecsSinceEpoch();
        if (qstrcmp(watched->metaObject()->className(), "frmMain") == 0) {
            if (m_moments.mainWindowBuilding == 0)
                m_moments.mainWindowBuilding = QDateTime::currentMSecsSinceEpoch();
            if (event->type() == QEvent::Show && m_moments.mainWindowShowing == 0)
                m_moments.mainWindowShowing = QDateTime::currentMSecsSinceEpoch();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Moments &m_moments;
};

// Fills in the log-in window once it is on screen and presses Enter in the password.
void driveLogIn(const QString &file, Moments &moments, QString &failure)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, file, &moments, &failure] {
        QWidget *logIn = visibleTopLevel("frmLogin");
        if (!exposed(logIn))
            return;
        timer->stop();
        timer->deleteLater();
        moments.logInShown = QDateTime::currentMSecsSinceEpoch();
        auto field = [logIn](const char *name) { return logIn->findChild<QLineEdit *>(QString::fromLatin1(name)); };
        if (auto *embedded = logIn->findChild<QRadioButton *>(QStringLiteral("optEmbedded")))
            embedded->setChecked(true);
        QLineEdit *database = field("txtDatabaseFile");
        QLineEdit *employee = field("txtEmployeeID");
        QLineEdit *password = field("txtPassword");
        if (!database || !employee || !password) {
            failure = QStringLiteral("The log-in window lacks its fields.");
            logIn->close();
            return;
        }
        database->setText(file);
        employee->setText(QStringLiteral("1001"));
        password->setText(QStringLiteral("demo"));
        moments.logInConfirmed = QDateTime::currentMSecsSinceEpoch();
        QTest::keyClick(password, Qt::Key_Return);
        if (logIn->isVisible()) {
            const auto *message = logIn->findChild<QLabel *>(QStringLiteral("lblMessage"));
            failure = QStringLiteral("The log-in was refused: ") + (message ? message->text() : QString());
            logIn->close();
        }
    });
    timer->start();
}

// The statements of the start, from the trace file: when each was sent.
struct Sent {
    qint64 at;
    QString statement;
};

std::vector<Sent> readTrace(const QString &path)
{
    std::vector<Sent> sent;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sent;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue;
        const QDateTime at = QDateTime::fromString(QString::fromUtf8(line.left(tab)), Qt::ISODateWithMs);
        if (at.isValid())
            sent.push_back({at.toMSecsSinceEpoch(), QString::fromUtf8(line.mid(tab + 1))});
    }
    return sent;
}

void printPhases(const Moments &m, const std::vector<Sent> &sent)
{
    auto first = [&sent](const std::function<bool(const QString &)> &match, size_t from = 0) -> std::optional<size_t> {
        for (size_t i = from; i < sent.size(); ++i) {
            if (match(sent[i].statement))
                return i;
        }
        return std::nullopt;
    };
    auto contains = [](const char *word) {
        return [word](const QString &s) { return s.contains(QLatin1String(word), Qt::CaseInsensitive); };
    };
    const auto check = first(contains("tbpasswordmain"));
    const auto hospital = first(contains("tbHospitalInfo"));
    const auto locations = hospital ? std::optional<size_t>(*hospital + 1) : std::nullopt;
    const auto listing = hospital ? first(contains("withdraw"), *hospital + 1) : std::nullopt;
    if (!check || !hospital || !listing || *locations >= sent.size()) {
        std::fprintf(stderr, "The statement trace does not show the expected start-up statements.\n");
        return;
    }
    auto phase = [](const char *name, qint64 from, qint64 to) {
        std::printf("phase\t%s\t%lld\n", name, static_cast<long long>(to - from));
    };
    phase("Qt application", m.processMain, m.application);
    phase("log-in window shown", m.application, m.logInShown);
    phase("fields filled (harness)", m.logInShown, m.logInConfirmed);
    phase("connect", m.logInConfirmed, sent[*check].at);
    const qint64 hidden = m.logInHidden ? m.logInHidden : sent[*hospital].at;
    phase("password check, settings kept", sent[*check].at, hidden);
    phase("log-in window closed", hidden, sent[*hospital].at);
    const qint64 building = m.mainWindowBuilding ? m.mainWindowBuilding : sent[*locations].at;
    phase("hospital info", sent[*hospital].at, building);
    phase("main window's controls made", building, sent[*locations].at);
    phase("location lists", sent[*locations].at, sent[*listing].at);
    phase("listing", sent[*listing].at, m.mainWindowShowing);
    phase("showing", m.mainWindowShowing, m.mainWindowExposed);
}

} // namespace

int main(int argc, char *argv[])
{
    Moments moments;
    moments.processMain = QDateTime::currentMSecsSinceEpoch();
    const bool floor = argc == 3 && qstrcmp(argv[1], "--floor") == 0;
    const bool breakdown = argc == 3 && qstrcmp(argv[1], "--breakdown") == 0;
    if (argc != 2 && !floor && !breakdown) {
        std::fprintf(stderr, "usage: quellar-bench-startup [--breakdown | --floor] DATABASE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[argc - 1]);
    try {
        if (floor)
            return floorRun(file);
        QApplication application(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Quellar"));
        QApplication::setOrganizationName(QStringLiteral("Quellar"));
        moments.application = QDateTime::currentMSecsSinceEpoch();
        clsCurrentUser::registerComponent();
        MsgBoxScript::start();

        QTemporaryDir scratch;
        const QString traceFile = scratch.filePath(QStringLiteral("trace.txt"));
        QSettings settings(QStringLiteral("Quellar"), QStringLiteral("Session"));
        if (breakdown)
            settings.setValue(QStringLiteral("trace/file"), traceFile);
        else
            settings.remove(QStringLiteral("trace/file"));
        settings.sync();
        ShowWatcher watcher(moments);
        if (breakdown)
            application.installEventFilter(&watcher);

        QString failure;
        driveLogIn(file, moments, failure);
        Main();
        QWidget *window = visibleTopLevel("frmMain");
        if (!window) {
            std::fprintf(stderr, "%s\n", qPrintable(failure.isEmpty() ? QStringLiteral("No main window was shown.") : failure));
            return 1;
        }
        while (!exposed(window))
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        QApplication::processEvents();
        moments.mainWindowExposed = QDateTime::currentMSecsSinceEpoch();
        if (!MsgBoxScript::shown().empty()) {
            std::fprintf(stderr, "A message box appeared: %s\n", qPrintable(MsgBoxScript::shown().front().prompt));
            return 1;
        }
        if (breakdown) {
            application.removeEventFilter(&watcher);
            printPhases(moments, readTrace(traceFile));
            settings.remove(QStringLiteral("trace/file"));
        }
        std::printf("shown %lld\n", peakKb());
        std::fflush(stdout);
        delete window; // closing it would ask first
        gCurrentUser.reset();
        return 0;
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    return 1;
}
