#include "auth_report/frmReportViewer.h"
#include "reporting/ReportViewer.h"
#include "requests/EditorFixture.h"
#include "widgets/WindowGeometry.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// The clerk's desk: the main window and the report viewer open where and as large as they
// were left, on a screen that is there.
class TestWindowGeometry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settingsDir;

    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    static frmReportViewer *openViewer()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *viewer = qobject_cast<frmReportViewer *>(widget); viewer && viewer->isVisible())
                return viewer;
        }
        return nullptr;
    }

    // "E&xit", answered with Yes: the way the clerk leaves the program.
    static void exitProgram(EditorFixture &f)
    {
        MsgBoxScript::answer(vbYes);
        f.click("cmdExit");
        QVERIFY(!f.window->isVisible());
    }

private slots:
    void initTestCase()
    {
        // Never the real user's settings.
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QCoreApplication::setOrganizationName(QStringLiteral("Quellar"));
    }

    void init() { QSettings(QStringLiteral("Quellar"), QStringLiteral("Windows")).clear(); }

    void fittingToTheScreensThatAreThere()
    {
        const QRect left(0, 0, 1920, 1040);
        const QRect right(1920, 0, 1280, 984);
        // On a screen that is still there: unchanged.
        QCOMPARE(WindowGeometry::fitted(QRect(2000, 100, 900, 600), {left, right}), QRect(2000, 100, 900, 600));
        // The right monitor was unplugged: onto the one that is left, whole.
        QCOMPARE(WindowGeometry::fitted(QRect(2000, 100, 900, 600), {left}), QRect(1020, 100, 900, 600));
        // Far away from every screen: onto the first.
        QCOMPARE(WindowGeometry::fitted(QRect(-5000, 9000, 900, 600), {right, left}), QRect(1920, 384, 900, 600));
        // Straddling two screens: onto the one it covers most.
        QCOMPARE(WindowGeometry::fitted(QRect(1800, 50, 1000, 500), {left, right}), QRect(1920, 50, 1000, 500));
        // Larger than the smaller screen it is on now: shrunk to it.
        QCOMPARE(WindowGeometry::fitted(QRect(1950, 10, 1900, 1030), {left, right}), QRect(1920, 0, 1280, 984));
        // A title bar above the screen's top comes down onto it.
        QCOMPARE(WindowGeometry::fitted(QRect(100, -40, 800, 600), {left}), QRect(100, 0, 800, 600));
    }

    void mainWindowOpensWhereItWasLeft()
    {
        // On the second monitor, on the right.
        const QRect second = QGuiApplication::screens().at(1)->availableGeometry();
        const QPoint position = second.topLeft() + QPoint(37, 23);
        const QSize size(1010, 705);
        {
            EditorFixture f;
            f.window->resize(size);
            f.window->move(position);
            QApplication::processEvents();
            exitProgram(f);
        }
        EditorFixture f;
        QCOMPARE(f.window->pos(), position);
        QCOMPARE(f.window->size(), size);
        // What the window shows when it opens stays: the pending requests on "List".
        QCOMPARE(f.control<QTabWidget>("SSTab1")->currentIndex(), 0);
        QVERIFY(f.control<QRadioButton>("optOptions_0")->isChecked());
        QVERIFY(f.control<QTableView>("grdListing")->model()->rowCount() > 0);
    }

    void aPlaceOnAScreenThatIsGoneComesBackOnThisOne()
    {
        // Left on a third monitor far to the right, wider than this screen.
        QSettings settings(QStringLiteral("Quellar"), QStringLiteral("Windows"));
        settings.setValue(QStringLiteral("windows/frmMain/position"), QPoint(available().right() + 1500, 200));
        settings.setValue(QStringLiteral("windows/frmMain/size"), QSize(available().width() + 300, 700));
        settings.sync();

        EditorFixture f;
        QCOMPARE(f.window->pos(), available().topLeft() + QPoint(0, 200));
        QCOMPARE(f.window->size(), QSize(available().width(), 700));
    }

    void reportViewerKeepsItsSizeAndZoom()
    {
        const QSize size(720, 480);
        {
            EditorFixture f;
            auto *listing = f.control<QTableView>("grdListing");
            listing->setCurrentIndex(listing->model()->index(0, 0));
            f.click("cmdEdit");
            f.click("cmdView");
            frmReportViewer *viewer = openViewer();
            QVERIFY(viewer);
            QCOMPARE(viewer->CRViewer1().zoomLevel(), 1); // page width the first time
            auto *zoom = viewer->findChild<QComboBox *>(QStringLiteral("cboZoom"));
            QVERIFY(zoom);
            const int index = zoom->findData(150);
            QVERIFY(index >= 0);
            zoom->setCurrentIndex(index);
            emit zoom->activated(index); // as when the clerk picks it
            viewer->resize(size);
            QApplication::processEvents();
            viewer->close();
            exitProgram(f);
        }
        EditorFixture f;
        auto *listing = f.control<QTableView>("grdListing");
        listing->setCurrentIndex(listing->model()->index(0, 0));
        f.click("cmdEdit");
        f.click("cmdView");
        frmReportViewer *viewer = openViewer();
        QVERIFY(viewer);
        QCOMPARE(viewer->size(), size);
        QCOMPARE(viewer->CRViewer1().zoomLevel(), 150);
        QCOMPARE(viewer->findChild<QComboBox *>(QStringLiteral("cboZoom"))->currentData().toInt(), 150);
        viewer->close();
    }

    void aProgramWithoutOrganizationKeepsNothing()
    {
        // How every other test of a window runs: nothing is written anywhere.
        QCoreApplication::setOrganizationName(QString());
        {
            EditorFixture f;
            f.window->resize(500, 400);
            exitProgram(f);
        }
        QCoreApplication::setOrganizationName(QStringLiteral("Quellar"));
        QVERIFY(QSettings(QStringLiteral("Quellar"), QStringLiteral("Windows")).allKeys().isEmpty());
    }
};

// Two monitors side by side; the offscreen default screen is smaller than the main window.
int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(R"({"screens": [
            {"name": "left", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96},
            {"name": "right", "x": 1600, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96}]})") < 0)
        qFatal("cannot write %s", qPrintable(config));
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication application(argc, argv);
    TestWindowGeometry test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window_geometry.moc"
