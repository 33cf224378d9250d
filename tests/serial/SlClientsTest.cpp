// Clients of a port and the dispatch of blocks and line events to them and to the port's handlers.

#include "serial/SlBuffer.h"
#include "serial/SlComm.h"
#include "serial/SlCommComponent.h"
#include "tests/serial/TestMainLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records what it is told, under its name, into a shared log.
class RecordingClient : public TSlCommComponent {
public:
    RecordingClient(TSlComponent* owner, std::string name, std::vector<std::string>& log)
        : TSlCommComponent(owner), name_(std::move(name)), log_(log) {}
    void DataChanged(const void* data, int count) override {
        log_.push_back(name_ + ":" + std::string(static_cast<const char*>(data), std::size_t(count)));
    }
    void LineChanged(std::uint32_t events) override { log_.push_back(name_ + ":events " + std::to_string(events)); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

struct ClientsFixture : ::testing::Test {
    std::shared_ptr<TestMainLoop> loop = std::make_shared<TestMainLoop>();
    TSlComponent form{nullptr};
    TSlComm* port = new TSlComm(&form, loop);
    std::vector<std::string> log;
    RecordingClient* first = new RecordingClient(&form, "first", log);
    RecordingClient* second = new RecordingClient(&form, "second", log);

    void SetUp() override {
        first->SetComm(port);
        second->SetComm(port);
        port->OnRxBuf = [this](TSlComponent*, const void* data, int count) {
            log.push_back("OnRxBuf:" + std::string(static_cast<const char*>(data), std::size_t(count)));
        };
    }
};

TEST_F(ClientsFixture, BlocksGoToActiveClientsInOrderThenToTheHandler) {
    port->WriteBuffer("ab", 2);
    second->SetActive(false);
    port->WriteBuffer("c", 1);
    port->DisableControls();
    port->WriteBuffer("d", 1);
    EXPECT_EQ(log,
              (std::vector<std::string>{"first:ab", "second:ab", "OnRxBuf:ab", "first:c", "OnRxBuf:c", "OnRxBuf:d"}));
}

TEST_F(ClientsFixture, LineEventsReachClientsBeforeTheHandlersInTheirOrder) {
    port->OnCts = [this](TSlComponent*) { log.push_back("OnCts"); };
    port->OnTxEmpty = [this](TSlComponent*) { log.push_back("OnTxEmpty"); };
    port->OnRxFlag = [this](TSlComponent*) { log.push_back("OnRxFlag"); };
    port->HandleLineEvent(EV_TXEMPTY | EV_CTS | EV_RXFLAG);
    const std::string events = std::to_string(EV_TXEMPTY | EV_CTS | EV_RXFLAG);
    EXPECT_EQ(log, (std::vector<std::string>{"first:events " + events, "second:events " + events, "OnRxFlag", "OnCts",
                                             "OnTxEmpty"}));
}

TEST_F(ClientsFixture, AClientThatRaisesEndsTheDispatchOfThatBlock) {
    TSlBuffer ring(&form);
    ring.SetComm(port);
    second->SetComm(nullptr);
    first->SetComm(nullptr);
    ring.OnChange = [](TSlComponent*) { throw ESlCommError("client failed"); };
    first->SetComm(port);  // attached after the ring: not reached
    EXPECT_THROW(port->WriteBuffer("xy", 2), ESlCommError);
    EXPECT_EQ(log, std::vector<std::string>{});
}

TEST_F(ClientsFixture, AClientThatDetachesAnotherDuringDispatchIsSafe) {
    port->OnRxBuf = nullptr;
    TSlBuffer ring(&form);
    ring.SetComm(port);
    ring.OnChange = [this](TSlComponent*) { second->SetComm(nullptr); };
    // order: first, second, ring -> ring detaches second after second was told; told again next time: no
    port->WriteBuffer("a", 1);
    port->WriteBuffer("b", 1);
    EXPECT_EQ(log, (std::vector<std::string>{"first:a", "second:a", "first:b"}));
}

TEST_F(ClientsFixture, MovingAClientAndDestroyingThePortDetachIt) {
    TSlComm other(nullptr, loop);
    first->SetComm(&other);
    ASSERT_EQ(port->Clients().size(), 1u);
    EXPECT_EQ(other.Clients().size(), 1u);
    EXPECT_EQ(first->Dispatcher().Comm, &other);
    delete port;  // a component freed early leaves its owner's list and tells the others
    EXPECT_EQ(second->Comm(), nullptr);
    EXPECT_EQ(second->Dispatcher().Comm, nullptr);
    EXPECT_FALSE(second->Dispatcher().WriteText("x"));
    delete first;
    EXPECT_TRUE(other.Clients().empty());
    EXPECT_EQ(form.Components().size(), 1u);  // only `second` is left for the owner to free
}

}  // namespace
