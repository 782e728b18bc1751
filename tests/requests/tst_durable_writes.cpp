#include "EditorFixture.h"
#include "auth_report/frmReportViewer.h"
#include "support/AnotherProcess.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QPrintDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

// The clerk's side: the real main window in a process of its own, which reports each
// step done on stdout and waits for a line on stdin before the next.
class Clerk
{
public:
    void say(const QString &words) const
    {
        std::printf("%s\n", qPrintable(words));
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
    }

    // Runs the action on the next modal dialog of that type once its file lists are full.
    template <typename Dialog>
    static void whenShown(std::function<void(Dialog &)> action)
    {
        QTimer::singleShot(50, [action] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                whenShown<Dialog>(action);
                return;
            }
            for (QFileSystemModel *model : dialog->template findChildren<QFileSystemModel *>()) {
                QTest::qWaitFor([model] { return model->rowCount(model->index(model->rootPath())) > 0; }, 3000);
                const QModelIndex root = model->index(model->rootPath());
                for (int row = 0; row < model->rowCount(root); ++row)
                    model->index(row, 0, root).data(Qt::DecorationRole); // every icon looked up
            }
            action(*dialog);
        });
    }

    int run()
    {
        EditorFixture f;
        std::printf("file %s\n", qPrintable(f.db->file()));
        // The dialogs start in the database's folder: it is the home and documents folder.
        const QString home = f.db->folder();
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
        QDir(home).mkpath(QStringLiteral(".config"));
        QFile dirs(home + QStringLiteral("/.config/user-dirs.dirs"));
        if (!dirs.open(QIODevice::WriteOnly))
            return 1;
        dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(home) + "\"\n");
        dirs.close();

        // A stored request printed: exported as PDF into that folder, then the print dialog
        // with its output file field, cancelled.
        f.click("cmdEdit"); // the first listed request
        const QString printed = f.field("txtDocNum")->text();
        f.click("cmdView");
        frmReportViewer *viewer = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            viewer = viewer ? viewer : qobject_cast<frmReportViewer *>(widget);
        if (!viewer)
            return 2;
        whenShown<QFileDialog>([](QFileDialog &dialog) { // it suggests the documents folder
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        viewer->findChild<QToolButton *>(QStringLiteral("cmdExport"))->click();
        whenShown<QPrintDialog>([home](QPrintDialog &dialog) {
            if (auto *output = dialog.findChild<QLineEdit *>(QStringLiteral("filename"))) {
                output->clear();
                QTest::keyClicks(output, home + QStringLiteral("/h")); // its completer lists the folder
                QTest::qWait(300);
            }
            dialog.reject();
        });
        viewer->findChild<QToolButton *>(QStringLiteral("cmdPrint"))->click();
        viewer->close();
        QApplication::setActiveWindow(f.window.get());
        QTest::qWaitForWindowActive(f.window.get());
        MsgBoxScript::answer(vbYes); // leave without saving
        f.click("cmdCancel");
        say(QStringLiteral("printed ") + printed);

        f.startNewRequest();
        f.enterLine(QStringLiteral("142"), QStringLiteral("5"));
        f.click("cmdSave");
        say(QStringLiteral("saved ") + f.field("txtDocNum")->text());

        f.startNewRequest();
        f.enterLine(QStringLiteral("116"), QStringLiteral("2"));
        ModalDialogs::script([](QDialog &dialog) {
            QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("txtUserID")), QStringLiteral("2001"));
            QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword")), QStringLiteral("verify"));
            QTest::keyClick(dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword")), Qt::Key_Return);
        });
        f.click("cmdVerified");
        const QString verified = f.field("txtDocNum")->text();
        say(QStringLiteral("verified ") + verified);

        f.select(verified);
        MsgBoxScript::answer(vbYes);
        f.click("cmdDeleteReq");
        say(QStringLiteral("deleted ") + verified);
        return 0;
    }
};

} // namespace

// Every write the clerk is told is done is in the file for every other process, also after
// the file dialogs of printing have listed the database's folder and after a kill.
class TestDurableWrites : public QObject
{
    Q_OBJECT

    QProcess m_clerk;

    QString next()
    {
        if (!QTest::qWaitFor([this] { return m_clerk.canReadLine() || m_clerk.state() != QProcess::Running; }, 120000))
            return QStringLiteral("(nothing)");
        return QString::fromUtf8(m_clerk.readLine()).trimmed();
    }

private slots:
    void theClerksRoadLeavesEveryWriteInTheFile()
    {
        QTemporaryDir scratch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), scratch.path()); // the clerk's folders go with it
        m_clerk.setProcessEnvironment(environment);
        m_clerk.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_clerk.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--clerk")});
        QVERIFY(m_clerk.waitForStarted());
        const QString fileLine = next();
        QVERIFY2(fileLine.startsWith(u"file "), qPrintable(fileLine));
        const QString file = fileLine.mid(5);
        const QString lines = QStringLiteral("Select count(*) From tbInvWithdrawRequest Where DocumentNumber = '%1'");

        // Another process opens and closes the file after the dialogs have looked at it.
        const QString printed = next();
        QVERIFY2(printed.startsWith(u"printed "), qPrintable(printed));
        QVERIFY(readInAnotherProcess(file, lines.arg(printed.mid(8))).toInt() > 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QFileInfo(file).dir().filePath(QStringLiteral("DepartmentRequest.pdf")), QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(printed.mid(8)));
        m_clerk.write("go\n");

        const QString saved = next();
        QVERIFY2(saved.startsWith(u"saved "), qPrintable(saved));
        const QString savedNumber = saved.mid(6);
        QCOMPARE(readInAnotherProcess(file, lines.arg(savedNumber)), QStringLiteral("1"));
        m_clerk.write("go\n");

        const QString verified = next();
        QVERIFY2(verified.startsWith(u"verified "), qPrintable(verified));
        const QString verifiedNumber = verified.mid(9);
        const QString stamps = QStringLiteral("Select VerifiedBy, Status From tbInvWithdrawRequest Where DocumentNumber = '%1'")
                                   .arg(verifiedNumber);
        QCOMPARE(readInAnotherProcess(file, stamps), QStringLiteral("2001\tNULL"));
        m_clerk.write("go\n");

        QCOMPARE(next(), QStringLiteral("deleted ") + verifiedNumber);
        QCOMPARE(readInAnotherProcess(file, stamps), QStringLiteral("2001\tD"));
        ::kill(pid_t(m_clerk.processId()), SIGKILL);
        QVERIFY(m_clerk.waitForFinished());

        QCOMPARE(readInAnotherProcess(file, lines.arg(savedNumber)), QStringLiteral("1"));
        QCOMPARE(readInAnotherProcess(file, stamps), QStringLiteral("2001\tD"));
        QCOMPARE(readInAnotherProcess(file, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--clerk") == 0)
        return Clerk().run();
    TestDurableWrites test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durable_writes.moc"
