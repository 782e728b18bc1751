// The grids' one-pass text painting, the cached field frames and the cached scroll bars
// must look exactly as the style paints them: same pixels, whatever the cell's alignment,
// selection or focus, and a text too wide for its cell still elided by the style.
#include "app/CachedPanelStyle.h"
#include "app/GridTextDelegate.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QtTest>

#include <functional>

namespace {

// How far apart two images are: the largest difference of any colour channel.
int largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            largest = std::max({largest, std::abs(qRed(p[column]) - qRed(q[column])),
                                std::abs(qGreen(p[column]) - qGreen(q[column])),
                                std::abs(qBlue(p[column]) - qBlue(q[column])),
                                std::abs(qAlpha(p[column]) - qAlpha(q[column]))});
        }
    }
    return largest;
}

// Two windows made alike, the second given the cached style, both shown.
bool showAlike(QWidget &plain, QWidget &cached, const std::function<void(QWidget &)> &make)
{
    make(plain);
    make(cached);
    CachedPanelStyle::applyTo(cached);
    for (QWidget *window : {&plain, &cached}) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            return false;
    }
    return true;
}

QImage grabView(QTableView &view)
{
    view.viewport()->repaint();
    return view.viewport()->grab().toImage();
}

} // namespace

class tst_painting_shortcuts : public QObject
{
    Q_OBJECT
private slots:
    void gridCellsLookAsTheStylePaintsThem();
    void fieldFramesLookAsTheStylePaintsThem();
    void scrollBarsLookAsTheStylePaintsThem();
};

void tst_painting_shortcuts::gridCellsLookAsTheStylePaintsThem()
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
            model.setItem(row, column, item);
        }
    }
    QTableView styled;
    QTableView shortcut;
    for (QTableView *view : {&styled, &shortcut}) {
        view->setModel(&model);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->resize(700, 200);
        view->resizeColumnsToContents();
        view->show();
    }
    shortcut.setItemDelegate(new GridTextDelegate(&shortcut));
    QVERIFY(QTest::qWaitForWindowExposed(&shortcut));

    // Plain rows, a selected current row with focus, and an empty cell. Only the active
    // window has the focus, so each is grabbed while it is the active one.
    auto grabActive = [&](QTableView &view) {
        view.activateWindow();
        if (!QTest::qWaitForWindowActive(&view))
            return QImage();
        view.setFocus();
        view.setCurrentIndex(model.index(1, 2));
        return grabView(view);
    };
    QVERIFY(grabActive(styled) != QImage());
    QCOMPARE(largestDifference(grabActive(shortcut), grabActive(styled)), 0);

    // Wider than their texts: right-aligned and centred texts land where the style puts them.
    for (QTableView *view : {&styled, &shortcut}) {
        view->setColumnWidth(0, view->columnWidth(0) + 37);
        view->setColumnWidth(2, view->columnWidth(2) + 23);
    }
    QCOMPARE(largestDifference(grabActive(shortcut), grabActive(styled)), 0);

    // Too narrow for the description: the style elides it, in both.
    for (QTableView *view : {&styled, &shortcut})
        view->setColumnWidth(1, 80);
    QCOMPARE(largestDifference(grabActive(shortcut), grabActive(styled)), 0);
}

void tst_painting_shortcuts::fieldFramesLookAsTheStylePaintsThem()
{
    // Two windows with the same fields, one with the cached frames.
    auto makeWindow = [](QWidget &window) {
        window.resize(420, 120);
        auto *narrow = new QLineEdit(QStringLiteral("1,000"), &window);
        narrow->setObjectName(QStringLiteral("narrow"));
        narrow->setGeometry(10, 10, 125, 22);
        auto *wide = new QLineEdit(QStringLiteral("Paracetamol 500 mg"), &window);
        wide->setObjectName(QStringLiteral("wide"));
        wide->setGeometry(10, 40, 321, 22);
        auto *readOnly = new QLineEdit(QStringLiteral("12.5000"), &window);
        readOnly->setObjectName(QStringLiteral("readOnly"));
        readOnly->setReadOnly(true);
        readOnly->setEnabled(false);
        readOnly->setGeometry(10, 70, 125, 22);
    };
    QWidget plain;
    QWidget cached;
    QVERIFY(showAlike(plain, cached, makeWindow));
    // Only the active window has the focus, so each is grabbed while it is the active one.
    auto grabField = [](QWidget &window, const char *name, const char *focused) {
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return QImage();
        if (focused)
            window.findChild<QLineEdit *>(QLatin1String(focused))->setFocus();
        auto *field = window.findChild<QLineEdit *>(QLatin1String(name));
        // Drawn over the window's background: the frame's soft corners blend the same.
        window.repaint();
        return window.grab(field->geometry()).toImage();
    };
    auto compareAll = [&](const char *focused) {
        for (const char *name : {"narrow", "wide", "readOnly"}) {
            QVERIFY(plain.findChild<QLineEdit *>(QLatin1String(name))->style()
                    != cached.findChild<QLineEdit *>(QLatin1String(name))->style());
            const QImage expected = grabField(plain, name, focused);
            QVERIFY(!expected.isNull());
            QVERIFY2(largestDifference(grabField(cached, name, focused), expected) <= 1, name);
        }
    };
    compareAll(nullptr);
    // Focus changes the frame; the look drawn first must not serve the second.
    compareAll("narrow");
    compareAll("wide");
    // A field of another size with the same state gets a frame of its own size.
    for (QWidget *window : {&plain, &cached})
        window->findChild<QLineEdit *>(QStringLiteral("wide"))->resize(200, 22);
    compareAll("wide");
}

// A cached bar is found again by where its slider is: every value, range and state must
// still show the bar the style paints for it.
void tst_painting_shortcuts::scrollBarsLookAsTheStylePaintsThem()
{
    auto makeWindow = [](QWidget &window) {
        window.resize(300, 320);
        auto *vertical = new QScrollBar(Qt::Vertical, &window);
        vertical->setObjectName(QStringLiteral("vertical"));
        vertical->setGeometry(20, 10, 16, 280);
        auto *horizontal = new QScrollBar(Qt::Horizontal, &window);
        horizontal->setObjectName(QStringLiteral("horizontal"));
        horizontal->setGeometry(50, 290, 230, 16);
    };
    QWidget plain;
    QWidget cached;
    QVERIFY(showAlike(plain, cached, makeWindow));
    QApplication::processEvents();
    QVERIFY(cached.findChild<QScrollBar *>(QStringLiteral("vertical"))->testAttribute(Qt::WA_OpaquePaintEvent));
    auto grabBar = [](QWidget &window, const char *name) {
        auto *bar = window.findChild<QScrollBar *>(QLatin1String(name));
        window.repaint();
        return window.grab(bar->geometry()).toImage();
    };
    struct Case {
        int maximum;
        int value;
        bool enabled;
    };
    const Case cases[] = {{4999, 0, true},   {4999, 1, true},    {4999, 17, true}, {4999, 2500, true},
                          {4999, 4998, true}, {4999, 4999, true}, {10, 5, true},    {0, 0, true},
                          {4999, 2500, false}, {4999, 0, false}};
    for (const Case &c : cases) {
        for (const char *name : {"vertical", "horizontal"}) {
            for (QWidget *window : {&plain, &cached}) {
                auto *bar = window->findChild<QScrollBar *>(QLatin1String(name));
                bar->setRange(0, c.maximum);
                bar->setPageStep(20);
                bar->setValue(c.value);
                bar->setEnabled(c.enabled);
            }
            QApplication::processEvents();
            const QImage expected = grabBar(plain, name);
            QVERIFY(!expected.isNull());
            const QByteArray what = QByteArray(name) + " at " + QByteArray::number(c.value) + " of "
                                    + QByteArray::number(c.maximum) + (c.enabled ? "" : ", disabled");
            QVERIFY2(largestDifference(grabBar(cached, name), expected) <= 1, what.constData());
        }
    }
}

QTEST_MAIN(tst_painting_shortcuts)
#include "tst_painting_shortcuts.moc"
