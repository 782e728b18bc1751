#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// The main window's keyboard rule: Enter moves on to the next field (after the field
// itself has seen it), a single quote never arrives, letters arrive in upper case. Keys
// typed on a command button, or while the filter is off, pass untouched.
class WindowKeyFilter : public QObject
{
    Q_OBJECT
public:
    explicit WindowKeyFilter(QWidget *window);
    ~WindowKeyFilter() override;

    void setEnabled(bool on) { m_enabled = on; }
    // The field has handled Enter itself: no move to the next field follows.
    void cancelMoveOn() { m_pendingMove = nullptr; }
    bool isEnabled() const { return m_enabled; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveOnAfterEnter(QWidget *field);

    QWidget *m_window;
    QPointer<QWidget> m_pendingMove;
    bool m_enabled = true;
};
