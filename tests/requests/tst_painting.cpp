// What the clerk sees of the grids and the main window must be what the style paints:
// the grids' one-layout text cells and the line grid's own grid lines against the style's
// and the table view's painting of the same model, and the main window after moves
// against a fresh painting. The test runs once per scale factor (QT_SCALE_FACTOR, set by
// CTest), always in Fusion and DejaVu Sans, so that the pixels compared are the same on
// every machine.
#include "EditorFixture.h"

#include "widgets/GridTextDelegate.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QMap>
#include <QScreen>
#include <QSet>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyledItemDelegate>

namespace {

// Pixels that differ at all, and where the first one is.
struct Difference {
    int pixels = 0;
    QPoint first{-1, -1};
};

Difference difference(const QImage &a, const QImage &b)
{
    Difference found;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < std::min(x.height(), y.height()); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < std::min(x.width(), y.width()); ++column) {
            if (p[column] != q[column]) {
                if (found.pixels++ == 0)
                    found.first = QPoint(column, row);
            }
        }
    }
    return found;
}

QByteArray described(const Difference &d, const QString &what)
{
    return QStringLiteral("%1: %2 pixels differ, the first at (%3, %4)")
        .arg(what)
        .arg(d.pixels)
        .arg(d.first.x())
        .arg(d.first.y())
        .toUtf8();
}

#define COMPARE_PAINTING(shown, expected, what)                                                                    \
    do {                                                                                                           \
        const QImage shownImage = (shown);                                                                         \
        const QImage expectedImage = (expected);                                                                   \
        QVERIFY(!expectedImage.isNull());                                                                          \
        QCOMPARE(shownImage.size(), expectedImage.size());                                                         \
        const Difference d = difference(shownImage, expectedImage);                                                \
        QVERIFY2(d.pixels == 0, described(d, what).constData());                                                   \
    } while (false)

// The view's cells as painted now, after making it the active window with row current.
QImage paintedActive(QTableView &view, const QModelIndex &current)
{
    view.activateWindow();
    if (!QTest::qWaitForWindowActive(&view))
        return QImage();
    view.setFocus();
    view.setCurrentIndex(current);
    view.viewport()->repaint();
    return view.viewport()->grab().toImage();
}

} // namespace

class tst_painting : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void gridCellsLookAsTheStylePaintsThem();
    void theLineGridLooksAsTheTableViewPaintsIt();
    void movingThroughTheLinesLeavesTheScreenAsAFreshPaintingShowsIt();
};

void tst_painting::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    QApplication::setFont(font);
    QVERIFY2(QFontInfo(font).family() == QLatin1String("DejaVu Sans"), "DejaVu Sans (fonts-dejavu-core) is missing");
    // The scale CTest asked for is the one the windows paint at.
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() : 1.0;
    QWidget probe;
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QCOMPARE(probe.devicePixelRatioF(), scale);
}

void tst_painting::gridCellsLookAsTheStylePaintsThem()
{
    QStandardItemModel model(4, 3);
    const QStringList texts{QStringLiteral("PARA500"), QStringLiteral("Paracetamol 500 mg tablet, box of 100"),
                            QStringLiteral("1,234,567.8900")};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            auto *item = new QStandardItem(row == 3 && column == 1 ? QString() : texts[column]);
            if (column == 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (column == 0 && row == 2)
                item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            if (column == 0 && row == 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignBottom);
            model.setItem(row, column, item);
        }
    }
    QTableView styled;
    QTableView laidOutOnce;
    laidOutOnce.setItemDelegate(new GridTextDelegate(&laidOutOnce));
    for (QTableView *view : {&styled, &laidOutOnce}) {
        view->setModel(&model);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->resize(700, 200);
        view->resizeColumnsToContents();
        view->verticalHeader()->setDefaultSectionSize(27); // odd heights centre on half pixels
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    // Plain rows, a selected current row with focus, and an empty cell; then wider than
    // their texts (aligned texts land where the style puts them), odd widths, and too
    // narrow for the description (elided by the style, in both).
    const QList<std::pair<int, int>> widenings{{0, 0}, {37, 23}, {1, 3}, {0, -1}};
    for (const auto &[first, third] : widenings) {
        for (QTableView *view : {&styled, &laidOutOnce}) {
            view->setColumnWidth(0, view->columnWidth(0) + first);
            view->setColumnWidth(2, view->columnWidth(2) + third);
            if (first == 0 && third == -1)
                view->setColumnWidth(1, 81);
        }
        COMPARE_PAINTING(paintedActive(laidOutOnce, model.index(1, 2)), paintedActive(styled, model.index(1, 2)),
                         QStringLiteral("columns widened by %1 and %2").arg(first).arg(third));
    }
    // A font of its own for one cell is laid out in that font.
    model.item(0, 1)->setFont(QFont(QStringLiteral("DejaVu Sans"), 11, QFont::Bold));
    COMPARE_PAINTING(paintedActive(laidOutOnce, model.index(2, 0)), paintedActive(styled, model.index(2, 0)),
                     QStringLiteral("a bold cell"));
}

// The line grid draws its grid lines itself and its cells through GridTextDelegate; the
// pixels must be those of a table view drawing both in the style, current row or not,
// and when only part of the grid is repainted.
void tst_painting::theLineGridLooksAsTheTableViewPaintsIt()
{
    LineGrid grid;
    grid.setRows(5); // four lines and the blank entry row
    const QStringList codes{"10", "PARA500", "3", "42"};
    for (int row = 1; row <= 4; ++row) {
        grid.setTextMatrix(row, 0, codes[row - 1]);
        grid.setTextMatrix(row, 1, QStringLiteral("IBUPROFEN 100MG/5ML SUSPENSION 60ML"));
        grid.setTextMatrix(row, 2, QString::number(row * 5));
        grid.setTextMatrix(row, 3, QStringLiteral("49.2231"));
        grid.setTextMatrix(row, 4, QStringLiteral("246.1155"));
        grid.setTextMatrix(row, 5, QStringLiteral("Y"));
    }
    grid.applyLayout();
    QTableView reference;
    reference.setModel(grid.model());
    reference.setSelectionBehavior(QAbstractItemView::SelectRows);
    reference.verticalHeader()->setVisible(false);
    reference.verticalHeader()->setDefaultSectionSize(grid.verticalHeader()->defaultSectionSize());
    reference.horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < LineGrid::columns; ++column) {
        reference.setColumnWidth(column, grid.columnWidth(column));
        reference.setColumnHidden(column, grid.isColumnHidden(column));
    }
    for (QTableView *view : {static_cast<QTableView *>(&grid), &reference}) {
        view->resize(900, 200);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    for (int row : {0, 2, 4}) {
        COMPARE_PAINTING(paintedActive(grid, grid.model()->index(row, 1)),
                         paintedActive(reference, reference.model()->index(row, 1)),
                         QStringLiteral("current row %1").arg(row));
    }
    // A repaint of part of the grid draws the lines of that part alone, and the same.
    const QImage whole = paintedActive(reference, reference.model()->index(4, 1));
    grid.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&grid));
    grid.viewport()->repaint(QRect(30, 10, 200, 30));
    COMPARE_PAINTING(grid.viewport()->grab().toImage(), whole, QStringLiteral("after a partial repaint"));
}

// A move through the lines repaints only what changed; what the clerk then has on the
// screen must be what painting the whole window afresh shows, and no field moves for the
// ADS box (shown for lines of item 10, hidden for the others).
void tst_painting::movingThroughTheLinesLeavesTheScreenAsAFreshPaintingShowsIt()
{
    EditorFixture f;
    f.storeRequest(QStringLiteral("902"), 80);
    f.connection->Execute("Update tbInvWithdrawRequest Set Quantity = rowid % 7 + 1 Where DocumentNumber = '902'");
    f.connection->Execute("Update tbInvWithdrawRequest Set ItemID = '10' Where DocumentNumber = '902' And rowid % 3 = 0");
    f.click("optOptions_0");
    f.select(QStringLiteral("902"));
    f.click("cmdEdit");
    LineGrid *grid = f.grid();
    QCOMPARE(grid->Rows(), 82);
    QApplication::processEvents();

    auto screen = [&] {
        QApplication::processEvents();
        return f.window->screen()->grabWindow(f.window->winId()).toImage();
    };
    auto places = [&] {
        QMap<QString, QRect> where;
        for (QWidget *widget : f.window->findChildren<QWidget *>())
            where.insert(widget->objectName(), widget->geometry());
        return where;
    };
    const QMap<QString, QRect> firstPlaces = places();
    QSet<bool> adsShown;
    int moves = 0;
    auto moveDown = [&](int times) {
        grid->setFocus();
        for (int k = 0; k < times; ++k) {
            QTest::keyClick(grid, Qt::Key_Down);
            QApplication::processEvents();
            adsShown.insert(f.control("chkAdS")->isVisible());
            QVERIFY2(places() == firstPlaces, qPrintable(QStringLiteral("a control moved at move %1").arg(++moves)));
        }
    };
    auto comparedWithAFreshPainting = [&](const QString &what) {
        const QImage shown = screen();
        f.window->repaint();
        COMPARE_PAINTING(shown, screen(), what);
    };

    moveDown(30);
    QCOMPARE(grid->Row(), 31);
    QCOMPARE(adsShown, (QSet<bool>{true, false}));
    comparedWithAFreshPainting(QStringLiteral("after 30 moves"));
    // Past the first screen of lines: the grid scrolls with each move.
    moveDown(40);
    QCOMPARE(grid->Row(), 71);
    comparedWithAFreshPainting(QStringLiteral("after 70 moves"));
}

QTEST_MAIN(tst_painting)
#include "tst_painting.moc"
