#pragma once

#include <QString>

#include <deque>
#include <vector>

class QWidget;

// Every message box of the program goes through here, from every window (the main window, the download dialog,
// the export and the report), so that tests can answer boxes in advance and read what would have been shown
// instead of blocking on a modal dialog. Main thread only.
class MessageBox {
public:
    enum class Icon { None, Information, Stop };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };
    // Where a box opens: centred on its parent window, as Qt places dialogs, or in the middle of the screen.
    enum class Position { OverParent, ScreenCentre };

    // What one box showed (or would have shown).
    struct Shown {
        Icon icon;
        QString caption;
        QString text;
        Buttons buttons;
    };

    // Shows a modal box over `parent` (the active window when null) and returns the answer; Enter gives
    // `byDefault` (Ok unless a question's Ok would lose something), and Esc or the close button answer Cancel (Ok
    // when it is the only button).
    static Answer Show(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                       Buttons buttons = Buttons::Ok, Position position = Position::OverParent,
                       Answer byDefault = Answer::Ok);
    // The program's plain error box: the caption «О Ш И Б К А», no icon, OK. The failed download, the damaged
    // file and the failed export say so with it.
    static void ShowError(QWidget* parent, const QString& text);

    // For tests: from now on no box is shown; each is recorded and answered with the next queued answer, or Ok.
    static void RecordInsteadOfShowing();
    static void QueueAnswer(Answer answer);
    // The boxes recorded since the last call, oldest first.
    static std::vector<Shown> TakeRecorded();
    // Shows boxes again and forgets what was recorded and queued.
    static void ShowAgain();
};
