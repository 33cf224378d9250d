#include "app/DatabaseChoice.h"

#include <QSettings>

#include <optional>

namespace {

const QString kConnectionKey = QStringLiteral("database/connection");

std::optional<QString>& ThisRun() {
    static std::optional<QString> connection;
    return connection;
}

QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zarudedu"), QStringLiteral("RS5"));
}

}  // namespace

QString DatabaseChoice::Connection() {
    if (!ThisRun()) {
        ThisRun() = Settings().value(kConnectionKey).toString();
    }
    return *ThisRun();
}

void DatabaseChoice::UseForThisRun(const QString& connection) {
    ThisRun() = connection.trimmed();
}

void DatabaseChoice::Keep(const QString& connection) {
    ThisRun() = connection.trimmed();
    QSettings settings = Settings();
    settings.setValue(kConnectionKey, *ThisRun());
    settings.sync();  // written now: a program killed later still knows where its rows are
}

void DatabaseChoice::Reset() {
    ThisRun().reset();
}
