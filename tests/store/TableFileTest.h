#pragma once

#include <QObject>

class TableFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void roundTripKeepsEveryField_data();
    void roundTripKeepsEveryField();
    void pendingChangesAreKeptAsAdoKeepsThem_data();
    void pendingChangesAreKeptAsAdoKeepsThem();
    void changesAfterASaveFollowTheirRows();
    void loadFailuresLeaveTableClosedOnTheFile_data();
    void loadFailuresLeaveTableClosedOnTheFile();
    void loadNeedsTheWorkingDatabase();
    void failedSaveLeavesOldFileIntact();
    void saveOfClosedTableFails();
    void unsavedChangesAreKnownUntilSaved();
    void anySourceIsSavedInTableOrderAsUnchangedRows();
    void textsLongerThanTheirFieldAreSaved_data();
    void textsLongerThanTheirFieldAreSaved();
    void narrowColumnsRefuseNumbersTheyCannotHold();
    void valuesAFileCannotGiveAreShownEmptyAndKept();
};
