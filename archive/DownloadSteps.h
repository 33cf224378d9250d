#pragma once

#include "ArchiveBytes.h"
#include "DownloadObserver.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

class DownloadLink;
class StepTimer;

// The messages of a download and their box's caption (UTF-8).
inline constexpr char MeterNotConnectedMessage[] =
    "Прибор не подключен. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор "
    "находится в режиме связи с ПК";
inline constexpr char TransferErrorMessage[] =
    "Ошибка передачи данных. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор "
    "находится в режиме связи с ПК";
inline constexpr char DownloadMessageCaption[] = "О Ш И Б К А";

const char* DownloadMessageText(DownloadObserver::Message message);

// One download of the meter's archive, one request at a time, driven by a timer: Start sends the header
// request; each Step takes the reply to the previous request, decodes it and sends the next request. An
// archive of n records takes n + 2 steps. Widget-free, so the dialog and the command line share it.
//
// A reply is only the bytes received since its request was sent, at most ReplyAreaSize of them (the rest
// is dropped). An empty reply shows MeterNotConnected and ends the download, unless bytes came while the
// message was shown. A reply too short for its data is never decoded: the step waits one more period for
// the rest, and a reply still short then ends the download with TransferError, as does any error during a
// step. Every end closes the port and stops the timer; the observer hears Ended either way. The message of a
// failure is shown in every case, also when the observer's Ended throws as well, with the text of each error
// that caused it.
//
// Main thread only. Link, timer and observer are not owned and must outlive the steps.
class DownloadSteps {
public:
    enum class State { AwaitHeader, NextRequest, AwaitRecord };

    static constexpr std::size_t ReplyAreaSize = 2000;

    DownloadSteps(DownloadLink& link, StepTimer& timer, DownloadObserver& observer);

    // Opens the named port, sends the header request and starts the timer. Errors of the port (a refused
    // name, a device that cannot be opened) propagate, with the port closed and the timer stopped.
    void Start(const std::string& deviceName);
    // One step; called by the timer. Never throws: failures end the download.
    void Step() noexcept;
    // Ends a running download between steps, as when the user interrupts it: the timer stops, the port closes
    // and the observer hears Ended(false); no message. Does nothing when no download runs. Throws what the
    // observer's Ended throws.
    void Cancel();

    bool Running() const { return running_; }
    State CurrentState() const { return state_; }
    int ArchiveCount() const { return archiveCount_; }

private:
    void TakeStep();
    // Adds the waiting bytes to the reply; false when the step must not go on (waiting or ended).
    bool TakeReply();
    void SendNextRequest();
    void Send(const std::string& request);
    void Finish(bool complete);
    void Fail(DownloadObserver::Message message, std::string cause);

    DownloadLink& link_;
    StepTimer& timer_;
    DownloadObserver& observer_;
    ArchiveBytes staged_;
    State state_ = State::NextRequest;
    std::uint32_t archiveAddress_ = 0;
    int archiveCount_ = 0;
    std::string reply_;
    bool waitedForRest_ = false;
    bool running_ = false;
};
