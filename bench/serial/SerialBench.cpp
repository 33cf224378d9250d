// serial_bench: 1 MiB written by a peer into a pseudo-terminal and received through the serial link into a
// receive ring on the main thread. Prints the throughput, the median and 99th-percentile delay from the
// write of a block to its delivery on the main thread, and the CPU time the link uses while the port is
// open and idle for 5 s.
//
//   serial_bench [--bytes N] [--block N] [--pace-us N] [--idle-seconds N]
// --pace-us pauses the peer between blocks, to see the delay of a line that is not saturated.

#include "serial/SlBuffer.h"
#include "serial/SlComm.h"
#include "tests/serial/TestMainLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuMilliseconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return double(used.tv_sec) * 1e3 + double(used.tv_nsec) / 1e6;
}

unsigned char PatternByte(std::size_t offset) {
    return static_cast<unsigned char>((offset * 7) % 251);
}

// The receiving client: a ring like the download dialog's, emptied as soon as a block is in, noting when
// each written block is complete on the main thread.
class TimingRing : public TSlBuffer {
public:
    TimingRing(TSlComponent* owner, const std::vector<Clock::time_point>& writeTimes,
               const std::atomic<std::size_t>& blocksWritten, std::size_t block)
        : TSlBuffer(owner), writeTimes_(writeTimes), blocksWritten_(blocksWritten), block_(block) {}

    void DataChanged(const void* data, int count) override {
        TSlBuffer::DataChanged(data, count);
        const int used = BufUsed();
        std::vector<unsigned char> bytes(static_cast<std::size_t>(used));
        Read(bytes.data(), used);
        for (unsigned char byte : bytes) {
            intact_ = intact_ && byte == PatternByte(received_);
            ++received_;
        }
        const auto now = Clock::now();
        const std::size_t written = blocksWritten_.load();
        while ((timedBlocks_ + 1) * block_ <= received_ && timedBlocks_ < written) {
            delays_.push_back(std::chrono::duration<double, std::micro>(now - writeTimes_[timedBlocks_]).count());
            ++timedBlocks_;
        }
    }

    std::size_t received_ = 0;
    bool intact_ = true;
    std::vector<double> delays_;  // microseconds, one per block

private:
    const std::vector<Clock::time_point>& writeTimes_;
    const std::atomic<std::size_t>& blocksWritten_;
    std::size_t block_;
    std::size_t timedBlocks_ = 0;
};

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t total = 1 << 20;
    std::size_t block = 256;
    int idleSeconds = 5;
    long paceMicroseconds = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (value < 0 || (value == 0 && option != "--pace-us")) {
            std::fprintf(stderr, "serial_bench: %s needs a positive number\n", option.c_str());
            return 2;
        }
        if (option == "--bytes") {
            total = std::size_t(value);
        } else if (option == "--block") {
            block = std::size_t(value);
        } else if (option == "--pace-us") {
            paceMicroseconds = value;
        } else if (option == "--idle-seconds") {
            idleSeconds = int(value);
        } else {
            std::fprintf(stderr, "usage: serial_bench [--bytes N] [--block N] [--pace-us N] [--idle-seconds N]\n");
            return 2;
        }
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char slave[128] = {};
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, slave, sizeof slave) != 0) {
        std::perror("serial_bench: pseudo-terminal");
        return 1;
    }

    const std::size_t blocks = (total + block - 1) / block;
    std::vector<Clock::time_point> writeTimes(blocks);
    std::atomic<std::size_t> blocksWritten{0};

    auto loop = std::make_shared<TestMainLoop>();
    TSlComponent form(nullptr);
    auto* port = new TSlComm(&form, loop);
    port->SetBaudrate(TSlBaudrate::br9600);
    port->FlowControl().SetControlRts(TSlControlRts::rtsEnabled);
    port->Buffers().SetReadSize(8192);
    port->SetDirectWrite(true);
    port->SetDeviceName(slave);
    auto* ring = new TimingRing(&form, writeTimes, blocksWritten, block);
    ring->SetSize(4096);
    ring->SetComm(port);
    try {
        port->Open();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "serial_bench: %s\n", error.what());
        return 1;
    }

    const auto start = Clock::now();
    std::thread peer([&] {
        std::vector<unsigned char> bytes(block);
        for (std::size_t b = 0; b < blocks; ++b) {
            const std::size_t size = std::min(block, total - b * block);
            for (std::size_t i = 0; i < size; ++i) {
                bytes[i] = PatternByte(b * block + i);
            }
            std::size_t done = 0;
            while (done < size) {
                const ssize_t written = ::write(master, bytes.data() + done, size - done);
                if (written > 0) {
                    done += std::size_t(written);
                }
            }
            writeTimes[b] = Clock::now();
            blocksWritten.store(b + 1);
            if (paceMicroseconds > 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(paceMicroseconds));
            }
        }
    });
    const bool complete = loop->RunUntil([&] { return ring->received_ >= total; }, std::chrono::seconds(60));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    peer.join();

    const double cpuBefore = CpuMilliseconds();
    loop->ProcessEvents(std::chrono::seconds(idleSeconds));
    const double idleCpu = CpuMilliseconds() - cpuBefore;

    std::printf("bytes received     %zu of %zu%s\n", ring->received_, total,
                ring->intact_ ? ", in order and intact" : ", CORRUPTED");
    std::printf("throughput         %.2f MiB/s (%.3f s)\n", double(ring->received_) / (1 << 20) / seconds, seconds);
    std::printf("delay write->main  median %.0f us, 99th percentile %.0f us (%zu blocks of %zu bytes)\n",
                Percentile(ring->delays_, 0.5), Percentile(ring->delays_, 0.99), ring->delays_.size(), block);
    std::printf("idle CPU           %.2f ms over %d s with the port open\n", idleCpu, idleSeconds);
    port->Close();
    ::close(master);
    return complete && ring->intact_ ? 0 : 1;
}
