#include "ModalDialogs.h"

#include <QApplication>
#include <QWidget>

namespace {

std::deque<ModalDialogs::Action> &queued()
{
    static std::deque<ModalDialogs::Action> actions;
    return actions;
}

struct Strictness {
    bool required = false;
    QStringList unscripted;
};

Strictness &strictness()
{
    static Strictness state;
    return state;
}

} // namespace

int ModalDialogs::exec(QDialog &dialog)
{
    if (queued().empty()) {
        if (!strictness().required)
            return dialog.exec();
        strictness().unscripted << (dialog.windowTitle().isEmpty() ? dialog.objectName() : dialog.windowTitle());
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
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

void ModalDialogs::requireScripts(bool on)
{
    strictness() = Strictness{};
    strictness().required = on;
}

QStringList ModalDialogs::unscripted()
{
    return strictness().unscripted;
}
