#pragma once

#include <QDialog>

#include <deque>
#include <functional>

// Shows dialogs modally. Tests queue scripted actions instead of a person: while one is
// queued, the next dialog to be shown is shown without blocking, the action runs on it
// (typing, clicking, closing it), and whatever the dialog then holds is the answer.
class ModalDialogs
{
public:
    using Action = std::function<void(QDialog &)>;

    // Shows the dialog modally and returns its result code.
    static int exec(QDialog &dialog);

    static void script(Action action);
    static void clearScript();
    static bool hasScript();
};
