#pragma once

#include <QObject>

class MeasurementTableTest : public QObject {
    Q_OBJECT

private slots:
    void operationsOnClosedTable_data();
    void operationsOnClosedTable();
    void openingReadsWholeSourceOnce();
    void fieldErrors_data();
    void fieldErrors();
    void stateErrors();
    void insertRowBeginsAboveCurrentRow();
    void downloadLeavesLastRowPendingUntilSettled();
    void settleStoresAssignedRowsOnly_data();
    void settleStoresAssignedRowsOnly();
    void discardDropsEvenAssignedRows_data();
    void discardDropsEvenAssignedRows();
    void deleteRowMovesCurrentRow_data();
    void deleteRowMovesCurrentRow();
    void deleteRowDropsPendingEdit();
    void deleteSelectedRows_data();
    void deleteSelectedRows();
    void deleteSelectedRowsSettlesPendingRowFirst();
    void deleteRowsDoesWhatDeleteRowDoesTimesCount_data();
    void deleteRowsDoesWhatDeleteRowDoesTimesCount();
    void failedChangesLeaveTableAsItWas();
    void editWritesAssignedFieldsOnly();
    void moveToKeepsTargetAcrossSettle();
    void rowIdsFollowRows();
    void observerSeesPairedNotifications();
    void pendingRowIsStoredAtProgramEnd();
};
