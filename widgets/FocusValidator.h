#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// Checks a field when the user leaves it, and keeps the focus there when the check
// fails: the Tab, Enter, click or access key that tried to leave then has no other
// effect (a button clicked while a field holds a refused value is not pressed). Focus
// moved by the program is not checked. One validator serves a whole window.
class FocusValidator : public QObject
{
    Q_OBJECT
public:
    using Check = std::function<bool()>;

    explicit FocusValidator(QWidget *window);
    ~FocusValidator() override;

    // Runs check when field is left; the check returns false to keep the focus.
    void add(QWidget *field, Check check);

    // Runs the check of the field that has the focus, as if it were being left; true
    // when there is none or it passes.
    bool validateFocused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *registeredField(QWidget *widget) const;
    bool leaves(QWidget *field, QWidget *target) const;
    bool runCheck(QWidget *field);
    bool onMousePress(QWidget *target);

    QWidget *m_window;
    QHash<QWidget *, Check> m_checks;
    QPointer<QWidget> m_leftByMouse; // a checked field that a click has just left
    QPointer<QWidget> m_swallowRelease;
    bool m_checking = false;
};
