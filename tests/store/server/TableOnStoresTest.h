#pragma once

#include <QObject>

// The table's operations on every kind of working database: each function runs once per engine.
class TableOnStoresTest : public QObject {
    Q_OBJECT

private slots:
    void editsAreStoredAtOnceAndKept_data();
    void editsAreStoredAtOnceAndKept();
    void pendingRowStoredAtClose_data();
    void pendingRowStoredAtClose();
    void fieldsAreChecked_data();
    void fieldsAreChecked();
    void deletingSelectedRowsStopsAtRowDeletedElsewhere_data();
    void deletingSelectedRowsStopsAtRowDeletedElsewhere();
    void deleteRowsGoesInOneCall_data();
    void deleteRowsGoesInOneCall();
    void storeReadsRowsByPositionWhileRowsGo_data();
    void storeReadsRowsByPositionWhileRowsGo();
    void storeTellsOfChanges_data();
    void storeTellsOfChanges();
    void rowsReadFollowDeletionsAndPendingRows_data();
    void rowsReadFollowDeletionsAndPendingRows();
    void walkPassesRowsDeletedElsewhere_data();
    void walkPassesRowsDeletedElsewhere();
    void othersChangesAreTakenIn_data();
    void othersChangesAreTakenIn();
    void rowEditedAtTwoStations_data();
    void rowEditedAtTwoStations();
};
