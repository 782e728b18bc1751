#include "ModalDialogs.h"

#include <QApplication>

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
    dialog.setModal(true);
    dialog.show();
    QApplication::processEvents();
    action(dialog);
    if (dialog.isVisible())
        dialog.reject(); // an action that leaves the dialog open has given up on it
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
