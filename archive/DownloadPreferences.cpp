#include "archive/DownloadPreferences.h"

#include <QSettings>

namespace {

const QString PortKey = QStringLiteral("download/port");
const QString FastKey = QStringLiteral("download/fast");

}  // namespace

DownloadPreferences::DownloadPreferences()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zarudedu"),
                                            QStringLiteral("RS5"))) {}

DownloadPreferences::DownloadPreferences(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

DownloadPreferences::~DownloadPreferences() = default;

QString DownloadPreferences::LastPort() const {
    return settings_->value(PortKey).toString();
}

void DownloadPreferences::SetLastPort(const QString& port) {
    settings_->setValue(PortKey, port);
    // Written now: a program that is killed later must still remember it.
    settings_->sync();
}

bool DownloadPreferences::FastDownload() const {
    return settings_->value(FastKey, false).toBool();
}

void DownloadPreferences::SetFastDownload(bool fast) {
    settings_->setValue(FastKey, fast);
    settings_->sync();
}
