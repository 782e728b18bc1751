#include "ReportTestSupport.h"

#include "reporting/ReportError.h"
#include "reporting/ReportViewer.h"

#include <QComboBox>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

// The viewer control: pages, navigation, zoom setting, group tree, export, failures.
class TestReportViewer : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_out;

    template <typename T>
    static T *child(QWidget &widget, const char *name = nullptr)
    {
        T *found = widget.findChild<T *>(name ? QString::fromLatin1(name) : QString());
        if (!found)
            qFatal("no control %s", name ? name : "of that type");
        return found;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        insertLongRequest(*m_db->connect(), QStringLiteral("900"), 300);
    }

    void theViewerShowsEveryPageAndNavigates()
    {
        ReportViewer viewer;
        viewer.resize(900, 700);
        viewer.show();
        auto report = openDepartmentRequest(*m_db, QStringLiteral("900"));
        viewer.setReportSource(report);
        viewer.ViewReport();
        const int pages = viewer.pageCount();
        QVERIFY(pages >= 3);
        QCOMPARE(viewer.currentPage(), 1);
        QCOMPARE(child<QLabel>(viewer, "lblPage")->text(), QStringLiteral("Page 1 of %1").arg(pages));
        QVERIFY(!child<QToolButton>(viewer, "cmdPreviousPage")->isEnabled());

        viewer.ShowNextPage();
        QCOMPARE(viewer.currentPage(), 2);
        viewer.ShowLastPage();
        QCOMPARE(viewer.currentPage(), pages);
        QVERIFY(!child<QToolButton>(viewer, "cmdNextPage")->isEnabled());
        viewer.ShowNextPage();
        QCOMPARE(viewer.currentPage(), pages);
        viewer.ShowPreviousPage();
        QCOMPARE(viewer.currentPage(), pages - 1);
        viewer.ShowNthPage(99);
        QCOMPARE(viewer.currentPage(), pages);
        viewer.ShowFirstPage();
        QCOMPARE(viewer.currentPage(), 1);

        // The group tree lists the pages; choosing one goes there.
        auto *tree = child<QTreeWidget>(viewer, "tvwGroupTree");
        QCOMPARE(tree->topLevelItem(0)->childCount(), pages);
        emit tree->itemClicked(tree->topLevelItem(0)->child(2), 0);
        QCOMPARE(viewer.currentPage(), 3);

        // What is previewed is what is exported.
        const QString pdf = m_out.filePath(QStringLiteral("viewer.pdf"));
        viewer.exportToPdf(pdf);
        QCOMPARE(pdfPages(pdf).size(), pages);
    }

    void theZoomSettingOneFitsThePageWidth()
    {
        ReportViewer viewer;
        viewer.setReportSource(openDepartmentRequest(*m_db, QStringLiteral("1")));
        viewer.ViewReport();
        auto *preview = child<QPrintPreviewWidget>(viewer);
        auto *zoom = child<QComboBox>(viewer, "cboZoom");
        viewer.Zoom(2);
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitInView);
        viewer.Zoom(1);
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QCOMPARE(zoom->currentData().toInt(), 1);
        viewer.Zoom(150);
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::CustomZoom);
        QCOMPARE(preview->zoomFactor(), 1.5);
        viewer.Zoom(1000);
        QCOMPARE(viewer.zoomLevel(), 400);
        QCOMPARE(zoom->currentData().toInt(), 400);
    }

    void theGroupTreeSwitches_data()
    {
        QTest::addColumn<bool>("display");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<bool>("treeShown");
        QTest::newRow("request print: hidden and disabled") << false << false << false;
        QTest::newRow("shown") << true << true << true;
        QTest::newRow("displayed but not enabled") << true << false << false;
        QTest::newRow("enabled, switched off") << false << true << false;
    }

    void theGroupTreeSwitches()
    {
        QFETCH(bool, display);
        QFETCH(bool, enable);
        QFETCH(bool, treeShown);
        ReportViewer viewer;
        viewer.show();
        viewer.setDisplayGroupTree(display);
        viewer.setEnableGroupTree(enable);
        QCOMPARE(child<QTreeWidget>(viewer, "tvwGroupTree")->isVisible(), treeShown);
        auto *toggle = child<QToolButton>(viewer, "cmdGroupTree");
        QCOMPARE(toggle->isEnabled(), enable);
        QCOMPARE(toggle->isChecked(), treeShown);
        if (enable) { // the user may switch an enabled tree
            toggle->click();
            QCOMPARE(child<QTreeWidget>(viewer, "tvwGroupTree")->isVisible(), !treeShown);
        }
    }

    void failuresAreReportedNotShownAsEmptyPages()
    {
        ReportViewer viewer;
        QVERIFY_THROWS_EXCEPTION(ReportError, viewer.ViewReport());

        auto unreachable = openDepartmentRequest(*m_db, QStringLiteral("1"));
        for (DatabaseTable &table : unreachable->Database().Tables())
            table.SetLogOnInfo(QString(), QStringLiteral("/nowhere/hospital.db"), QStringLiteral("sa"), QString());
        viewer.setReportSource(unreachable);
        QVERIFY_THROWS_EXCEPTION(ReportError, viewer.ViewReport());

        viewer.setReportSource(openDepartmentRequest(*m_db, QStringLiteral("1")));
        viewer.ViewReport();
        QVERIFY_THROWS_EXCEPTION(ReportError, viewer.exportToPdf(QStringLiteral("/nowhere/at/all/request.pdf")));
    }
};

QTEST_MAIN(TestReportViewer)
#include "tst_report_viewer.moc"
