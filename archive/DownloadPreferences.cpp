#include "archive/DownloadPreferences.h"

#include <QSettings>

namespace {

const QString kPortKey = QStringLiteral("download/port");
const QString kFastKey = QStringLiteral("download/fast");
const QString kNewOnlyKey = QStringLiteral("download/new-only");

}  // namespace

DownloadPreferences::DownloadPreferences()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zarudedu"),
                                            QStringLiteral("RS5"))) {}

DownloadPreferences::DownloadPreferences(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

DownloadPreferences::~DownloadPreferences() = default;

QString DownloadPreferences::LastPort() const {
    return settings_->value(kPortKey).toString();
}

void DownloadPreferences::SetLastPort(const QString& port) {
    settings_->setValue(kPortKey, port);
    // Written now: a program that is killed later must still remember it.
    settings_->sync();
}

bool DownloadPreferences::FastDownload() const {
    return settings_->value(kFastKey, false).toBool();
}

void DownloadPreferences::SetFastDownload(bool fast) {
    settings_->setValue(kFastKey, fast);
    settings_->sync();
}

bool DownloadPreferences::NewRecordsOnly() const {
    return settings_->value(kNewOnlyKey, false).toBool();
}

void DownloadPreferences::SetNewRecordsOnly(bool newOnly) {
    settings_->setValue(kNewOnlyKey, newOnly);
    settings_->sync();
}
