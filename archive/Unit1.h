#pragma once

#include "archive/DownloadObserver.h"
#include "archive/TableRecordWriter.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>

class DownloadPreferences;
class DownloadSteps;
class ISlMainThreadCaller;
class MeasurementTable;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QtStepTimer;
class SlDownloadLink;
class StepTimer;
class TSlBuffer;
class TSlComm;

// The download dialog ("Form1"): the user picks the port and presses the start button; a timer then takes
// the meter's archive one record a step into the measurement table, and the dialog closes itself when the
// whole archive is in. Made once at start-up and shown modally again for every download; the port, its
// ring and the timer live as long as the dialog.
//
// Main thread only. The table must outlive the dialog. Errors of the start (a port that cannot be opened)
// go to the main-thread caller's HandleException, the application's error box; the download's own two messages
// go to the program's plain error box (MessageBox::ShowError).
class TForm1 : public QDialog, private DownloadObserver {
    Q_OBJECT

public:
    TForm1(MeasurementTable& table, std::shared_ptr<ISlMainThreadCaller> mainThread, QWidget* parent = nullptr);
    ~TForm1() override;

    // Offers the remembered port as the port box's text and the remembered states of the check boxes; from now
    // on a port that a download opened and every change of a check box are remembered there. Without it the
    // dialog remembers nothing.
    void RememberIn(std::shared_ptr<DownloadPreferences> preferences);
    // For tests that are not about time: `timer` (not owned; it must outlive the downloads it drives) takes the
    // place of Timer1 and calls Timer1Timer for each step; null gives the steps back to Timer1. Not while a
    // download runs.
    void UseStepTimer(StepTimer* timer);

    // The components, by their names.
    QPushButton* BitBtn1;
    QLineEdit* EditTransmit;
    QComboBox* ComboBox1;
    QProgressBar* ProgressBar1;
    QCheckBox* CheckBoxFast;  // «Быстрый приём»: the next download takes each reply as soon as it is complete
    // «Только новые записи»: the next download adds only the records that the table does not hold yet.
    QCheckBox* CheckBoxNewOnly;
    QTimer* Timer1;           // tests may shorten its interval (1000 ms)
    TSlBuffer* SlBuffer1;
    TSlComm* SlComm1;

    void BitBtn1Click();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void MakeSteps(StepTimer& timer);
    // At the end of a download: the records kept without a date and, for new records alone, how many were new.
    void ShowSummary(bool complete);

    void ReplyWaiting(int count) override;
    void ProgressRange(int count) override;
    void RecordArrived(const ArchiveBytes& staged, int k) override;
    void ProgressPosition(int k) override;
    void ShowMessage(Message message, const std::string& cause) override;
    void Ended(bool complete) override;
    int KnownRecordRun(int count) override;
    bool RecordIsKnown(const ArchiveBytes& staged, int k) override;

    std::shared_ptr<ISlMainThreadCaller> mainThread_;
    TableRecordWriter writer_;
    std::unique_ptr<SlDownloadLink> link_;
    std::unique_ptr<QtStepTimer> stepTimer_;
    QTimer* quietTimer_;
    std::unique_ptr<QtStepTimer> quietStepTimer_;
    std::shared_ptr<DownloadPreferences> preferences_;
    std::unique_ptr<DownloadSteps> steps_;
};
