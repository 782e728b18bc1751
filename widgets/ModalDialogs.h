#pragma once

#include <QDialog>
#include <QStringList>

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

    // While scripts are required, a dialog without a queued action is never shown (no
    // person would answer it): it is closed as cancelled at once and its title noted, so
    // that a test fails instead of waiting for ever.
    static void requireScripts(bool on);
    static QStringList unscripted();
};
