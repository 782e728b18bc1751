#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// The main window's keyboard rule: Enter moves on to the next field (after the field
// itself has seen it), a single quote never arrives, letters arrive in upper case. Keys
// typed on a button, or while the filter is off, pass untouched.
class WindowKeyFilter : public QObject
{
    Q_OBJECT
public:
    explicit WindowKeyFilter(QWidget *window);
    ~WindowKeyFilter() override;

    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveOnAfterEnter(QWidget *field);

    QWidget *m_window;
    bool m_enabled = true;
};
