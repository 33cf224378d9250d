// Line settings and their translation into the line-settings record and back, the settings objects'
// notifications, the time-outs and the messages of a closed port: everything that needs no device.

#include "archive/SlDownloadLink.h"
#include "serial/SlComm.h"
#include "serial/SlObjects.h"
#include "tests/serial/TestMainLoop.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct PortFixture : ::testing::Test {
    std::shared_ptr<TestMainLoop> loop = std::make_shared<TestMainLoop>();
    TSlComm port{nullptr, loop};
};

// The download's own settings on a port whose every setting differs from them first, so that none of them can
// pass by being the default.
TEST_F(PortFixture, MeterSettingsGiveTheWorkedRecord) {
    port.SetBaudrate(TSlBaudrate::br110);
    port.SetDatabits(TSlDatabits::db7);
    port.SetParity(TSlParity::paEven);
    port.SetStopbits(TSlStopbits::sb2);
    TSlFlowControl& flow = port.FlowControl();
    flow.SetOutCtsFlow(true);
    flow.SetOutDsrFlow(true);
    flow.SetControlDtr(TSlControlDtr::dtrHandshake);
    flow.SetControlRts(TSlControlRts::rtsToggle);
    flow.SetXonXoffOut(true);
    flow.SetXonXoffIn(true);
    flow.SetDsrSensitivity(true);
    flow.SetTxContinueOnXoff(true);
    port.Buffers().SetReadSize(1024);
    port.SetDirectWrite(false);

    SlDownloadLink::ApplyMeterSettings(port);
    port.SetPortNum(1);
    TSlDCB expected;
    expected.BaudRate = 9600;
    expected.Flags = 0x1001;
    expected.XonLim = 1024;
    expected.XoffLim = 1024;
    expected.ByteSize = 8;
    expected.Parity = 0;
    expected.StopBits = 0;
    expected.XonChar = 17;
    expected.XoffChar = 19;
    EXPECT_EQ(port.BuildDCB(), expected);
    EXPECT_EQ(EventMaskOf(port.MonitorEvents()), 0x85u);
    EXPECT_EQ(port.GetDeviceName(), "COM1");
    EXPECT_EQ(port.Buffers().ReadSize(), 8192);
    EXPECT_TRUE(port.DirectWrite());
}

struct RecordRow {
    const char* name;
    void (*apply)(TSlComm&);
    std::uint32_t flags;  // expected flag word
    std::uint8_t parity, byteSize, stopBits;
};

class RecordRows : public PortFixture, public ::testing::WithParamInterface<RecordRow> {};

TEST_P(RecordRows, SettingsReachTheRecordAndComeBackFromIt) {
    const RecordRow& row = GetParam();
    row.apply(port);
    const TSlDCB record = port.BuildDCB();
    EXPECT_EQ(record.Flags, row.flags);
    EXPECT_EQ(record.Parity, row.parity);
    EXPECT_EQ(record.ByteSize, row.byteSize);
    EXPECT_EQ(record.StopBits, row.stopBits);

    TSlComm other(nullptr, loop);
    other.ReadDCB(record);
    EXPECT_EQ(other.BuildDCB(), record);
}

INSTANTIATE_TEST_SUITE_P(Settings, RecordRows,
                         ::testing::Values(RecordRow{"defaults", [](TSlComm&) {}, 0x1, 0, 8, 0},
                                           RecordRow{"markParityTwoStops",
                                                     [](TSlComm& p) {
                                                         p.SetParity(TSlParity::paMark);
                                                         p.SetStopbits(TSlStopbits::sb2);
                                                     },
                                                     0x1, 3, 8, 2},
                                           RecordRow{"spaceParityFiveBits",
                                                     [](TSlComm& p) {
                                                         p.SetParity(TSlParity::paSpace);
                                                         p.SetDatabits(TSlDatabits::db5);
                                                     },
                                                     0x1, 4, 5, 0},
                                           RecordRow{"hardwareHandshake",
                                                     [](TSlComm& p) {
                                                         p.FlowControl().SetOutCtsFlow(true);
                                                         p.FlowControl().SetOutDsrFlow(true);
                                                         p.FlowControl().SetControlDtr(TSlControlDtr::dtrHandshake);
                                                         p.FlowControl().SetControlRts(TSlControlRts::rtsHandshake);
                                                     },
                                                     0x1 | 0x4 | 0x8 | 0x20 | 0x2000, 0, 8, 0},
                                           RecordRow{"softwareFlowAndToggle",
                                                     [](TSlComm& p) {
                                                         p.FlowControl().SetXonXoffOut(true);
                                                         p.FlowControl().SetXonXoffIn(true);
                                                         p.FlowControl().SetDsrSensitivity(true);
                                                         p.FlowControl().SetTxContinueOnXoff(true);
                                                         p.FlowControl().SetControlDtr(TSlControlDtr::dtrEnabled);
                                                         p.FlowControl().SetControlRts(TSlControlRts::rtsToggle);
                                                     },
                                                     0x1 | 0x100 | 0x200 | 0x40 | 0x80 | 0x10 | 0x3000, 0, 8, 0},
                                           RecordRow{"allOptionsOddParity",
                                                     [](TSlComm& p) {
                                                         p.SetOptions(SlOption(TSlCommOption::coErrorChar) |
                                                                      SlOption(TSlCommOption::coNullStrip) |
                                                                      SlOption(TSlCommOption::coParityCheck));
                                                         p.SetParity(TSlParity::paOdd);
                                                         p.SetStopbits(TSlStopbits::sb15);
                                                         p.SetDatabits(TSlDatabits::db4);
                                                     },
                                                     0x1 | 0x400 | 0x800 | 0x2, 1, 4, 1}),
                         [](const ::testing::TestParamInfo<RecordRow>& info) { return std::string(info.param.name); });

TEST_F(PortFixture, EveryRateOfTheEnumerationAndUserRatesReachTheRecord) {
    const std::uint32_t rates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                   14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int rate = 1; rate <= int(TSlBaudrate::br256000); ++rate) {
        port.SetBaudrate(TSlBaudrate(rate));
        EXPECT_EQ(port.BuildDCB().BaudRate, rates[rate]);
    }
    port.SetUserBaudrate(250000);
    EXPECT_EQ(port.Baudrate(), TSlBaudrate::brUser);
    EXPECT_EQ(port.BuildDCB().BaudRate, 250000u);
    port.SetBaudrate(TSlBaudrate::br9600);
    EXPECT_EQ(port.UserBaudrate(), 0);
    EXPECT_EQ(port.BuildDCB().BaudRate, 9600u);
    EXPECT_THROW(port.SetUserBaudrate(-1), std::invalid_argument);
}

TEST_F(PortFixture, LimitsKeepTheirLow16BitsAndCharactersStayApart) {
    port.Buffers().SetXonLimit(70000);
    port.EventChars().SetEventChar(10);
    port.EventChars().SetEofChar(26);
    const TSlDCB record = port.BuildDCB();
    EXPECT_EQ(record.XonLim, 4464);
    EXPECT_EQ(record.EvtChar, 10);
    EXPECT_EQ(record.EofChar, 26);
    EXPECT_EQ(port.EventChars().EventChar(), 10);
    EXPECT_EQ(port.EventChars().EofChar(), 26);
}

TEST_F(PortFixture, OddRecordsGiveTheNearestSettings) {
    TSlDCB record;
    record.BaudRate = 250000;
    record.Flags = 0x30 | 0x3000;  // DTR field 3 has no entry; RTS field 3 is toggle
    record.Parity = 7;
    record.ByteSize = 9;
    record.StopBits = 5;
    port.ReadDCB(record);
    EXPECT_EQ(port.Baudrate(), TSlBaudrate::brUser);
    EXPECT_EQ(port.UserBaudrate(), 250000);
    EXPECT_EQ(port.FlowControl().ControlDtr(), TSlControlDtr::dtrHandshake);
    EXPECT_EQ(port.FlowControl().ControlRts(), TSlControlRts::rtsToggle);
    EXPECT_EQ(port.Parity(), TSlParity::paNone);
    EXPECT_EQ(port.Databits(), TSlDatabits::db8);
    EXPECT_EQ(port.Stopbits(), TSlStopbits::sb1);

    record = TSlDCB{};  // rate 0 and both control fields 0
    record.ByteSize = 4;
    port.ReadDCB(record);
    EXPECT_EQ(port.Baudrate(), TSlBaudrate::brUser);
    EXPECT_EQ(port.UserBaudrate(), 0);
    EXPECT_EQ(port.FlowControl().ControlDtr(), TSlControlDtr::dtrDisabled);
    EXPECT_EQ(port.FlowControl().ControlRts(), TSlControlRts::rtsDisabled);
    EXPECT_EQ(port.Databits(), TSlDatabits::db4);

    record.BaudRate = 14400;
    port.ReadDCB(record);
    EXPECT_EQ(port.Baudrate(), TSlBaudrate::br14400);
    EXPECT_EQ(port.UserBaudrate(), 0);
}

TEST(SettingsObjects, UpdateBracketsAndAssignNotifyOnce) {
    TSlFlowControl flow;
    int changes = 0;
    flow.OnChange = [&](TSlPersistent*) { ++changes; };
    TSlFlowControl source;
    source.SetOutCtsFlow(true);
    source.SetXonXoffIn(true);
    source.SetControlRts(TSlControlRts::rtsEnabled);
    flow.Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(flow.OutCtsFlow());
    EXPECT_EQ(flow.ControlRts(), TSlControlRts::rtsEnabled);

    changes = 0;
    flow.BeginUpdate();
    flow.BeginUpdate();
    flow.SetOutDsrFlow(true);
    flow.EndUpdate();
    EXPECT_EQ(changes, 0);
    flow.EndUpdate();
    EXPECT_EQ(changes, 1);
    flow.EndUpdate();  // unbalanced: still a notification, and the count stays at 0
    EXPECT_EQ(changes, 2);
    flow.SetOutDsrFlow(true);  // unchanged value: no notification
    EXPECT_EQ(changes, 2);

    TSlBuffers buffers;
    EXPECT_THROW(flow.Assign(buffers), std::invalid_argument);
    EXPECT_THROW(buffers.SetReadSize(-1), std::invalid_argument);

    TSlEventChars chars;
    int charChanges = 0;
    chars.OnChange = [&](TSlPersistent*) { ++charChanges; };
    chars.SetXonChar(17);  // same value: notifies all the same
    EXPECT_EQ(charChanges, 1);
    EXPECT_THROW(chars.SetEventChar(6, 'x'), std::out_of_range);
}

TEST_F(PortFixture, ClosedPortRefusesOrIgnoresAsDocumented) {
    EXPECT_EQ(port.WriteBuf("abc", 3), 0);
    EXPECT_FALSE(port.WriteText("abc"));
    EXPECT_EQ(port.ReadBufUsed(), 0);
    EXPECT_EQ(port.WriteBufFree(), 0);
    EXPECT_EQ(port.ReadText(), "");
    port.SetBreak(true);  // nothing happens on a closed port
    port.PurgeReadWrite();
    port.Close();

    port.FlowControl().SetControlDtr(TSlControlDtr::dtrHandshake);
    try {
        port.SetDTR(true);
        FAIL() << "no refusal";
    } catch (const ESlCommError& error) {
        EXPECT_STREQ(error.what(), "DTR line updates not allowed when flowcontrol is set to Handshake.");
    }
    port.FlowControl().SetControlRts(TSlControlRts::rtsToggle);
    try {
        port.SetRTS(false);
        FAIL() << "no refusal";
    } catch (const ESlCommError& error) {
        EXPECT_STREQ(error.what(), "RTS line updates not allowed when flowcontrol is set to Handshake or Toggle.");
    }
    try {
        port.GetProperties();
        FAIL() << "no refusal";
    } catch (const ESlCommError& error) {
        EXPECT_STREQ(error.what(), "Can't perform this operation while port is closed");
    }
}

TEST_F(PortFixture, DeviceNameTakesOnlyThePortNumber) {
    port.SetPortNum(7);
    port.SetDeviceName("COM1");
    EXPECT_EQ(port.GetDeviceName(), "COM1");
    port.SetDeviceName("COM%d");
    EXPECT_EQ(port.GetDeviceName(), "COM7");
    port.SetDeviceName("%s%n%x%d%d100%%");  // a typed name is never read as a printf format
    EXPECT_EQ(port.GetDeviceName(), "%s%n%x7%d100%");
}

TEST(Timer, ExpiryAcrossTheTickCounterWrap) {
    struct Row {
        const char* name;
        std::uint32_t start, duration, now;
        bool expired;
    } rows[] = {
        {"beforeTheWrap", 1000, 100, 1100, false},
        {"pastTheDuration", 1000, 100, 1101, true},
        {"wrappedNotYet", 0xFFFFFFF0u, 100, 80, false},
        {"wrappedExpired", 0xFFFFFFF0u, 100, 96, true},
        {"atTheTopOfTheCounter", 0xFFFFFFF0u, 100, 0xFFFFFFFFu, false},
    };
    for (const Row& row : rows) {
        const TSlTimeEvent timer{row.start, row.duration};
        EXPECT_EQ(TimerExpired(timer, row.now), row.expired) << row.name;
    }
    TSlTimeEvent timer;
    InitTimer(timer, 0xFFFFFFu);
    EXPECT_FALSE(TimerExpired(timer));
}

TEST(Events, WaitReportsSignalledAndTimeout) {
    TSlWaitEvent event;
    EXPECT_EQ(event.WaitFor(0), TSlEventWaitResult::wrTimeout);
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), TSlEventWaitResult::wrSignaled);
    EXPECT_EQ(event.WaitFor(INFINITE), TSlEventWaitResult::wrSignaled);  // manual reset: stays set
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(10), TSlEventWaitResult::wrTimeout);
}

}  // namespace
