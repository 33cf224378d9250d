#include "TForm1.h"

#include <QScreen>

TForm1::TForm1(QWidget* parent) : QDialog(parent) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Zarudedu РС5 \"Нирма\""));
    resize(480, 173);
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
