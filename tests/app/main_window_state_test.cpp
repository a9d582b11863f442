#include "app/main_window_state.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"

#include "test_case_name.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(MainWindowState, FormCreateSetsTheStartUpDefaults)
{
    MainWindowState state;
    EXPECT_EQ(state.PortKind(), 0);
    state.FormCreate(",", "/opt/zqmeter/");
    EXPECT_EQ(state.Caption(), "KP-7730 Interface Program Ver:3.01");
    EXPECT_EQ(state.PortKind(), 5);
    EXPECT_EQ(state.ProgramFolder(), "/opt/zqmeter/");
    EXPECT_EQ(state.decoder().LocaleDecimal(), ",");
    EXPECT_TRUE(state.ChartFollowLast());
    EXPECT_TRUE(state.RepeatSetChecked());
    EXPECT_TRUE(state.Marks().COM1);
    EXPECT_TRUE(state.marked("set10k"));
    EXPECT_FALSE(state.Marks().USB);
    EXPECT_EQ(state.NeedleValue(), 600);
    EXPECT_EQ(state.ScaleDrawings(), 1);
    EXPECT_EQ(state.Dial().BarMax, 60);
    EXPECT_EQ(state.BarMaxSet(), 60);
    EXPECT_EQ(state.BarPosition(), 20);
    EXPECT_EQ(state.ValueAxisMin(), -11000);
    EXPECT_EQ(state.ValueAxisMax(), 11000);
    EXPECT_FALSE(state.lcd().visible(LcdElement::CONok));
    EXPECT_TRUE(state.lcd().visible(LcdElement::CONokN));
}

// Port kind, check marks and Panel1 caption after a run of clicks from start-up.
struct PortCase {
    const char* name;
    std::vector<void (MainWindowState::*)()> clicks;
    int8_t portKind;
    std::array<bool, 5> marks;  // COM1..COM4, USB
    const char* panel1;
};

const PortCase kPortCases[] = {
    {"COM2", {&MainWindowState::COM2Click}, 2, {false, true, false, false, false}, "COM2"},
    {"COM1 twice toggles the mark but keeps the kind",
     {&MainWindowState::COM1Click, &MainWindowState::COM1Click}, 1, {true, false, false, false, false}, "COM1"},
    {"USB clears the COM marks", {&MainWindowState::COM3Click, &MainWindowState::USBClick}, 5,
     {false, false, false, false, true}, "USB"},
    {"COM leaves the USB mark", {&MainWindowState::USBClick, &MainWindowState::COM4Click}, 4,
     {false, false, false, true, true}, "COM4"},
    {"Panel1 from USB selects COM1 and clears its start-up mark", {&MainWindowState::Panel1Click}, 1,
     {false, false, false, false, false}, "COM1"},
    {"Panel1 cycles", {&MainWindowState::Panel1Click, &MainWindowState::Panel1Click}, 2,
     {false, true, false, false, false}, "COM2"},
    {"Panel1 from COM4 goes to USB", {&MainWindowState::COM4Click, &MainWindowState::Panel1Click}, 5,
     {false, false, false, false, true}, "USB"},
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

class PortTable : public testing::TestWithParam<PortCase> {};

TEST_P(PortTable, ClicksSelectThePortKind)
{
    MainWindowState state;
    state.FormCreate(".", "/");
    for (auto click : GetParam().clicks)
        (state.*click)();
    EXPECT_EQ(state.PortKind(), GetParam().portKind);
    const auto& m = state.Marks();
    EXPECT_EQ((std::array<bool, 5>{m.COM1, m.COM2, m.COM3, m.COM4, m.USB}), GetParam().marks);
    EXPECT_EQ(state.Panel1Caption(), GetParam().panel1);
}

INSTANTIATE_TEST_SUITE_P(Clicks, PortTable, testing::ValuesIn(kPortCases), CaseName());

// The program's start-up against a simulated cable: the controller fills
// the device list and pre-selects the cable before FormCreate.
struct WithCable {
    std::shared_ptr<THidSimPlatform> platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher dispatcher;
    MainWindowState state;

    WithCable()
    {
        THidSimDevice cable;
        cable.VendorID = 0x1A86;
        cable.ProductID = 0xE008;
        cable.ProductString = u"USB to Serial";
        platform->Plug(cable);
        EXPECT_EQ(state.startHid(platform, dispatcher), "");
        state.FormCreate(".", "/");
    }
};

TEST(MainWindowState, StartUpSelectsTheCableAndConnects)
{
    WithCable w;
    ASSERT_EQ(w.state.link().DevListBox().size(), 1u);
    EXPECT_EQ(w.state.link().selectedDevice(), 0);
    w.state.Panel2Click();
    EXPECT_TRUE(w.state.link().connected());
    EXPECT_EQ(w.state.link().Panel2Caption(), "Disconnect");
    EXPECT_TRUE(w.state.messages().empty());
}

TEST(MainWindowState, WatchdogTurnsTheLinkIconOffAndReportsASilentMeter)
{
    WithCable w;
    w.state.Panel2Click();
    // 000123422205105182075418DA in four reports, closed by an idle one.
    const uint8_t reports[5][8] = {
        {0xF7, 0x30, 0x30, 0x30, 0x31, 0x32, 0x33, 0x34}, {0xF7, 0x32, 0x32, 0x32, 0x30, 0x35, 0x31, 0x30},
        {0xF7, 0x35, 0x31, 0x38, 0x32, 0x30, 0x37, 0x35}, {0xF5, 0x34, 0x31, 0x38, 0x0D, 0x0A, 0x00, 0x00},
        {0xF0}};
    for (const auto& report : reports)
        w.state.ReadReport(0, report, sizeof report);
    ASSERT_EQ(w.state.decoder().decodedFrames(), 1u);
    ASSERT_TRUE(w.state.link().LinkIconLit());
    const uint8_t idle[8] = {0xF0};
    for (int i = 0; i < CableConnection::kIdleReportLimit; ++i)
        w.state.ReadReport(0, idle, sizeof idle);
    for (int tick = 0; tick < 3; ++tick)
        w.state.ConTimerTimer();
    EXPECT_FALSE(w.state.link().LinkIconLit());
    EXPECT_EQ(w.state.messages(), std::vector<std::string>{std::string(CableConnection::kMeterNotReadyText)});
    EXPECT_FALSE(w.state.link().connected());
    EXPECT_EQ(w.state.link().Panel2Caption(), "Connect");
}

// Posted HID work that throws (here, work queued by anyone on the main
// thread's queue) is reported in the history list; the loop goes on.
TEST(MainWindowState, FailedPostedWorkIsAHistoryLine)
{
    WithCable w;
    int ran = 0;
    w.dispatcher.Post([] { throw std::runtime_error("device list corrupt"); });
    w.dispatcher.Post([&] { ++ran; });
    EXPECT_NO_THROW(w.dispatcher.RunPending());
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(w.state.link().HistoryListBox().back(), "EVENT FAILED: device list corrupt");
}

TEST(MainWindowState, WithoutHidServicesTheHistorySaysWhy)
{
    auto platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher dispatcher;
    MainWindowState first;
    ASSERT_EQ(first.startHid(platform, dispatcher), "");
    MainWindowState second;
    EXPECT_EQ(second.startHid(platform, dispatcher), "Only one THidDeviceController allowed per program");
    EXPECT_EQ(second.link().HistoryListBox().back(),
              "HID services unavailable: Only one THidDeviceController allowed per program");
    EXPECT_EQ(second.hidController(), nullptr);
}

TEST(MainWindowState, Panel1DoesNothingWhileConnected)
{
    WithCable w;
    MainWindowState& state = w.state;
    state.Panel2Click();
    ASSERT_EQ(state.link().Panel2Caption(), "Disconnect");
    state.Panel1Click();
    EXPECT_EQ(state.PortKind(), 5);
    EXPECT_TRUE(state.Marks().COM1);
    EXPECT_EQ(state.Panel1Caption(), "USB");
}

TEST(MainWindowState, HelpLooksBesideTheProgram)
{
    MainWindowState state;
    state.FormCreate(".", "/opt/zqmeter/bin/");
    EXPECT_EQ(state.HelpFile(), "");
    EXPECT_EQ(state.HELP1Click(), "/opt/zqmeter/bin/zq7.hlp");
    EXPECT_EQ(state.HelpFile(), "/opt/zqmeter/bin/zq7.hlp");
}

TEST(MainWindowState, MenuMarksByItemName)
{
    MainWindowState state;
    state.FormCreate(".", "/");
    for (const char* item : {"COM1", "set10k", "FillP"})
        EXPECT_TRUE(state.marked(item)) << item;
    for (const char* item : {"COM2", "USB", "set1k", "setlimit", "HELP1", "Rec", ""})
        EXPECT_FALSE(state.marked(item)) << item;
    state.USBClick();
    EXPECT_TRUE(state.marked("USB"));
    EXPECT_FALSE(state.marked("COM1"));
}

TEST(MainWindowState, FramesFeedTheChartAxisAndTheBoundedFrameLog)
{
    MainWindowState state;
    state.FormCreate(".", "/");
    state.ShowDataQ7("000123422205105182075418DA");
    EXPECT_EQ(state.ValueAxisMin(), -1000);
    EXPECT_EQ(state.ValueAxisMax(), 1000);
    EXPECT_TRUE(state.lastFrameCalls().offered);
    EXPECT_EQ(state.lastFrameCalls().recorded, 1);
    EXPECT_EQ(state.cds1().rowCount(), 1u);
    EXPECT_EQ(state.ChartControl().Chart().pointCount(), 2);  // the placeholder and the reading
    EXPECT_EQ(state.chart().Bt10Caption(), "1");
    EXPECT_TRUE(state.lastFrameCalls().scaleDrawn);

    for (std::size_t i = 0; i < MainWindowState::kFrameLogLimit + 5; ++i)
        state.ShowDataQ7(i % 2 ? "000123422205105182075418DA" : "000123422205105182075418XX");
    EXPECT_EQ(state.frameLog().size(), MainWindowState::kFrameLogLimit);
    EXPECT_EQ(state.frameLog().back(), "000123422205105182075418XX");
    EXPECT_FALSE(state.lastFrameCalls().scaleDrawn);
    const int64_t readings = state.ChartControl().Chart().pointCount() - 1;
    EXPECT_EQ(state.chart().Bt10Caption(), std::to_string((readings + 99) / 100));
    // Every decoded reading is charted and, with Repeat on, recorded.
    EXPECT_EQ(readings, 1 + static_cast<int64_t>(MainWindowState::kFrameLogLimit + 5) / 2);
    EXPECT_EQ(state.cds1().rowCount(), static_cast<std::size_t>(readings));
}

// Readings become rows of cds1 at the clock's time of day; the limit menu,
// the interval edit and the delete command act through the state's handlers.
TEST(MainWindowState, RecordsReadingsAndDeletesThemWithTheChart)
{
    MainWindowState state;
    state.setTimeOfDay([] { return 13 * 3600 + 5 * 60 + 9; });
    state.setTimeSeparator(".");
    std::vector<std::string> shown;
    state.setInformationBox([&](std::string_view t) { shown.emplace_back(t); });
    std::vector<std::string> errors;
    state.setErrorBox([&](std::string_view t) { errors.emplace_back(t); });
    state.FormCreate(".", "/");
    EXPECT_TRUE(state.marked("set10k"));
    EXPECT_EQ(state.RecordLimit(), 10000);

    state.ShowDataQ7("000123422205105182075418DA");
    ASSERT_EQ(state.cds1().rowCount(), 1u);
    EXPECT_EQ(state.cds1().fieldText(0, RecordField::Time), "13.05.09");
    EXPECT_EQ(state.cds1().fieldText(0, RecordField::Value), state.reading().ValueText);
    EXPECT_EQ(state.NextRecordNo(), 2);

    state.set1kClick();
    EXPECT_TRUE(state.marked("set1k"));
    EXPECT_FALSE(state.marked("set10k"));
    EXPECT_EQ(state.RecordLimit(), 1000);

    // A pasted text that is not a number: the error box, and the reading
    // is neither recorded nor counted.
    state.RecordSITimeChange("abc");
    ASSERT_EQ(errors.size(), 1u);
    state.ShowDataQ7("000123422205105182075418DA");
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(state.lastFrameCalls().recorded, std::nullopt);
    EXPECT_EQ(state.cds1().rowCount(), 1u);
    EXPECT_EQ(state.NextRecordNo(), 2);
    state.RecordSITimeChange("10");
    EXPECT_EQ(state.SampleCountdown(), 10);

    state.ClearRClick();
    EXPECT_EQ(shown, std::vector<std::string>{" Warning:all Records will be deleted! "});
    EXPECT_TRUE(state.cds1().empty());
    EXPECT_EQ(state.NextRecordNo(), 1);
    EXPECT_EQ(state.ChartControl().Chart().pointCount(), 1);  // only the placeholder

    // A reading the interval holds back is charted only; deleting the
    // empty table then keeps the chart's points.
    state.sampling().RecordSI = true;
    state.ShowDataQ7("000123422205105182075418DA");
    EXPECT_TRUE(state.cds1().empty());
    state.ClearRClick();
    EXPECT_EQ(state.ChartControl().Chart().pointCount(), 2);
    EXPECT_EQ(shown.size(), 2u);
}

}  // namespace
