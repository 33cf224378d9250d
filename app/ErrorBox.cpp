#include "app/ErrorBox.h"

#include "app/Application.h"
#include "ui/MessageBox.h"

#include <exception>

QString ErrorBox::TextFor(const QString& error) {
    if (!error.isEmpty() && error.back().unicode() > u'.') {
        return error + u'.';
    }
    return error;
}

void ErrorBox::Show(const QString& error) noexcept {
    try {
        MessageBox::Show(nullptr, MessageBox::Icon::Stop, Application::Title(), TextFor(error));
    } catch (...) {
        // Nothing is left to tell the user with; the program goes on as it would after the box.
    }
}

void ErrorBox::ShowCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        Show(QString::fromUtf8(error.what()));
    } catch (...) {
        Show(QString());
    }
}

void ErrorBox::RunCommand(const std::function<void()>& command) noexcept {
    try {
        command();
    } catch (...) {
        ShowCurrentException();
    }
}
