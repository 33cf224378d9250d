#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// «База данных»: where the program keeps its measurements — "sys.mdb" in the working folder, or a table on a
// PostgreSQL server named by a libpq connection string or URI. «Проверить» tries the connection and shows libpq's
// reason when it fails. Passwords are never asked for here: libpq finds them in ~/.pgpass, a service file or the
// environment.
class DatabaseDialog : public QDialog {
    Q_OBJECT

public:
    // Tries to reach the server `connection` names and returns an empty text when it can, else the reason.
    using ConnectionCheck = std::function<QString(const QString& connection)>;

    static constexpr char16_t kCheckedText[] = u"Соединение установлено.";
    // %1 the reason.
    static constexpr char16_t kFailedText[] = u"Нет соединения: %1";

    DatabaseDialog(QWidget* parent, ConnectionCheck check);

    // Empty for "sys.mdb".
    QString Connection() const;
    void SetConnection(const QString& connection);

    // For tests.
    QRadioButton* FileChoice() const { return file_; }
    QRadioButton* ServerChoice() const { return server_; }
    QLineEdit* ConnectionEdit() const { return connection_; }
    QPushButton* CheckButton() const { return check_; }
    QLabel* CheckResult() const { return result_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void FollowChoice();
    void Check();

    ConnectionCheck checkConnection_;
    QRadioButton* file_ = nullptr;
    QRadioButton* server_ = nullptr;
    QLineEdit* connection_ = nullptr;
    QPushButton* check_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* ok_ = nullptr;
};
