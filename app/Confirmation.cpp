#include "app/Confirmation.h"

#include "ui/MessageBox.h"

bool Confirm(QWidget* parent, const QString& question) {
    return MessageBox::Show(parent, MessageBox::Icon::Information, QStringLiteral("Information"), question,
                            MessageBox::Buttons::OkCancel,
                            MessageBox::Position::ScreenCentre) == MessageBox::Answer::Ok;
}
