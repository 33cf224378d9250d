#include "tests/app/TestSupport.h"

#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>

WorkingFolder::WorkingFolder() : previous_(QDir::currentPath()) {
    QVERIFY(dir_.isValid());
    QVERIFY(QDir::setCurrent(dir_.path()));
}

WorkingFolder::~WorkingFolder() {
    QDir::setCurrent(previous_);
}

void WindowTestCase::init() {
    MessageBox::RecordInsteadOfShowing();
    folder_ = std::make_unique<WorkingFolder>();
}

void WindowTestCase::cleanup() {
    folder_.reset();
    MessageBox::ShowAgain();
}

void CreateDatabaseWithRows(const std::vector<SeedRow>& rows) {
    CreateWorkingDatabase(QStringLiteral("sys.mdb"));
    MeasurementTable table(std::make_unique<DatabaseSource>(QStringLiteral("sys.mdb")));
    table.OpenTable();
    for (const SeedRow& row : rows) {
        table.InsertRow();
        for (const auto& [name, value] : row) {
            table.SetField(name, value);
        }
        table.PostRow();
    }
    table.Close();
}

std::vector<SeedRow> NumberedRows(int count) {
    std::vector<SeedRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back({{"NN", std::int32_t(i + 1)}, {"W", 10.5 + i}, {"Vid", QStringLiteral("Пшеница")}});
    }
    return rows;
}

void HandleNextModal(std::function<void(QWidget* modal)> inspect, int timeoutMs) {
    auto* timer = new QTimer(qApp);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, started, inspect, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && started->elapsed() < timeoutMs) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (!modal) {
            QFAIL("no modal window opened");
            return;
        }
        inspect(modal);
        modal->close();
    });
    timer->start();
}

ModalCloser::ModalCloser() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                texts_ << box->text();
            }
            modal->close();
        }
    });
    timer_.start();
}

ModalCloser::~ModalCloser() {
    timer_.stop();
}

void PressKey(QWidget* fallback, int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void TypeText(QWidget* fallback, const QString& text) {
    // QTest's own typing goes through Latin-1; a user's keyboard sends any character.
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
        const int key = c.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
        target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &release);
    }
}
