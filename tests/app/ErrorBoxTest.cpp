#include "app/Application.h"
#include "app/ErrorBox.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QMessageBox>
#include <QTest>

namespace {

// Throws from its event handler, as a command that does not catch its error does.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw TableError(QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset"));
        }
        return QObject::event(event);
    }
};

}  // namespace

class ErrorBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init() { MessageBox::RecordInsteadOfShowing(); }
    void cleanup() { MessageBox::ShowAgain(); }

    void fullStopRule_data() {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ends in a letter") << "Field 'X' not found"
                                          << "Field 'X' not found.";
        QTest::newRow("ends in a digit") << "error 5"
                                         << "error 5.";
        QTest::newRow("ends in a Cyrillic letter") << "Файл поврежден"
                                                   << "Файл поврежден.";
        QTest::newRow("ends in a slash, above the full stop") << "a/"
                                                              << "a/.";
        QTest::newRow("ends in a full stop") << "Could not find file 'sys.mdb'."
                                             << "Could not find file 'sys.mdb'.";
        QTest::newRow("ends in an exclamation mark") << "Готово!"
                                                     << "Готово!";
        QTest::newRow("ends in a closing parenthesis") << "failed (2)"
                                                       << "failed (2)";
        QTest::newRow("ends in a quote") << "'abc' is not a valid integer value for field 'NN'"
                                         << "'abc' is not a valid integer value for field 'NN'";
        QTest::newRow("ends in a hyphen, below the full stop") << "a-"
                                                               << "a-";
        QTest::newRow("ends in a blank") << "a "
                                         << "a ";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStopRule() {
        QFETCH(QString, error);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBox::TextFor(error), shown);
    }

    void commandErrorsReachTheBox() {
        ErrorBox::RunCommand(
            [] { throw TableError(QStringLiteral("ADOTable1: Cannot perform this operation on an empty dataset")); });
        ErrorBox::RunCommand([] { throw 42; });
        bool ran = false;
        ErrorBox::RunCommand([&] { ran = true; });

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[0].text, QStringLiteral("ADOTable1: Cannot perform this operation on an empty dataset."));
        QCOMPARE(shown[0].caption, QStringLiteral("Zarudedu-РС5 Нирма"));
        QCOMPARE(int(shown[0].icon), int(MessageBox::Icon::Stop));
        QCOMPARE(int(shown[0].buttons), int(MessageBox::Buttons::Ok));
        // An error that carries no text gives a box with an empty text.
        QCOMPARE(shown[1].text, QString());
        QVERIFY(ran);
    }

    void errorsOfEventHandlersAreCaughtByTheApplication() {
        ThrowingObject receiver;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&receiver, &event);

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset."));
    }

    void theRealBoxShowsTextCaptionIconAndOk() {
        MessageBox::ShowAgain();
        QString text, caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        HandleNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            text = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            buttons = int(box->buttons().size());
        });
        ErrorBox::Show(QStringLiteral("Field 'Op' not found"));
        QCOMPARE(text, QStringLiteral("Field 'Op' not found."));
        QCOMPARE(caption, QStringLiteral("Zarudedu-РС5 Нирма"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, 1);
    }
};

RS5_TEST_CLASS(ErrorBoxTest);

#include "ErrorBoxTest.moc"
