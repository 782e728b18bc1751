#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace {

struct ScriptState {
    bool active = false;
    std::deque<int> answers;
    std::vector<MsgBoxScript::Shown> shown;
};

ScriptState &script()
{
    static ScriptState state;
    return state;
}

int firstButton(int style)
{
    switch (style & 7) {
    case vbOKCancel: return vbOK;
    case vbAbortRetryIgnore: return vbAbort;
    case vbYesNoCancel:
    case vbYesNo: return vbYes;
    case vbRetryCancel: return vbRetry;
    default: return vbOK;
    }
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("Quellar");
}

void MsgBoxScript::start()
{
    script() = ScriptState{};
    script().active = true;
}

void MsgBoxScript::stop()
{
    script() = ScriptState{};
}

bool MsgBoxScript::isActive()
{
    return script().active;
}

void MsgBoxScript::answer(int result)
{
    script().answers.push_back(result);
}

const std::vector<MsgBoxScript::Shown> &MsgBoxScript::shown()
{
    return script().shown;
}

void MsgBoxScript::clearShown()
{
    script().shown.clear();
}

int MsgBoxScript::take(const QString &prompt, int style, const QString &title)
{
    ScriptState &state = script();
    state.shown.push_back({prompt, style, title});
    if (state.answers.empty())
        return firstButton(style);
    const int result = state.answers.front();
    state.answers.pop_front();
    return result;
}

int MsgBox(const QString &prompt, int style, const QString &title)
{
    const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
    if (MsgBoxScript::isActive())
        return MsgBoxScript::take(prompt, style, shownTitle);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(shownTitle);
    box.setText(prompt);
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
    };
    std::vector<Choice> choices;
    switch (style & 7) {
    case vbOKCancel: choices = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore: choices = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}}; break;
    case vbYesNoCancel: choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbYesNo: choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: choices = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: choices = {{QMessageBox::Ok, vbOK}}; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice &c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    size_t defaultIndex = 0;
    if ((style & vbDefaultButton3) && choices.size() > 2)
        defaultIndex = 2;
    else if ((style & vbDefaultButton2) && choices.size() > 1)
        defaultIndex = 1;
    box.setDefaultButton(choices[defaultIndex].button);
    const auto clicked = QMessageBox::StandardButton(box.exec());
    for (const Choice &c : choices) {
        if (c.button == clicked)
            return c.result;
    }
    // Closed with Esc or the window's close button: the cancelling answer.
    if (buttons & QMessageBox::Cancel)
        return vbCancel;
    return (style & 7) == vbYesNo ? vbNo : vbOK;
}
