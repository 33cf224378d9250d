// The port through the Windows backend on a real line: run under Wine by rs5-pty-peer, which maps COM5 to
// a pseudo-terminal and hands this program the far end over a local TCP connection.

#include "serial/SlBuffer.h"
#include "serial/SlComm.h"
#include "serial/SlCommEventThread.h"
#include "tests/serial/TestMainLoop.h"

#include <gtest/gtest.h>

#include <winsock2.h>  // before windows.h

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

const char* const kPortName = "COM5";

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ESlCommError& error) {
        return error.what();
    }
    return "<no error>";
}

double ProcessCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return double((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e4;
}

// The meter's end of the line, through rs5-pty-peer. Each connection is a fresh line; closing it hangs up.
class Peer {
public:
    Peer() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        const char* port = std::getenv("RS5_PTY_PEER");
        if (port == nullptr) {
            throw std::runtime_error("RS5_PTY_PEER is not set: run under rs5-pty-peer");
        }
        Socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = ::htons(u_short(std::atoi(port)));
        address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        if (::connect(Socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot reach rs5-pty-peer");
        }
        // The peer names the line's slave once the link is in place.
        std::string hello;
        while (hello.empty() || hello.back() != '\n') {
            const std::string piece = Read(1, 5s);
            if (piece.empty()) {
                throw std::runtime_error("rs5-pty-peer made no line");
            }
            hello += piece;
        }
    }
    ~Peer() {
        Hangup();
        ::WSACleanup();
    }

    void Write(const std::string& bytes) { ::send(Socket_, bytes.data(), int(bytes.size()), 0); }
    // Reads until Count bytes came or Timeout passed.
    std::string Read(std::size_t count, std::chrono::milliseconds timeout) {
        std::string bytes;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count && std::chrono::steady_clock::now() < end) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(Socket_, &readable);
            timeval wait{0, 20000};
            if (::select(0, &readable, nullptr, nullptr, &wait) == 1) {
                char data[4096];
                const int got = ::recv(Socket_, data, int(std::min(sizeof data, count - bytes.size())), 0);
                if (got <= 0) {
                    break;
                }
                bytes.append(data, std::size_t(got));
            }
        }
        return bytes;
    }
    void Hangup() {
        if (Socket_ != INVALID_SOCKET) {
            ::closesocket(Socket_);
            Socket_ = INVALID_SOCKET;
        }
    }

private:
    SOCKET Socket_ = INVALID_SOCKET;
};

// Records the bytes it is given and the thread it was given them on.
class ThreadCheckingClient : public TSlCommComponent {
public:
    using TSlCommComponent::TSlCommComponent;
    void DataChanged(const void* data, int count) override {
        bytes.append(static_cast<const char*>(data), std::size_t(count));
        onMainThread = onMainThread && std::this_thread::get_id() == mainThread;
    }
    void LineChanged(std::uint32_t events) override { lineEvents.push_back(events); }

    std::string bytes;
    bool onMainThread = true;
    std::vector<std::uint32_t> lineEvents;
    std::thread::id mainThread = std::this_thread::get_id();
};

struct Win32PortFixture : ::testing::Test {
    std::shared_ptr<TestMainLoop> loop = std::make_shared<TestMainLoop>();
    Peer peer;
    TSlComponent form{nullptr};
    TSlComm* port = new TSlComm(&form, loop);
    TSlBuffer* ring = new TSlBuffer(&form);
    ThreadCheckingClient* client = new ThreadCheckingClient(&form);

    void SetUp() override {
        // The download dialog's port and ring.
        port->SetBaudrate(TSlBaudrate::br9600);
        port->FlowControl().SetControlDtr(TSlControlDtr::dtrDisabled);
        port->FlowControl().SetControlRts(TSlControlRts::rtsEnabled);
        port->Buffers().SetReadSize(8192);
        port->SetDirectWrite(true);
        port->SetDeviceName(kPortName);
        ring->SetSize(4096);
        ring->SetActive(true);
        ring->SetComm(port);
        client->SetComm(port);
    }

    std::string TakeRing() {
        std::string bytes(std::size_t(ring->BufUsed()), '\0');
        ring->Read(bytes.data(), int(bytes.size()));
        return bytes;
    }
};

TEST_F(Win32PortFixture, OpensWritesDirectlyAndReceivesInOrderOnTheMainThread) {
    int txEmpty = 0;
    port->OnTxEmpty = [&](TSlComponent*) { ++txEmpty; };
    port->Open();
    ASSERT_TRUE(port->Active());
    EXPECT_EQ(port->EventMask(), 0x85u);

    EXPECT_TRUE(
        port->WriteText("\x1b"
                        "A200000\r"));
    EXPECT_EQ(peer.Read(9, 2s),
              "\x1b"
              "A200000\r");
    ASSERT_TRUE(loop->RunUntil([&] { return txEmpty >= 1; }, 2s));

    std::string sent;
    for (int burst = 0; burst < 20; ++burst) {
        std::string bytes;
        for (int i = 0; i < 37 + burst * 11; ++i) {
            bytes += char('0' + (burst + i) % 16);
        }
        // A reply cut in the middle, as the meter's may be.
        peer.Write(bytes.substr(0, bytes.size() / 3));
        loop->ProcessEvents(5ms);
        peer.Write(bytes.substr(bytes.size() / 3));
        sent += bytes;
    }
    ASSERT_TRUE(loop->RunUntil([&] { return client->bytes.size() >= sent.size(); }, 5s))
        << client->bytes.size() << " of " << sent.size();
    EXPECT_EQ(client->bytes, sent);
    EXPECT_TRUE(client->onMainThread);
    EXPECT_EQ(TakeRing(), sent);
    EXPECT_TRUE(loop->Errors.empty()) << loop->Errors.front();
}

TEST_F(Win32PortFixture, QueuedWritesAndPurgeOfWhatTheDeviceHolds) {
    int txEmpty = 0;
    port->OnTxEmpty = [&](TSlComponent*) { ++txEmpty; };
    port->SetDirectWrite(false);
    port->Open();
    ASSERT_NE(port->WriteThread(), nullptr);
    EXPECT_TRUE(port->WriteText("queued one,"));
    EXPECT_TRUE(port->WriteText("queued two"));
    EXPECT_EQ(peer.Read(21, 2s), "queued one,queued two");
    ASSERT_TRUE(loop->RunUntil([&] { return txEmpty >= 1; }, 2s))
        << "write queue " << port->WriteBufUsed() << ", errors " << loop->Errors.size()
        << (loop->Errors.empty() ? "" : loop->Errors.front());

    // Bytes wait in the device until the main thread takes the hand-over: a purge then drops them.
    peer.Write("stale");
    ASSERT_TRUE(loop->WaitForTask(2s));
    for (int i = 0; i < 100 && port->ReadBufUsed() < 5; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(port->ReadBufUsed(), 5);
    port->PurgeRead();
    EXPECT_EQ(port->ReadBufUsed(), 0);
    loop->ProcessEvents(100ms);
    EXPECT_EQ(ring->BufUsed(), 0);
    peer.Write("fresh");
    ASSERT_TRUE(loop->RunUntil([&] { return ring->BufUsed() == 5; }, 2s));
    EXPECT_EQ(TakeRing(), "fresh");

    // A purge while the event thread waits on the device must not end its watch.
    EXPECT_FALSE(loop->WaitForTask(100ms));
    port->PurgeReadWrite();
    loop->ProcessEvents(100ms);
    peer.Write("after");
    ASSERT_TRUE(loop->RunUntil([&] { return ring->BufUsed() == 5; }, 2s));
    EXPECT_EQ(TakeRing(), "after");
    EXPECT_TRUE(client->lineEvents.size() <= 2 && loop->Errors.empty());
}

TEST_F(Win32PortFixture, ReadsTakeWhatIsQueuedAndNeverWaitForMore) {
    port->SetMonitorEvents(0);  // no event thread: bytes stay in the device
    port->Buffers().SetReadTimeout(200);
    port->Open();
    char ch = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port->ReadChar(ch));  // nothing queued
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    peer.Write("five!");
    for (int i = 0; i < 100 && port->ReadBufUsed() < 5; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    char data[100] = {};
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(port->ReadBuf(data, sizeof data), 5);  // more asked than queued
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_EQ(std::string(data, 5), "five!");
    EXPECT_TRUE(port->WriteText("still working"));
    EXPECT_EQ(peer.Read(13, 2s), "still working");
}

TEST_F(Win32PortFixture, DtrAndRtsReachTheLine) {
    const char* file = std::getenv("RS5_MODEM_LINES_FILE");
    ASSERT_NE(file, nullptr);
    std::string path = std::string("Z:") + file;  // the host's root as Wine maps it
    std::replace(path.begin(), path.end(), '/', '\\');
    const auto lines = [&] {
        std::ifstream in(path);
        std::string text;
        std::getline(in, text);
        return text;
    };
    port->Open();
    EXPECT_EQ(lines(), "DTR=0 RTS=1");  // the meter's settings: DTR held off, RTS on
    port->SetDTR(true);
    port->SetRTS(false);
    EXPECT_EQ(lines(), "DTR=1 RTS=0");
    port->SetDTR(false);
    EXPECT_EQ(lines(), "DTR=0 RTS=0");
    EXPECT_TRUE(loop->Errors.empty());
}

TEST_F(Win32PortFixture, AMissingPortIsNamedAndTheNextOpenWorks) {
    port->SetDeviceName("COM9");
    EXPECT_EQ(ErrorOf([&] { port->Open(); }), "Specified device not found (COM9).");
    EXPECT_FALSE(port->Active());
    port->SetDeviceName(kPortName);
    port->Open();
    EXPECT_TRUE(port->Active());
}

TEST_F(Win32PortFixture, CloseDuringAWaitEndsTheThreadAndFreesThePort) {
    port->Open();
    std::weak_ptr<TSlCommEventThread> thread = port->EventThread();
    EXPECT_FALSE(loop->WaitForTask(200ms));  // the event thread waits on the device
    const auto start = std::chrono::steady_clock::now();
    port->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    ASSERT_TRUE(loop->RunUntil([&] { return thread.expired(); }, 2s));

    port->Open();  // the port was let go, and a new event thread takes over
    peer.Write("again");
    ASSERT_TRUE(loop->RunUntil([&] { return ring->BufUsed() == 5; }, 2s));
    EXPECT_EQ(TakeRing(), "again");
}

TEST_F(Win32PortFixture, TheHungUpLineIsReportedOnceAndCostsNoCpu) {
    std::vector<int> errors;
    port->OnError = [&](TSlComponent*, int bits) { errors.push_back(bits); };
    port->Open();
    std::weak_ptr<TSlCommEventThread> thread = port->EventThread();
    EXPECT_FALSE(loop->WaitForTask(300ms));  // the event thread waits on the device
    peer.Hangup();
    ASSERT_TRUE(loop->RunUntil([&] { return !client->lineEvents.empty(); }, 4s));

    // The measure itself must see work (Wine's process times come from the host): a spin shows up in it.
    const double spinStart = ProcessCpuMilliseconds();
    const auto spinEnd = std::chrono::steady_clock::now() + 3s;
    while (ProcessCpuMilliseconds() - spinStart < 100.0 && std::chrono::steady_clock::now() < spinEnd) {
    }
    EXPECT_GE(ProcessCpuMilliseconds() - spinStart, 100.0);

    const double before = ProcessCpuMilliseconds();
    loop->ProcessEvents(2s);  // the main thread sleeps in its loop; any cost now is the link's
    const double used = ProcessCpuMilliseconds() - before;
    EXPECT_LT(used, 50.0);
    EXPECT_EQ(client->lineEvents, std::vector<std::uint32_t>{EV_ERR});
    EXPECT_EQ(errors, std::vector<int>{int(CE_IOE)});
    EXPECT_TRUE(loop->Errors.empty()) << loop->Errors.front();
    const std::string writeError = ErrorOf([&] { port->WriteText("gone"); });
    EXPECT_EQ(writeError.rfind("Write error (", 0), 0u) << writeError;
    port->Close();
    ASSERT_TRUE(loop->RunUntil([&] { return thread.expired(); }, 2s));
    RecordProperty("cpu_ms_after_hangup", std::to_string(used));
    std::printf("CPU over 2 s after the hang-up: %.1f ms\n", used);
}

TEST_F(Win32PortFixture, AHangUpAtOpenIsReportedToo) {
    std::vector<int> errors;
    port->OnError = [&](TSlComponent*, int bits) { errors.push_back(bits); };
    port->Open();
    peer.Hangup();  // before the event thread's first wait, as a line pulled while the port opens
    ASSERT_TRUE(loop->RunUntil([&] { return !client->lineEvents.empty(); }, 4s));
    loop->ProcessEvents(200ms);
    EXPECT_EQ(client->lineEvents, std::vector<std::uint32_t>{EV_ERR});
    EXPECT_EQ(errors, std::vector<int>{int(CE_IOE)});
    EXPECT_TRUE(loop->Errors.empty()) << loop->Errors.front();
    port->Close();
}

}  // namespace
