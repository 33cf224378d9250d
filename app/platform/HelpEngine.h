#pragma once

#include <QString>

class QWidget;

// Opens the Help Topics of the help file for the window `owner`. Where the program shows the help itself, raises
// HelpFileError when the file cannot be shown; the platform's help engine reports such problems itself.
void ShowHelpTopics(QWidget* owner, const QString& helpFile);
