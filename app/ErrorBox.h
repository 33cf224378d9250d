#pragma once

#include <QString>

#include <functional>

// The application's error box: the error's text, the application title as caption, the stop icon and OK.
// Every error that a command does not catch itself ends here, and the program goes on.
class ErrorBox {
public:
    // The text as the box shows it: a full stop is added when the text is not empty and the code of its last
    // character is greater than that of '.', so "abc" gets one while "abc!", "(x)" and "a " do not.
    static QString TextFor(const QString& error);

    static void Show(const QString& error) noexcept;

    // Shows the exception being handled: what() of a std::exception (UTF-8), an empty text for anything else.
    // Call only inside a catch block.
    static void ShowCurrentException() noexcept;

    // Runs a command that Qt calls into (an event handler, a slot) and shows any error it raises. Qt's widget
    // libraries are built without exception support, so an exception must never unwind through them: every
    // entry from Qt into code that may raise goes through here.
    static void RunCommand(const std::function<void()>& command) noexcept;
};
