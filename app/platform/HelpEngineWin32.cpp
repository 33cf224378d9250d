#include "app/platform/HelpEngine.h"

#include <QWidget>

#include <windows.h>

void ShowHelpTopics(QWidget* owner, const QString& helpFile) {
    // HELP_FINDER (11): the Help Topics window. The engine reports a missing or damaged file itself.
    constexpr UINT kHelpFinder = 11;
    WinHelpA(reinterpret_cast<HWND>(owner->winId()), helpFile.toLocal8Bit().constData(), kHelpFinder, 0);
}
