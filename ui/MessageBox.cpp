#include "ui/MessageBox.h"

#include "ui/ScreenFit.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <memory>

namespace {

const char16_t* const kErrorCaption = u"О Ш И Б К А";

// Test mode only: boxes are recorded here instead of being shown.
struct Recorder {
    bool active = false;
    std::deque<MessageBox::Answer> answers;
    std::vector<MessageBox::Shown> shown;
};

Recorder& TheRecorder() {
    static Recorder recorder;
    return recorder;
}

QMessageBox::Icon QtIcon(MessageBox::Icon icon) {
    switch (icon) {
        case MessageBox::Icon::Information:
            return QMessageBox::Information;
        case MessageBox::Icon::Stop:
            return QMessageBox::Critical;
        case MessageBox::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// A box that opens in the middle of its screen's available area. It is placed once its size is final, which is only
// when QMessageBox has laid itself out in its own showEvent.
class ScreenCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (!screen) {
            return;
        }
        const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        move(ScreenFit(screen->availableGeometry()).Centred(size().grownBy(margins)).topLeft());
    }
};

}  // namespace

MessageBox::Answer MessageBox::Show(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                                    Buttons buttons, Position position, Answer byDefault) {
    Recorder& recorder = TheRecorder();
    if (recorder.active) {
        recorder.shown.push_back({icon, caption, text, buttons});
        if (recorder.answers.empty()) {
            return Answer::Ok;
        }
        const Answer answer = recorder.answers.front();
        recorder.answers.pop_front();
        return answer;
    }

    QWidget* const owner = parent ? parent : QApplication::activeWindow();
    std::unique_ptr<QMessageBox> made =
        position == Position::ScreenCentre
            ? std::make_unique<ScreenCentredBox>(QtIcon(icon), caption, text, QMessageBox::NoButton, owner)
            : std::make_unique<QMessageBox>(QtIcon(icon), caption, text, QMessageBox::NoButton, owner);
    QMessageBox& box = *made;
    box.setObjectName("MessageBox");
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    if (buttons == Buttons::OkCancel) {
        // A question's buttons are the program's own "OK" and "Cancel", whatever language Qt's texts are in.
        ok->setText(QStringLiteral("OK"));
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        cancel->setText(QStringLiteral("Cancel"));
        box.setEscapeButton(cancel);
        if (byDefault == Answer::Cancel) {
            box.setDefaultButton(cancel);
        }
    } else {
        box.setEscapeButton(ok);
    }
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void MessageBox::ShowError(QWidget* parent, const QString& text) {
    Show(parent, Icon::None, QString::fromUtf16(kErrorCaption), text);
}

void MessageBox::RecordInsteadOfShowing() {
    TheRecorder().active = true;
}

void MessageBox::QueueAnswer(Answer answer) {
    TheRecorder().answers.push_back(answer);
}

std::vector<MessageBox::Shown> MessageBox::TakeRecorded() {
    std::vector<Shown> shown;
    shown.swap(TheRecorder().shown);
    return shown;
}

void MessageBox::ShowAgain() {
    TheRecorder() = Recorder{};
}
