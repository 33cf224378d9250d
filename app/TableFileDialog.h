#pragma once

#include <QString>

#include <optional>
#include <vector>

class QWidget;

// The file dialogs of "Сохранить" (SaveDialog1) and "Открыть" (OpenDialog1): the platform's own dialog with the one
// file type "DataBase" (*.db) and the default extension "db". Every showing goes through here, so that tests
// choose the file in advance instead of blocking on a modal dialog. The working directory is left as it is.
class TableFileDialog {
public:
    enum class Purpose { Save, Open };

    // What one showing proposed.
    struct Shown {
        Purpose purpose;
        QString title;
        QString fileName;
    };

    explicit TableFileDialog(Purpose purpose) : purpose_(purpose) {}

    // The name proposed when shown and, once accepted, the name chosen; kept from one showing to the next.
    QString FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }
    // Empty for the platform's default title.
    void SetTitle(const QString& title) { title_ = title; }

    // Shows the dialog modally over `parent`; false when the user cancels. The save dialog asks before an
    // existing file is replaced; the open dialog accepts a name of a file that does not exist.
    bool Execute(QWidget* parent);

    // For tests: from now on no dialog is shown; each is recorded and answered with the next queued choice
    // (a file name, or std::nullopt for Cancel), or cancelled when none is queued.
    static void RecordInsteadOfShowing();
    static void QueueChoice(std::optional<QString> fileName);
    static std::vector<Shown> TakeRecorded();
    static void ShowAgain();

private:
    Purpose purpose_;
    QString title_;
    QString fileName_;
};
