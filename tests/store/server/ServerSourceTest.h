#pragma once

#include <QObject>

// What only a server does: it can be away, go away, and be shared.
class ServerSourceTest : public QObject {
    Q_OBJECT

private slots:
    void unreachableServerIsReportedInTime_data();
    void unreachableServerIsReportedInTime();
    void killedServerLosesNoStoredRowAndIsConnectedAgain();
    void creationRefusesExistingTableAndChecksKinds();
};
