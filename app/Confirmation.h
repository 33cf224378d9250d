#pragma once

#include <QString>

class QWidget;

// Asks the user a question in the modal "Information" box with OK and Cancel, in the middle of the screen; only OK
// confirms. Goes through
// MessageBox, so tests answer it in advance.
bool Confirm(QWidget* parent, const QString& question);
