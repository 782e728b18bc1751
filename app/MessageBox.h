#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// The program's message box, with the button and icon values of the hospital system's
// other programs: MsgBox("Are you sure?", vbYesNo + vbQuestion) returns vbYes or vbNo.
enum MsgBoxStyle {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

// Shows a modal message box over the active window; the title "Quellar" when none is given.
int MsgBox(const QString &prompt, int style = vbOKOnly, const QString &title = {});

// Lets tests answer message boxes without a person: while scripting is on, MsgBox shows
// nothing, records each box and returns the next queued answer (the first button when
// the queue is empty).
class MsgBoxScript
{
public:
    struct Shown {
        QString prompt;
        int style;
        QString title;
    };

    static void start();
    static void stop();
    static bool isActive();
    static void answer(int result);
    static const std::vector<Shown> &shown();
    static void clearShown();

private:
    friend int MsgBox(const QString &, int, const QString &);
    static int take(const QString &prompt, int style, const QString &title);
};

// The application's title, used when a message box has none.
QString applicationTitle();
