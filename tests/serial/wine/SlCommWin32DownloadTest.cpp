// The meter's archive downloaded through the port's Windows backend, under Wine, from the meter simulator that
// rs5-pty-peer serves on a pseudo-terminal. Apart from the port test: windows.h and the protocol's names clash.

#include "archive/ArchiveRecord.h"
#include "archive/DownloadSteps.h"
#include "archive/SlDownloadLink.h"
#include "archive/StepTimer.h"
#include "serial/SlBuffer.h"
#include "serial/SlComm.h"
#include "tests/serial/TestMainLoop.h"
#include "tools/meter-sim/ArchiveGenerator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The download dialog's timer, run by the test's main loop.
class LoopStepTimer : public StepTimer {
public:
    void Start() override {
        running = true;
        due = std::chrono::steady_clock::now() + period;
    }
    void Stop() override { running = false; }

    bool running = false;
    std::chrono::steady_clock::time_point due;
    std::chrono::milliseconds period{300};
};

class RecordingObserver : public DownloadObserver {
public:
    void ReplyWaiting(int) override {}
    void ProgressRange(int count) override { range = count; }
    void RecordArrived(const ArchiveBytes& staged, int k) override {
        records.push_back(ArchiveRecordFromBytes(staged.Record(k)));
    }
    void ProgressPosition(int) override {}
    void ShowMessage(Message message, const std::string& cause) override {
        messages.push_back(std::string(DownloadMessageText(message)) + " / " + cause);
    }
    void Ended(bool isComplete) override {
        ended = true;
        complete = isComplete;
    }

    int range = -1;
    std::vector<ArchiveRecord> records;
    std::vector<std::string> messages;
    bool ended = false;
    bool complete = false;
};

// The archive's steps through the Windows link against the meter simulator (rs5-pty-peer --meter serves it
// on COM6 with five generated records, seed 1).
TEST(Win32Download, TheWholeArchiveComesThroughTheWindowsLink) {
    const char* meterPort = std::getenv("RS5_METER_PORT");
    if (meterPort == nullptr) {
        GTEST_SKIP() << "no meter simulator: rs5-pty-peer ran without --meter";
    }
    auto loop = std::make_shared<TestMainLoop>();
    TSlComponent form{nullptr};
    auto* port = new TSlComm(&form, loop);
    auto* ring = new TSlBuffer(&form);
    SlDownloadLink::ApplyMeterSettings(*port);
    ring->SetSize(4096);
    ring->SetActive(true);
    ring->SetComm(port);
    SlDownloadLink link(*port, *ring);
    LoopStepTimer timer;
    RecordingObserver observer;
    DownloadSteps steps(link, timer, observer);

    steps.Start(meterPort);
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (steps.Running() && std::chrono::steady_clock::now() < end) {
        loop->ProcessEvents(10ms);
        if (timer.running && std::chrono::steady_clock::now() >= timer.due) {
            timer.running = false;
            steps.Step();
        }
    }
    EXPECT_TRUE(observer.ended);
    EXPECT_TRUE(observer.complete);
    EXPECT_TRUE(observer.messages.empty()) << observer.messages.front();
    EXPECT_EQ(observer.range, 5);
    EXPECT_EQ(observer.records, GenerateArchive(5, 1));
    EXPECT_FALSE(port->Active());
    EXPECT_TRUE(loop->Errors.empty()) << loop->Errors.front();
}

}  // namespace
