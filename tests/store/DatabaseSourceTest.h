#pragma once

#include <QObject>

class DatabaseSourceTest : public QObject {
    Q_OBJECT

private slots:
    void roundTrip();
    void changesAreCommittedAtOnce();
    void createRefusesExistingFile();
    void unusableDatabase_data();
    void unusableDatabase();
    void connectReportsMissingFileApartFromOpening();
    void pendingRowStoredAtClose();
    void valuesThatDoNotFitAreShownEmptyAndKept();
    void fileWithoutWritePermissionIsOpenedReadOnly();
    void concurrentCreationGivesOneCompleteDatabase();
    void failedFillLeavesNoDatabase();
    void dateTimesKeepWallClockInAnyZone();
    void storeReadsRowsByPositionWhileRowsGo();
    void readAllSpansChunksAndCountsBadValuesOfEach();
    void storeTellsOfChanges();
    void deletingSelectedRowsStopsAtRowDeletedElsewhere();
    void rowsAreReadAsShownWhereverTheyAre();
};
