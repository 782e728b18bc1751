#include "WindowKeyFilter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

WindowKeyFilter::WindowKeyFilter(QWidget *window) : m_window(window)
{
    qApp->installEventFilter(this);
}

WindowKeyFilter::~WindowKeyFilter()
{
    qApp->removeEventFilter(this);
}

void WindowKeyFilter::moveOnAfterEnter(QWidget *field)
{
    // The field handles Enter first; when it has not moved the focus itself, Enter
    // acts like Tab (and so the field's check runs as for Tab).
    QPointer<QWidget> guard(field);
    m_pendingMove = field;
    QTimer::singleShot(0, this, [this, guard] {
        if (!guard || m_pendingMove != guard || QApplication::focusWidget() != guard)
            return;
        m_pendingMove = nullptr;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        // A date field takes Tab for a step to its next part; the window moves on instead.
        QWidget *receiver = qobject_cast<QAbstractSpinBox *>(guard.data()) ? m_window : guard.data();
        QApplication::sendEvent(receiver, &tab);
    });
}

bool WindowKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !m_enabled || !watched->isWidgetType())
        return false;
    auto *target = static_cast<QWidget *>(watched);
    QWidget *focus = QApplication::focusWidget();
    // Only keys meant for this window's focused control, once (not again for its parents).
    if (!focus || target != focus || !m_window->isAncestorOf(focus) || focus->window() != m_window)
        return false;
    if (qobject_cast<QPushButton *>(focus))
        return false; // Enter presses a command button; check boxes and options move on

    auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        moveOnAfterEnter(focus);
        return false;
    }
    const QString text = key->text();
    if (text == QLatin1String("'"))
        return true;
    const QString upper = text.toUpper();
    if (text.isEmpty() || upper == text)
        return false;
    QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(),
                       ushort(key->count()));
    QApplication::sendEvent(focus, &replaced); // the filter lets its own event through
    return true;
}
