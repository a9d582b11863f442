#include "app/meter_session.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"

#include "test_case_name.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(MeterSession, FormCreateSetsTheStartUpDefaults)
{
    MeterSession session;
    EXPECT_FALSE(session.ChartFollowLast());
    session.FormCreate(",");
    EXPECT_EQ(session.decoder().LocaleDecimal(), ",");
    EXPECT_TRUE(session.ChartFollowLast());
    EXPECT_TRUE(session.sampling().RepeatSet());
    EXPECT_TRUE(session.sampling().marked(RecordSampling::LimitItem::set10k));
    EXPECT_EQ(session.dial().needleValue(), 600);
    EXPECT_EQ(session.dial().scaleDrawings(), 1);
    EXPECT_EQ(session.dial().range().BarMax, 60);
    EXPECT_EQ(session.dial().PBar2Max(), 60);
    EXPECT_EQ(session.dial().PBar2Position(), 20);
    EXPECT_EQ(session.chart().valueAxisRange().min, -11000);
    EXPECT_EQ(session.chart().valueAxisRange().max, 11000);
    EXPECT_FALSE(session.lcd().visible(LcdElement::CONok));
    EXPECT_TRUE(session.lcd().visible(LcdElement::CONokN));
}

// The program's start-up against a simulated cable: the controller fills
// the device list and pre-selects the cable before FormCreate. The boxes
// the session raised are kept in order.
struct WithCable {
    std::shared_ptr<THidSimPlatform> platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher dispatcher;
    MeterSession session;
    std::vector<UserMessage> messages;

    WithCable()
    {
        THidSimDevice cable;
        cable.VendorID = 0x1A86;
        cable.ProductID = 0xE008;
        cable.ProductString = u"USB to Serial";
        platform->Plug(cable);
        session.setMessageSink([this](const UserMessage& m) { messages.push_back(m); });
        EXPECT_EQ(session.startHid(platform, dispatcher), "");
        session.FormCreate(".");
    }
    void connect() { session.link().Panel2Click(CableConnection::kPortUsb); }
};

TEST(MeterSession, StartUpSelectsTheCableAndConnects)
{
    WithCable w;
    ASSERT_EQ(w.session.link().DevListBox().size(), 1u);
    EXPECT_EQ(w.session.link().selectedDevice(), 0);
    w.connect();
    EXPECT_TRUE(w.session.link().connected());
    EXPECT_EQ(w.session.link().Panel2Caption(), "Disconnect");
    EXPECT_TRUE(w.messages.empty());
}

TEST(MeterSession, WatchdogTurnsTheLinkIconOffAndReportsASilentMeter)
{
    WithCable w;
    w.connect();
    // 000123422205105182075418DA in four reports, closed by an idle one.
    const uint8_t reports[5][8] = {
        {0xF7, 0x30, 0x30, 0x30, 0x31, 0x32, 0x33, 0x34}, {0xF7, 0x32, 0x32, 0x32, 0x30, 0x35, 0x31, 0x30},
        {0xF7, 0x35, 0x31, 0x38, 0x32, 0x30, 0x37, 0x35}, {0xF5, 0x34, 0x31, 0x38, 0x0D, 0x0A, 0x00, 0x00},
        {0xF0}};
    CableConnection& link = w.session.link();
    for (const auto& report : reports)
        link.assembleReport(0, report, sizeof report);
    ASSERT_EQ(w.session.decoder().decodedFrames(), 1u);
    ASSERT_TRUE(link.LinkIconLit());
    const uint8_t idle[8] = {0xF0};
    for (int i = 0; i < CableConnection::kIdleReportLimit; ++i)
        link.assembleReport(0, idle, sizeof idle);
    for (int tick = 0; tick < 3; ++tick)
        link.ConTimerTimer();
    EXPECT_FALSE(link.LinkIconLit());
    EXPECT_EQ(w.messages,
              std::vector<UserMessage>{UserMessage::information(std::string(CableConnection::kMeterNotReadyText))});
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(link.Panel2Caption(), "Connect");
}

// Posted HID work that throws (here, work queued by anyone on the main
// thread's queue) is reported in the history list; the loop goes on.
TEST(MeterSession, FailedPostedWorkIsAHistoryLine)
{
    WithCable w;
    int ran = 0;
    w.dispatcher.Post([] { throw std::runtime_error("device list corrupt"); });
    w.dispatcher.Post([&] { ++ran; });
    EXPECT_NO_THROW(w.dispatcher.RunPending());
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(w.session.link().HistoryListBox().back(), "EVENT FAILED: device list corrupt");
}

TEST(MeterSession, WithoutHidServicesTheHistorySaysWhy)
{
    auto platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher dispatcher;
    MeterSession first;
    ASSERT_EQ(first.startHid(platform, dispatcher), "");
    MeterSession second;
    EXPECT_EQ(second.startHid(platform, dispatcher), "Only one THidDeviceController allowed per program");
    EXPECT_EQ(second.link().HistoryListBox().back(),
              "HID services unavailable: Only one THidDeviceController allowed per program");
    EXPECT_EQ(second.hidController(), nullptr);
}

TEST(MeterSession, FramesFeedTheDialTheChartAxisAndTheBoundedFrameLog)
{
    MeterSession session;
    session.FormCreate(".");
    session.ShowDataQ7("000123422205105182075418DA");
    EXPECT_EQ(session.chart().valueAxisRange().min, -1000);
    EXPECT_EQ(session.chart().valueAxisRange().max, 1000);
    EXPECT_TRUE(session.lastFrameCalls().offered);
    EXPECT_EQ(session.lastFrameCalls().recorded, 1);
    EXPECT_EQ(session.lastFrameCalls().needle, 588);
    EXPECT_EQ(session.dial().needleValue(), 588);
    EXPECT_EQ(session.dial().PBar2Max(), 600);
    EXPECT_EQ(session.dial().PBar2Position(), 12);
    EXPECT_EQ(session.cds1().rowCount(), 1u);
    const ChartEngine& chart = session.chart().ChartControl().Chart();
    EXPECT_EQ(chart.pointCount(), 2);  // the placeholder and the reading
    EXPECT_EQ(session.chart().Bt10Caption(), "1");
    EXPECT_TRUE(session.lastFrameCalls().scaleDrawn);
    EXPECT_EQ(session.dial().scaleDrawings(), 2);

    for (std::size_t i = 0; i < MeterSession::kFrameLogLimit + 5; ++i)
        session.ShowDataQ7(i % 2 ? "000123422205105182075418DA" : "000123422205105182075418XX");
    EXPECT_EQ(session.frameLog().size(), MeterSession::kFrameLogLimit);
    EXPECT_EQ(session.frameLog().back(), "000123422205105182075418XX");
    EXPECT_FALSE(session.lastFrameCalls().scaleDrawn);
    const int64_t readings = chart.pointCount() - 1;
    EXPECT_EQ(session.chart().Bt10Caption(), std::to_string((readings + 99) / 100));
    // Every decoded reading is charted and, with Repeat on, recorded.
    EXPECT_EQ(readings, 1 + static_cast<int64_t>(MeterSession::kFrameLogLimit + 5) / 2);
    EXPECT_EQ(session.cds1().rowCount(), static_cast<std::size_t>(readings));
}

// Readings become rows of cds1 at the clock's time of day; the limit menu,
// the interval edit and the delete command act through the units' handlers.
// Each message is raised once as it happens, never shown from inside.
TEST(MeterSession, RecordsReadingsAndDeletesThemWithTheChart)
{
    MeterSession session;
    session.setTimeOfDay([] { return 13 * 3600 + 5 * 60 + 9; });
    session.sampling().setTimeSeparator(".");
    std::vector<UserMessage> raised;
    session.setMessageSink([&](const UserMessage& m) { raised.push_back(m); });
    session.FormCreate(".");
    RecordSampling& sampling = session.sampling();
    const ChartEngine& chart = session.chart().ChartControl().Chart();
    EXPECT_EQ(sampling.RecordLimit(), 10000);

    session.ShowDataQ7("000123422205105182075418DA");
    ASSERT_EQ(session.cds1().rowCount(), 1u);
    EXPECT_EQ(session.cds1().fieldText(0, RecordField::Time), "13.05.09");
    EXPECT_EQ(session.cds1().fieldText(0, RecordField::Value), session.decoder().reading().ValueText);
    EXPECT_EQ(sampling.NextRecordNo(), 2);

    sampling.set1kClick();
    EXPECT_TRUE(sampling.marked(RecordSampling::LimitItem::set1k));
    EXPECT_EQ(sampling.RecordLimit(), 1000);

    // A pasted text that is not a number: the error message, and the
    // reading is neither recorded nor counted.
    const UserMessage notANumber = UserMessage::error("'abc' is not a valid integer value");
    session.RecordSITimeChange("abc");
    EXPECT_EQ(raised, std::vector<UserMessage>{notANumber});
    session.ShowDataQ7("000123422205105182075418DA");
    EXPECT_EQ(raised, (std::vector<UserMessage>{notANumber, notANumber}));
    EXPECT_EQ(session.lastFrameCalls().recorded, std::nullopt);
    EXPECT_EQ(session.cds1().rowCount(), 1u);
    EXPECT_EQ(sampling.NextRecordNo(), 2);
    session.RecordSITimeChange("10");
    EXPECT_EQ(sampling.SampleCountdown(), 10);
    raised.clear();

    // The delete command asks first; nothing goes before OK, so a caller
    // that never answers (the command line) deletes nothing.
    const UserMessage warning{UserMessage::Icon::Warning, "Warning", " Warning:all Records will be deleted! ", false,
                              UserMessage::Buttons::OkCancel};
    const int64_t points = chart.pointCount();
    session.ClearRClick();
    ASSERT_EQ(raised, std::vector<UserMessage>{warning});
    ASSERT_TRUE(raised[0].onReply);
    EXPECT_EQ(session.cds1().rowCount(), 1u);
    EXPECT_EQ(sampling.NextRecordNo(), 2);
    EXPECT_EQ(chart.pointCount(), points);
    raised[0].onReply(UserMessage::Reply::Cancel);
    EXPECT_EQ(session.cds1().rowCount(), 1u);
    EXPECT_EQ(sampling.NextRecordNo(), 2);
    EXPECT_EQ(chart.pointCount(), points);

    // Answered OK, even after more readings came, every row goes.
    session.ShowDataQ7("000123422205105182075418DA");
    ASSERT_EQ(session.cds1().rowCount(), 2u);
    raised[0].onReply(UserMessage::Reply::Ok);
    EXPECT_TRUE(session.cds1().empty());
    EXPECT_EQ(sampling.NextRecordNo(), 1);
    EXPECT_EQ(chart.pointCount(), 1);  // only the placeholder

    // A reading the interval holds back is charted only; deleting the
    // empty table then keeps the chart's points.
    sampling.setRecordSI(true);
    session.ShowDataQ7("000123422205105182075418DA");
    EXPECT_TRUE(session.cds1().empty());
    session.ClearRClick();
    ASSERT_EQ(raised.size(), 2u);
    raised[1].onReply(UserMessage::Reply::Ok);
    EXPECT_EQ(chart.pointCount(), 2);
}

// A file command's outcome reaches the sink as a message naming the file
// as the system spells it.
TEST(MeterSession, FileMessagesReachTheSink)
{
    MeterSession session;
    session.FormCreate(".");
    std::vector<UserMessage> raised;
    session.setMessageSink([&](const UserMessage& m) { raised.push_back(m); });
    session.recordFiles().OpenClick("/nonexistent/zq.xls");
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].icon, UserMessage::Icon::Error);
    EXPECT_EQ(raised[0].caption, "Error");
    EXPECT_EQ(raised[0].text, "Failed to Load File!");
    EXPECT_TRUE(raised[0].namesFile);
}

}  // namespace
