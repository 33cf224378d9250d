// The port on real pseudo-terminals: the test plays the far end. Received bytes must reach the port's
// clients only through the event thread's hand-over, on the main thread, in order.

#include "archive/SlDownloadLink.h"
#include "serial/SlBuffer.h"
#include "serial/SlClock.h"
#include "serial/SlComm.h"
#include "serial/SlCommEventThread.h"
#include "tests/serial/PseudoTerminal.h"
#include "tests/serial/RecordingClock.h"
#include "tests/serial/TestMainLoop.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ESlCommError& error) {
        return error.what();
    }
    return "<no error>";
}

double ProcessCpuMilliseconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return double(used.tv_sec) * 1000.0 + double(used.tv_nsec) / 1e6;
}

// Records the bytes it is given and the thread it was given them on.
class ThreadCheckingClient : public TSlCommComponent {
public:
    using TSlCommComponent::TSlCommComponent;
    void DataChanged(const void* data, int count) override {
        bytes.append(static_cast<const char*>(data), std::size_t(count));
        ++blocks;
        onMainThread = onMainThread && std::this_thread::get_id() == mainThread;
    }
    void LineChanged(std::uint32_t events) override { lineEvents.push_back(events); }

    std::string bytes;
    int blocks = 0;
    bool onMainThread = true;
    std::vector<std::uint32_t> lineEvents;
    std::thread::id mainThread = std::this_thread::get_id();
};

// The port's pause on closing is not what these tests are about: it returns at once, and one test checks that the
// system's clock still really pauses.
struct PtyFixture : ::testing::Test {
    std::shared_ptr<TestMainLoop> loop = std::make_shared<TestMainLoop>();
    std::shared_ptr<RecordingClock> clock = std::make_shared<RecordingClock>();
    PseudoTerminal peer;
    TSlComponent form{nullptr};
    TSlComm* port = new TSlComm(&form, loop);
    TSlBuffer* ring = new TSlBuffer(&form);

    void SetUp() override {
        // The download dialog's port and ring.
        port->SetClock(clock);
        SlDownloadLink::ApplyMeterSettings(*port);
        port->SetPortNum(1);
        port->SetDeviceName(peer.SlavePath());
        ring->SetSize(4096);
        ring->SetActive(true);
        ring->SetComm(port);
    }

    std::string TakeRing() {
        std::string bytes(std::size_t(ring->BufUsed()), '\0');
        ring->Read(bytes.data(), int(bytes.size()));
        return bytes;
    }
};

TEST_F(PtyFixture, OpensWithTheMeterSettingsAndWritesDirectly) {
    port->Open();
    ASSERT_TRUE(port->Active());
    EXPECT_EQ(port->EventMask(), 0x85u);
    EXPECT_NE(port->EventThread(), nullptr);
    EXPECT_EQ(port->WriteThread(), nullptr);
    const PseudoTerminal::Settings line = peer.LineSettings();
    EXPECT_EQ(line.Speed, 9600u);
    EXPECT_EQ(line.ControlFlags & PtyFlags::kCsize, PtyFlags::kCs8);
    EXPECT_EQ(line.ControlFlags & (PtyFlags::kParenb | PtyFlags::kCstopb | PtyFlags::kCrtscts), 0u);
    EXPECT_EQ(line.InputFlags & (PtyFlags::kIxon | PtyFlags::kIxoff), 0u);

    EXPECT_TRUE(
        port->WriteText("\x1b"
                        "A200000\r"));
    EXPECT_TRUE(port->WriteText(""));
    EXPECT_EQ(peer.Read(9, 2s),
              "\x1b"
              "A200000\r");
    EXPECT_EQ(ErrorOf([&] { port->Open(); }), "Can't perform this operation while port is open");
    EXPECT_TRUE(port->Active());
}

TEST_F(PtyFixture, ADirectWriteIsFollowedByTransmitEmptyOnTheMainThread) {
    auto* client = new ThreadCheckingClient(&form);
    client->SetComm(port);
    int txEmpty = 0;
    bool onMainThread = true;
    port->OnTxEmpty = [&](TSlComponent*) {
        ++txEmpty;
        onMainThread = onMainThread && std::this_thread::get_id() == client->mainThread;
    };
    port->Open();
    EXPECT_TRUE(port->WriteText("request"));
    ASSERT_TRUE(loop->RunUntil([&] { return txEmpty == 1; }, 2s));
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(client->lineEvents, std::vector<std::uint32_t>{EV_TXEMPTY});
    loop->ProcessEvents(100ms);
    EXPECT_EQ(txEmpty, 1);  // once per write, not again while the line is idle
}

TEST_F(PtyFixture, BurstsAndSplitRepliesArriveInOrderOnTheMainThreadOnly) {
    auto* client = new ThreadCheckingClient(&form);
    client->SetComm(port);
    port->Open();
    std::string sent;
    for (int burst = 0; burst < 20; ++burst) {
        std::string bytes;
        for (int i = 0; i < 37 + burst * 11; ++i) {
            bytes += char('0' + (burst + i) % 16);
        }
        // Sent in two pieces with a pause: a reply cut in the middle, as the meter's may be.
        peer.Write(bytes.substr(0, bytes.size() / 3));
        loop->ProcessEvents(5ms);
        peer.Write(bytes.substr(bytes.size() / 3));
        sent += bytes;
    }
    ASSERT_TRUE(loop->RunUntil([&] { return client->bytes.size() >= sent.size(); }, 5s));
    EXPECT_EQ(client->bytes, sent);
    EXPECT_TRUE(client->onMainThread);
    EXPECT_EQ(TakeRing(), sent);  // the ring got the same bytes

    // Arrivals while the main thread is busy are merged into few hand-overs.
    const int blocksBefore = client->blocks;
    for (int i = 0; i < 10; ++i) {
        peer.Write("0123456789");
        std::this_thread::sleep_for(2ms);
    }
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(loop->RunUntil([&] { return ring->BufUsed() == 100; }, 5s));
    EXPECT_LT(client->blocks - blocksBefore, 10);  // fewer hand-overs than arrivals
    std::string expected;
    for (int i = 0; i < 10; ++i) {
        expected += "0123456789";
    }
    EXPECT_EQ(TakeRing(), expected);
}

TEST_F(PtyFixture, BytesQueuedBeforeOpenAreDeliveredToo) {
    port->Open();
    port->Close();
    peer.Write("early");  // arrives while nobody watches the device
    port->Open();
    ASSERT_TRUE(loop->RunUntil([&] { return ring->BufUsed() == 5; }, 2s));
    EXPECT_EQ(TakeRing(), "early");
}

TEST_F(PtyFixture, CloseDuringAHandOverDeliversNothingAndTheThreadEnds) {
    int closes = 0;
    port->OnClose = [&](TSlComponent*) { ++closes; };
    port->Open();
    std::weak_ptr<TSlCommEventThread> thread = port->EventThread();
    peer.Write("late reply");
    ASSERT_TRUE(loop->WaitForTask(2s));  // the event thread now waits for the main thread
    port->SetClock(SlSystemClock());
    const auto start = std::chrono::steady_clock::now();
    port->Close();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(port->EventThread(), nullptr);
    ASSERT_TRUE(loop->RunUntil([&] { return thread.expired(); }, 2s));
    EXPECT_EQ(ring->BufUsed(), 0);

    port->Close();  // closed already: no pause, no OnClose
    EXPECT_EQ(closes, 1);
}

TEST_F(PtyFixture, IdleThreadEndsOnCloseWithoutAHandOver) {
    port->Open();
    std::weak_ptr<TSlCommEventThread> thread = port->EventThread();
    EXPECT_FALSE(loop->WaitForTask(200ms));
    port->Close();
    EXPECT_EQ(clock->Pauses(), std::vector<std::uint32_t>{300});
    for (int i = 0; i < 500 && !thread.expired(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(thread.expired());
    EXPECT_FALSE(loop->WaitForTask(0ms));
}

TEST_F(PtyFixture, ASecondOpenerIsRefusedAndTheFirstKeepsTheDevice) {
    port->Open();
    TSlComm second(nullptr, loop);
    second.SetClock(clock);
    second.SetDeviceName(peer.SlavePath());
    const std::string error = ErrorOf([&] { second.Open(); });
    EXPECT_EQ(error.rfind("Can't open specified device " + peer.SlavePath() + " (Error 16, Device or resource busy", 0),
              0u)
        << error;
    EXPECT_FALSE(second.Active());
    EXPECT_TRUE(port->WriteText("still mine"));
    EXPECT_EQ(peer.Read(10, 2s), "still mine");
    port->Close();
    second.Open();  // free again once closed
    EXPECT_TRUE(second.Active());
}

TEST_F(PtyFixture, MissingDevicesAreNamedInTheMessage) {
    port->SetDeviceName("/dev/rs5-no-such-port");
    EXPECT_EQ(ErrorOf([&] { port->Open(); }), "Specified device not found (/dev/rs5-no-such-port).");
    EXPECT_FALSE(port->Active());
    EXPECT_EQ(ErrorOf([&] { port->ResetPortParameters(); }), "Error reading default port parameters.");
    port->SetDeviceName(peer.SlavePath());
    port->Open();
    EXPECT_TRUE(port->Active());
}

TEST_F(PtyFixture, ComNamesUseThePortsFolderThenTheSerialDevices) {
    const std::filesystem::path config =
        std::filesystem::temp_directory_path() / ("rs5-serial-" + std::to_string(getpid()));
    std::filesystem::create_directories(config / "zarudedu-rs5" / "ports");
    std::filesystem::create_symlink(peer.SlavePath(), config / "zarudedu-rs5" / "ports" / "com7");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    std::vector<std::string> names;
    TSlCustomComm::GetComPortNames(names);
    EXPECT_EQ(names.empty() ? "" : names.front(), "COM7");

    port->SetDeviceName("COM%d");
    port->SetPortNum(7);
    port->Open();
    EXPECT_TRUE(port->WriteText("via COM7"));
    EXPECT_EQ(peer.Read(8, 2s), "via COM7");
    port->Close();

    port->SetDeviceName("com250");  // no link: /dev/ttyS249, which does not exist
    EXPECT_EQ(ErrorOf([&] { port->Open(); }), "Specified device not found (com250).");

    unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(config);
}

TEST_F(PtyFixture, LineSettingsReachTheOpenDevice) {
    port->Open();
    port->SetUserBaudrate(250000);
    EXPECT_EQ(peer.LineSettings().Speed, 250000u);
    for (TSlBaudrate rate : {TSlBaudrate::br14400, TSlBaudrate::br56000, TSlBaudrate::br128000, TSlBaudrate::br256000,
                             TSlBaudrate::br110}) {
        port->SetBaudrate(rate);
        EXPECT_EQ(peer.LineSettings().Speed, BaudrateValue(rate));
    }
    // A pseudo-terminal keeps 8 data bits and clears PARENB itself; the other bits show what was sent.
    port->SetParity(TSlParity::paMark);
    EXPECT_EQ(peer.LineSettings().ControlFlags & (PtyFlags::kParodd | PtyFlags::kCmspar),
              PtyFlags::kParodd | PtyFlags::kCmspar);
    port->SetParity(TSlParity::paSpace);
    EXPECT_EQ(peer.LineSettings().ControlFlags & (PtyFlags::kParodd | PtyFlags::kCmspar), PtyFlags::kCmspar);
    port->SetParity(TSlParity::paNone);
    EXPECT_EQ(peer.LineSettings().ControlFlags & (PtyFlags::kParodd | PtyFlags::kCmspar), 0u);
    port->SetStopbits(TSlStopbits::sb2);
    EXPECT_EQ(peer.LineSettings().ControlFlags & PtyFlags::kCstopb, PtyFlags::kCstopb);

    TSlFlowControl flow;
    flow.SetXonXoffIn(true);
    flow.SetXonXoffOut(true);
    flow.SetControlRts(TSlControlRts::rtsHandshake);
    port->SetFlowControl(flow);
    port->EventChars().SetXonChar('Q');
    const PseudoTerminal::Settings line = peer.LineSettings();
    EXPECT_EQ(line.InputFlags & (PtyFlags::kIxon | PtyFlags::kIxoff), PtyFlags::kIxon | PtyFlags::kIxoff);
    EXPECT_EQ(line.ControlFlags & PtyFlags::kCrtscts, PtyFlags::kCrtscts);
    EXPECT_EQ(line.Start, 'Q');

    // What the platform lacks is refused with the record's message; the port stays open with the new value.
    EXPECT_EQ(ErrorOf([&] { port->SetStopbits(TSlStopbits::sb15); }), "Error writing dcb (22), Invalid argument");
    EXPECT_EQ(port->Stopbits(), TSlStopbits::sb15);
    EXPECT_TRUE(port->Active());
    port->SetStopbits(TSlStopbits::sb1);
    EXPECT_EQ(ErrorOf([&] { port->SetDatabits(TSlDatabits::db4); }), "Error writing dcb (22), Invalid argument");
    port->Close();
    EXPECT_EQ(ErrorOf([&] { port->Open(); }), "Error writing dcb (22), Invalid argument");
    EXPECT_FALSE(port->Active());
}

TEST_F(PtyFixture, WithoutUpdateDcbNoSettingReachesTheDevice) {
    port->SetUpdateDCB(false);
    port->SetBaudrate(TSlBaudrate::br56000);
    port->Open();
    EXPECT_NE(peer.LineSettings().Speed, 56000u);
    port->SetUserBaudrate(250000);
    EXPECT_NE(peer.LineSettings().Speed, 250000u);
    EXPECT_EQ(ErrorOf([&] { port->SetUpdateDCB(true); }), "Can't perform this operation while port is open");
}

TEST_F(PtyFixture, BufferSettingsWhileOpenAreStoredButRefused) {
    port->Open();
    EXPECT_EQ(ErrorOf([&] { port->Buffers().SetReadSize(1024); }), "Can't perform this operation while port is open");
    EXPECT_EQ(port->Buffers().ReadSize(), 1024);
    port->Buffers().SetWriteTimeout(50);  // time-outs are plain values
    EXPECT_EQ(port->Buffers().WriteTimeout(), 50);
    EXPECT_EQ(ErrorOf([&] { port->SetDeviceName("COM2"); }), "Can't perform this operation while port is open");
    EXPECT_EQ(ErrorOf([&] { port->SetBuffers(TSlBuffers()); }), "Can't perform this operation while port is open");
    EXPECT_EQ(port->DeviceName(), peer.SlavePath());
}

TEST_F(PtyFixture, PseudoTerminalsHaveNoModemLinesButOpenAndConfigure) {
    port->FlowControl().SetControlDtr(TSlControlDtr::dtrEnabled);
    port->Open();
    EXPECT_EQ(ErrorOf([&] { port->SetDTR(true); }),
              "Error calling comm function (25), Inappropriate ioctl for device; this device has no modem lines");
    EXPECT_EQ(ErrorOf([&] { port->GetModemStatus(1); }),
              "Error reading modem state (25), Inappropriate ioctl for device; this device has no modem lines");
    port->SetBreak(true);
    port->SetBreak(false);
    port->GetProperties();
    EXPECT_EQ(port->CommProp().dwProvSubType, 1u);
}

TEST_F(PtyFixture, PurgeReadDropsWhatTheDeviceHolds) {
    port->SetMonitorEvents(0);  // no event thread: bytes stay in the device
    port->Open();
    EXPECT_EQ(port->EventThread(), nullptr);
    peer.Write("stale bytes");
    for (int i = 0; i < 100 && port->ReadBufUsed() < 11; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(port->ReadBufUsed(), 11);
    port->PurgeRead();
    EXPECT_EQ(port->ReadBufUsed(), 0);
    peer.Write("ok");
    loop->ProcessEvents(100ms);
    EXPECT_EQ(ring->BufUsed(), 0);  // nothing is ever delivered without events
    EXPECT_EQ(port->ReadText(), "ok");
}

TEST_F(PtyFixture, WithoutClientsOnlyTheCountIsReportedOnce) {
    ring->SetComm(nullptr);
    std::vector<int> counts;
    port->OnRxChar = [&](TSlComponent*, int count) { counts.push_back(count); };
    port->Open();
    peer.Write("12345");
    ASSERT_TRUE(loop->RunUntil([&] { return !counts.empty(); }, 2s));
    loop->ProcessEvents(300ms);  // the bytes stay unread: that alone must not wake the thread again
    EXPECT_EQ(counts, std::vector<int>{5});
    EXPECT_EQ(port->ReadText(), "12345");
}

TEST_F(PtyFixture, DirectWriteTimesOutWhileOutputIsHeld) {
    port->Buffers().SetWriteTimeout(200);
    port->Open();
    port->SetXon(false);  // output held, as by a received XOFF
    const std::string big(200000, 'x');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port->WriteText(big));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    EXPECT_TRUE(port->Active());
    port->SetXon(true);
    port->PurgeWrite();
}

TEST_F(PtyFixture, TheVanishedDeviceIsReportedOnceAndCostsNoCpu) {
    auto* client = new ThreadCheckingClient(&form);
    client->SetComm(port);
    std::vector<int> errors;
    port->OnError = [&](TSlComponent*, int bits) { errors.push_back(bits); };
    port->Open();
    std::weak_ptr<TSlCommEventThread> thread = port->EventThread();
    peer.Hangup();
    ASSERT_TRUE(loop->RunUntil([&] { return !errors.empty(); }, 2s))
        << "line events " << client->lineEvents.size() << ", errors " << loop->Errors.size()
        << (loop->Errors.empty() ? "" : loop->Errors.front());
    EXPECT_EQ(errors, std::vector<int>{int(CE_IOE)});

    const double before = ProcessCpuMilliseconds();
    loop->ProcessEvents(2s);  // the main thread sleeps in its loop; any cost now is the link's
    const double used = ProcessCpuMilliseconds() - before;
    EXPECT_LT(used, 50.0);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(client->lineEvents, std::vector<std::uint32_t>{EV_ERR});
    EXPECT_EQ(ErrorOf([&] { port->WriteText("gone"); }), "Write error (5), Input/output error");
    port->Close();
    ASSERT_TRUE(loop->RunUntil([&] { return thread.expired(); }, 2s));
    RecordProperty("cpu_ms_after_hangup", std::to_string(used));
}

TEST_F(PtyFixture, HandlerExceptionsReachTheApplicationAndTheLinkCarriesOn) {
    ring->OnChange = [](TSlComponent*) { throw ESlCommError("ring handler failed"); };
    port->Open();
    peer.Write("a");
    ASSERT_TRUE(loop->RunUntil([&] { return loop->Errors.size() == 1; }, 2s));
    peer.Write("b");
    ASSERT_TRUE(loop->RunUntil([&] { return loop->Errors.size() == 2; }, 2s));
    ring->OnChange = nullptr;
    EXPECT_EQ(TakeRing(), "ab");
    EXPECT_EQ(loop->Errors.front(), "ring handler failed");
}

TEST_F(PtyFixture, LoadedOpensAnAutoOpenPortAndOnOpenErrorsGoToTheApplication) {
    port->SetAutoOpen(true);
    port->OnOpen = [](TSlComponent*) { throw ESlCommError("open handler failed"); };
    form.Loaded();
    EXPECT_TRUE(port->Active());
    EXPECT_EQ(loop->Errors, std::vector<std::string>{"open handler failed"});
}

TEST_F(PtyFixture, ResetPortParametersTakesTheDeviceDefaults) {
    port->SetBaudrate(TSlBaudrate::br110);
    port->SetDatabits(TSlDatabits::db5);
    port->ResetPortParameters();
    EXPECT_EQ(port->Baudrate(), TSlBaudrate::br9600);
    EXPECT_EQ(port->Databits(), TSlDatabits::db8);
    EXPECT_EQ(port->FlowControl().ControlDtr(), TSlControlDtr::dtrEnabled);
    EXPECT_EQ(port->FlowControl().ControlRts(), TSlControlRts::rtsEnabled);
}

// Queued writing: the port without DirectWrite, output held so that the queue fills.
struct QueuedPtyFixture : PtyFixture {
    int txEmpty = 0;
    void SetUp() override {
        PtyFixture::SetUp();
        port->SetDirectWrite(false);
        port->Buffers().SetWriteTimeout(200);
        port->OnTxEmpty = [this](TSlComponent*) { ++txEmpty; };
        port->Open();
    }
    void HoldOutputAndWaitForTheThread() { port->SetXon(false); }
};

TEST_F(QueuedPtyFixture, TheQueueTakesUpToItsSizeAndRefusesMoreAfterTheTimeout) {
    EXPECT_EQ(port->EventMask(), 0x81u);
    ASSERT_NE(port->WriteThread(), nullptr);
    HoldOutputAndWaitForTheThread();
    const std::string first(2000, 'a');
    EXPECT_TRUE(port->WriteText(first));
    EXPECT_EQ(port->WriteBufUsed(), 2000);
    EXPECT_TRUE(port->WriteText(std::string(48, 'b')));  // exactly fills 2048
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] { port->WriteText("c"); }), "Output buffer is full. Please check comm status.");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    EXPECT_EQ(txEmpty, 0);

    port->SetXon(true);
    EXPECT_EQ(peer.Read(2048, 3s), first + std::string(48, 'b'));
    ASSERT_TRUE(loop->RunUntil([&] { return txEmpty == 1; }, 2s));
    loop->ProcessEvents(50ms);
    EXPECT_EQ(txEmpty, 1);
    EXPECT_EQ(port->WriteBufUsed(), 0);
}

TEST_F(QueuedPtyFixture, ALargerWriteSizeAfterOpenNeverOverrunsTheQueue) {
    HoldOutputAndWaitForTheThread();
    EXPECT_EQ(ErrorOf([&] { port->Buffers().SetWriteSize(8192); }), "Can't perform this operation while port is open");
    EXPECT_EQ(ErrorOf([&] { port->WriteText(std::string(3000, 'z')); }),
              "Output buffer is full. Please check comm status.");
    port->SetXon(true);
}

TEST_F(QueuedPtyFixture, PurgeWriteEmptiesTheQueueBeforeAnyOfItIsSent) {
    HoldOutputAndWaitForTheThread();
    EXPECT_TRUE(port->WriteText(std::string(1500, 'p')));
    port->PurgeWrite();
    port->PurgeWrite();  // each call waits for its own answer
    EXPECT_EQ(port->WriteBufUsed(), 0);
    port->SetXon(true);
    EXPECT_TRUE(port->WriteText("fresh"));
    EXPECT_EQ(peer.Read(5, 2s), "fresh");
    EXPECT_EQ(peer.Read(1, 200ms), "");
}

TEST_F(QueuedPtyFixture, AThrowingTxEmptyHandlerDoesNotEndTheWriteThread) {
    port->OnTxEmpty = [this](TSlComponent*) {
        ++txEmpty;
        throw ESlCommError("tx handler failed");
    };
    EXPECT_TRUE(port->WriteText("one"));
    ASSERT_TRUE(loop->RunUntil([&] { return txEmpty == 1; }, 2s));
    EXPECT_TRUE(port->WriteText("two"));
    ASSERT_TRUE(loop->RunUntil([&] { return txEmpty == 2; }, 2s));
    EXPECT_EQ(peer.Read(6, 2s), "onetwo");
    EXPECT_EQ(loop->Errors, (std::vector<std::string>{"tx handler failed", "tx handler failed"}));
}

TEST_F(QueuedPtyFixture, AFailingDeviceWriteIsRetriedWithoutSpinning) {
    auto* client = new ThreadCheckingClient(&form);
    client->SetComm(port);
    peer.Hangup();
    EXPECT_TRUE(port->WriteText("lost"));  // queued; the device write then fails
    const double before = ProcessCpuMilliseconds();
    loop->ProcessEvents(1500ms);
    const double used = ProcessCpuMilliseconds() - before;
    const auto errors = std::count(client->lineEvents.begin(), client->lineEvents.end(), EV_ERR);
    EXPECT_GE(errors, 1);
    EXPECT_LE(errors, 3);  // about one a second, not one after the other
    EXPECT_LT(used, 50.0);
    EXPECT_EQ(port->WriteBufUsed(), 4);  // the bytes stay queued
}

TEST_F(QueuedPtyFixture, ClosingWithQueuedBytesEndsTheWriteThread) {
    HoldOutputAndWaitForTheThread();
    EXPECT_TRUE(port->WriteText(std::string(1000, 'q')));
    std::weak_ptr<TSlCommWriteThread> thread = port->WriteThread();
    port->Close();
    ASSERT_TRUE(loop->RunUntil([&] { return thread.expired(); }, 2s));
}

}  // namespace
