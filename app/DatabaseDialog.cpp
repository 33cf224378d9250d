#include "app/DatabaseDialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

DatabaseDialog::DatabaseDialog(QWidget* parent, ConnectionCheck check)
    : QDialog(parent), checkConnection_(std::move(check)) {
    setObjectName("DatabaseDialog");
    setWindowTitle(QStringLiteral("База данных"));
    auto* layout = new QVBoxLayout(this);

    file_ = new QRadioButton(QStringLiteral("Файл sys.mdb в рабочей папке (одно рабочее место)"), this);
    server_ = new QRadioButton(QStringLiteral("Сервер PostgreSQL (несколько рабочих мест):"), this);
    connection_ = new QLineEdit(this);
    connection_->setPlaceholderText(QStringLiteral("postgresql://lab-server/rs5  или  service=rs5"));
    auto* passwords = new QLabel(
        QStringLiteral("Пароль программа не хранит: укажите его в файле ~/.pgpass, в файле служб PostgreSQL или в "
                       "переменной окружения PGPASSWORD."),
        this);
    passwords->setWordWrap(true);
    check_ = new QPushButton(QStringLiteral("Проверить"), this);
    result_ = new QLabel(this);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));

    layout->addWidget(file_);
    layout->addWidget(server_);
    layout->addWidget(connection_);
    layout->addWidget(passwords);
    layout->addWidget(check_, 0, Qt::AlignLeft);
    layout->addWidget(result_);
    layout->addWidget(buttons);

    connect(file_, &QRadioButton::toggled, this, &DatabaseDialog::FollowChoice);
    connect(connection_, &QLineEdit::textChanged, this, &DatabaseDialog::FollowChoice);
    connect(check_, &QPushButton::clicked, this, &DatabaseDialog::Check);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SetConnection(QString());
    resize(520, sizeHint().height());
}

QString DatabaseDialog::Connection() const {
    return server_->isChecked() ? connection_->text().trimmed() : QString();
}

void DatabaseDialog::SetConnection(const QString& connection) {
    connection_->setText(connection);
    (connection.trimmed().isEmpty() ? file_ : server_)->setChecked(true);
    FollowChoice();
}

void DatabaseDialog::FollowChoice() {
    const bool server = server_->isChecked();
    connection_->setEnabled(server);
    check_->setEnabled(server && !connection_->text().trimmed().isEmpty());
    // A server without a connection string names nothing to connect to.
    ok_->setEnabled(!server || !connection_->text().trimmed().isEmpty());
    result_->clear();
}

void DatabaseDialog::Check() {
    result_->setText(QStringLiteral("Соединение…"));
    result_->repaint();  // the check may take the connection's time-out
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString reason = checkConnection_(Connection());
    QGuiApplication::restoreOverrideCursor();
    result_->setText(reason.isEmpty() ? QString::fromUtf16(kCheckedText) : QString::fromUtf16(kFailedText).arg(reason));
}
