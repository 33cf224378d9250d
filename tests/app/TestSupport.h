#pragma once

#include "store/MeasurementField.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

// A fresh temporary folder made the working directory for the test's life; the previous one comes back after.
class WorkingFolder {
public:
    WorkingFolder();
    ~WorkingFolder();
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// The frame of a test class that drives the program's windows: each test function gets a fresh working folder,
// and message boxes are recorded instead of shown. A class that needs more calls these from its own init/cleanup.
class WindowTestCase : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<WorkingFolder> folder_;

protected slots:
    void init();
    void cleanup();
};

// One measurement row for seeding a database: field name and value pairs.
using SeedRow = std::vector<std::pair<QString, FieldValue>>;

// Creates "sys.mdb" in the working directory holding these rows, stored in this order.
void CreateDatabaseWithRows(const std::vector<SeedRow>& rows);

// Rows with NN 1..count, a W of 10.5, 11.5, ... and the grain "Пшеница".
std::vector<SeedRow> NumberedRows(int count);

// Calls `inspect` with the next modal window once it is open, then closes it; for code that opens a modal window
// and waits for it. Gives up (failing the test) after `timeoutMs`: generous, because a file dialog on a loaded
// machine can take seconds to open, and one that opens after the give-up would block the test for good.
void HandleNextModal(std::function<void(QWidget* modal)> inspect, int timeoutMs = 30000);

// While it lives, closes every modal window that opens (message boxes with their default button) and keeps the
// texts of the message boxes; for real boxes shown in the middle of a user action.
class ModalCloser {
public:
    ModalCloser();
    ~ModalCloser();
    QStringList Texts() const { return texts_; }

private:
    QTimer timer_;
    QStringList texts_;
};

// A key press sent where a user's key would go: the focused widget, else `fallback`.
void PressKey(QWidget* fallback, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void TypeText(QWidget* fallback, const QString& text);
