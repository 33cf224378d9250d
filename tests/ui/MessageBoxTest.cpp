// The one way the windows show message boxes: preset answers and recorded boxes for tests, and the real modal box
// with the caption, icon, text and buttons it was given.
#include "tests/QtTestRunner.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Calls `act` with the next modal message box once it is open; `act` must close it.
void WithNextBox(std::function<void(QMessageBox& box)> act) {
    auto* timer = new QTimer(qApp);
    auto* waited = new QElapsedTimer;
    waited->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, waited, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && waited->elapsed() < 5000) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete waited;
        if (!box) {
            QFAIL("no message box opened");
            return;
        }
        act(*box);
    });
    timer->start();
}

QStringList ButtonTexts(const QMessageBox& box) {
    QStringList texts;
    for (const QAbstractButton* button : box.buttons()) {
        texts << button->text();
    }
    texts.sort();
    return texts;
}

}  // namespace

class MessageBoxTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { MessageBox::ShowAgain(); }

    void recordedBoxesAreAnsweredInTurn() {
        MessageBox::RecordInsteadOfShowing();
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        const auto first = MessageBox::Show(nullptr, MessageBox::Icon::Information, "Information",
                                            "Удалить все записи?", MessageBox::Buttons::OkCancel);
        const auto second = MessageBox::Show(nullptr, MessageBox::Icon::Stop, "Zarudedu-РС5 Нирма", "Ошибка");
        QCOMPARE(first, MessageBox::Answer::Cancel);
        QCOMPARE(second, MessageBox::Answer::Ok);  // no answer queued any more

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[0].icon, MessageBox::Icon::Information);
        QCOMPARE(shown[0].caption, QStringLiteral("Information"));
        QCOMPARE(shown[0].text, QStringLiteral("Удалить все записи?"));
        QCOMPARE(shown[0].buttons, MessageBox::Buttons::OkCancel);
        QCOMPARE(shown[1].icon, MessageBox::Icon::Stop);
        QCOMPARE(shown[1].caption, QStringLiteral("Zarudedu-РС5 Нирма"));
        QCOMPARE(shown[1].buttons, MessageBox::Buttons::Ok);
        QVERIFY(MessageBox::TakeRecorded().empty());
    }

    void showingAgainForgetsQueuedAnswers() {
        MessageBox::RecordInsteadOfShowing();
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        MessageBox::ShowAgain();
        MessageBox::RecordInsteadOfShowing();
        QCOMPARE(MessageBox::Show(nullptr, MessageBox::Icon::None, "c", "t", MessageBox::Buttons::OkCancel),
                 MessageBox::Answer::Ok);
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(1));
    }

    void theErrorBoxIsPlain() {
        MessageBox::RecordInsteadOfShowing();
        MessageBox::ShowError(nullptr, QStringLiteral("Файл поврежден"));
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].icon, MessageBox::Icon::None);
        QCOMPARE(shown[0].caption, QStringLiteral("О Ш И Б К А"));
        QCOMPARE(shown[0].text, QStringLiteral("Файл поврежден"));
        QCOMPARE(shown[0].buttons, MessageBox::Buttons::Ok);
    }

    void theRealBoxShowsWhatItWasGiven() {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QStringList buttons;
        WithNextBox([&](QMessageBox& box) {
            caption = box.windowTitle();
            text = box.text();
            icon = box.icon();
            buttons = ButtonTexts(box);
            box.defaultButton()->click();
        });
        MessageBox::ShowError(nullptr, QStringLiteral("Ошибка экспорта"));
        QCOMPARE(caption, QStringLiteral("О Ш И Б К А"));
        QCOMPARE(text, QStringLiteral("Ошибка экспорта"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons.size(), 1);
    }

    // How a real box is left: its default button, Esc, or the other button of a question.
    void theRealBoxAnswers_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("byDefault");
        QTest::addColumn<int>("answer");
        const int ok = int(MessageBox::Buttons::Ok);
        const int question = int(MessageBox::Buttons::OkCancel);
        const int yes = int(MessageBox::Answer::Ok);
        const int no = int(MessageBox::Answer::Cancel);
        QTest::newRow("one button, Enter") << ok << "enter" << yes << yes;
        QTest::newRow("one button, Esc") << ok << "escape" << yes << yes;
        QTest::newRow("question, Enter") << question << "enter" << yes << yes;
        QTest::newRow("question, Esc") << question << "escape" << yes << no;
        QTest::newRow("question, Cancel clicked") << question << "cancel" << yes << no;
        QTest::newRow("question going back by default, Enter") << question << "enter" << no << no;
        QTest::newRow("question going back by default, OK clicked") << question << "ok" << no << yes;
    }
    void theRealBoxAnswers() {
        QFETCH(int, buttons);
        QFETCH(QString, how);
        QFETCH(int, byDefault);
        QFETCH(int, answer);
        QStringList texts;
        WithNextBox([&](QMessageBox& box) {
            texts = ButtonTexts(box);
            if (how == "enter") {
                QTest::keyClick(&box, Qt::Key_Return);
            } else if (how == "escape") {
                QTest::keyClick(&box, Qt::Key_Escape);
            } else if (how == "ok") {
                box.button(QMessageBox::Ok)->click();
            } else {
                box.button(QMessageBox::Cancel)->click();
            }
        });
        const auto given = MessageBox::Show(nullptr, MessageBox::Icon::Information, QStringLiteral("Information"),
                                            QStringLiteral("Удалить все записи?"), MessageBox::Buttons(buttons),
                                            MessageBox::Position::OverParent, MessageBox::Answer(byDefault));
        QCOMPARE(int(given), answer);
        // A question's buttons are the program's own texts, whatever language Qt speaks.
        if (MessageBox::Buttons(buttons) == MessageBox::Buttons::OkCancel) {
            QCOMPARE(texts, (QStringList{"Cancel", "OK"}));
        } else {
            QCOMPARE(texts.size(), 1);
        }
    }
};

RS5_TEST_CLASS(MessageBoxTest);
#include "MessageBoxTest.moc"
