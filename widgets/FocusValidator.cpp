#include "FocusValidator.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

FocusValidator::FocusValidator(QWidget *window) : m_window(window)
{
    qApp->installEventFilter(this);
}

FocusValidator::~FocusValidator()
{
    qApp->removeEventFilter(this);
}

void FocusValidator::add(QWidget *field, Check check)
{
    m_checks.insert(field, std::move(check));
}

QWidget *FocusValidator::registeredField(QWidget *widget) const
{
    // A field's own parts (the line edit of a drop-down) count as the field.
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (m_checks.contains(w))
            return w;
        if (w == m_window)
            break;
    }
    return nullptr;
}

bool FocusValidator::leaves(QWidget *field, QWidget *target) const
{
    return target && target != field && !field->isAncestorOf(target) && m_window->isAncestorOf(target)
        && target->window() == m_window;
}

bool FocusValidator::runCheck(QWidget *field)
{
    if (m_checking)
        return true;
    m_checking = true;
    const bool passed = m_checks.value(field)();
    m_checking = false;
    return passed;
}

bool FocusValidator::validateFocused()
{
    QWidget *field = registeredField(QApplication::focusWidget());
    return !field || runCheck(field);
}

bool FocusValidator::onMousePress(QWidget *target)
{
    QPointer<QWidget> field = m_leftByMouse;
    m_leftByMouse = nullptr;
    if (!field || !leaves(field, target))
        return false;
    if (runCheck(field))
        return false;
    // Refused: the click does nothing and the focus goes back to the field.
    m_swallowRelease = target;
    field->setFocus(Qt::OtherFocusReason);
    return true;
}

bool FocusValidator::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::FocusOut: {
        // A click gives the focus to its target before the press arrives; remember the
        // field, and check it when the press comes.
        const auto *focus = static_cast<QFocusEvent *>(event);
        if (focus->reason() == Qt::MouseFocusReason && m_checks.contains(widget))
            m_leftByMouse = widget;
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (m_leftByMouse)
            return onMousePress(widget);
        return false;
    case QEvent::MouseButtonRelease:
        if (m_swallowRelease && (widget == m_swallowRelease || m_swallowRelease->isAncestorOf(widget))) {
            m_swallowRelease = nullptr;
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            return false;
        QWidget *field = registeredField(widget);
        if (!field || QApplication::focusWidget() != widget || (!field->isAncestorOf(widget) && field != widget))
            return false;
        if (!runCheck(field))
            return true; // stays
        // The check may have moved the focus on itself (to the next field it wants).
        return QApplication::focusWidget() != widget;
    }
    case QEvent::Shortcut: {
        QWidget *focus = QApplication::focusWidget();
        QWidget *field = registeredField(focus);
        if (!field || !leaves(field, widget))
            return false;
        return !runCheck(field);
    }
    default:
        return false;
    }
}
