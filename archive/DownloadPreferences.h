#pragma once

#include <QString>

#include <memory>

class QSettings;

// What the download dialog remembers from one run of the program to the next: the last port a download
// opened, whether the fast pace was chosen, and whether only new records are added. Main thread only.
//
// Reading never fails (a missing or unreadable store gives the defaults); writing is best effort, since losing
// a preference must never stop a download.
class DownloadPreferences {
public:
    // The platform's usual place for a user's settings: the registry under HKEY_CURRENT_USER\Software\Zarudedu\RS5
    // on Windows, ~/.config/Zarudedu/RS5.conf on Linux (XDG_CONFIG_HOME honoured).
    DownloadPreferences();
    // An INI file of the caller's choosing (tests, a portable copy of the program).
    explicit DownloadPreferences(const QString& iniFile);
    ~DownloadPreferences();

    // The last port a download opened; empty when none ever did.
    QString LastPort() const;
    void SetLastPort(const QString& port);
    // Whether downloads use the fast pace (false until chosen).
    bool FastDownload() const;
    void SetFastDownload(bool fast);
    // Whether downloads add only the records the table does not hold yet (false until chosen).
    bool NewRecordsOnly() const;
    void SetNewRecordsOnly(bool newOnly);

private:
    std::unique_ptr<QSettings> settings_;
};
