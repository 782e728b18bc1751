#include "ModalDialogs.h"

#include <QApplication>
#include <QWidget>

namespace {

std::deque<ModalDialogs::Action> &queued()
{
    static std::deque<ModalDialogs::Action> actions;
    return actions;
}

} // namespace

int ModalDialogs::exec(QDialog &dialog)
{
    if (queued().empty())
        return dialog.exec();
    Action action = std::move(queued().front());
    queued().pop_front();
    QWidget *opener = QApplication::activeWindow();
    dialog.setModal(true);
    dialog.show();
    QApplication::processEvents();
    action(dialog);
    if (dialog.isVisible())
        dialog.reject(); // an action that leaves the dialog open has given up on it
    if (opener && opener != &dialog) {
        // As a window system does when a modal dialog closes: the opener is active again.
        opener->activateWindow();
        QApplication::setActiveWindow(opener);
    }
    return dialog.result();
}

void ModalDialogs::script(Action action)
{
    queued().push_back(std::move(action));
}

void ModalDialogs::clearScript()
{
    queued().clear();
}

bool ModalDialogs::hasScript()
{
    return !queued().empty();
}
