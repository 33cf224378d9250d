#include "serial/SlClock.h"

#include "serial/platform/SlPlatform.h"

namespace {

class TSlSystemClock final : public ISlClock {
public:
    void Sleep(std::uint32_t Milliseconds) override { SlPlatform::Sleep(Milliseconds); }
};

}  // namespace

std::shared_ptr<ISlClock> SlSystemClock() {
    static const std::shared_ptr<ISlClock> kClock = std::make_shared<TSlSystemClock>();
    return kClock;
}
