#pragma once

#include <QString>

#include <functional>

// Opens a file with the desktop's program for its type, or a folder with the file manager, without waiting for
// the program. Whether anything opened it is told later, on the main thread, by calling `notOpened` with a
// sentence for the user ("Нет программы для файлов .xlsx"); it is not called when the file was opened. On Linux
// the desktop's handler for the type is asked first (xdg-mime), and xdg-open's exit status counts, also when it
// ends long after it started. Main thread only.
void OpenOnDesktop(const QString& path, std::function<void(const QString& why)> notOpened);
