#include "export/platform/DesktopOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

const char16_t* const kNotOpenedText = u"Нет программы для файлов .%1";

}  // namespace

// The system's shell tells at once whether it found a program for the file.
void OpenOnDesktop(const QString& path, std::function<void(const QString& why)> notOpened) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        notOpened(QString::fromUtf16(kNotOpenedText).arg(QFileInfo(path).suffix()));
    }
}
