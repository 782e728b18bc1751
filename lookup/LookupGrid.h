#pragma once

#include <QTableView>

// The grid of the search dialogs: a read-only table whose key presses the dialog sees
// first (type-ahead into the search box, Backspace shortening it).
class LookupGrid : public QTableView
{
    Q_OBJECT
public:
    explicit LookupGrid(QWidget *parent = nullptr);

signals:
    // A key pressed while the grid has the focus; set handled to keep it from the grid.
    void keyDown(int key, const QString &text, bool *handled);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
};
