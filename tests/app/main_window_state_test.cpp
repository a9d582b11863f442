#include "app/main_window_state.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"

#include "test_case_name.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindowState, FormCreateSetsTheStartUpDefaults)
{
    MainWindowState state;
    EXPECT_EQ(state.PortKind, 0);
    state.FormCreate(",", "/opt/zqmeter/");
    EXPECT_EQ(state.Caption, "KP-7730 Interface Program Ver:3.01");
    EXPECT_EQ(state.PortKind, 5);
    EXPECT_EQ(state.ProgramFolder, "/opt/zqmeter/");
    EXPECT_EQ(state.decoder().LocaleDecimal(), ",");
    EXPECT_TRUE(state.ChartFollowLast);
    EXPECT_TRUE(state.RepeatSetChecked);
    EXPECT_TRUE(state.Marks.COM1);
    EXPECT_TRUE(state.Marks.set10k);
    EXPECT_FALSE(state.Marks.USB);
    EXPECT_EQ(state.NeedleValue, 600);
    EXPECT_EQ(state.ScaleDrawings, 1);
    EXPECT_EQ(state.Dial.BarMax, 60);
    EXPECT_EQ(state.BarMaxSet, 60);
    EXPECT_EQ(state.BarPosition, 20);
    EXPECT_EQ(state.ValueAxisMin, -11000);
    EXPECT_EQ(state.ValueAxisMax, 11000);
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
    EXPECT_EQ(state.PortKind, GetParam().portKind);
    const auto& m = state.Marks;
    EXPECT_EQ((std::array<bool, 5>{m.COM1, m.COM2, m.COM3, m.COM4, m.USB}), GetParam().marks);
    EXPECT_EQ(state.Panel1Caption, GetParam().panel1);
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
    w.state.ShowDataQ7("000123422205105182075418DA");
    ASSERT_TRUE(w.state.lcd().visible(LcdElement::CONok));
    const uint8_t idle[8] = {0xF0};
    for (int i = 0; i < CableConnection::kIdleReportLimit; ++i)
        w.state.link().assembleReport(0, idle, sizeof idle);
    for (int tick = 0; tick < 3; ++tick)
        w.state.ConTimerTimer();
    EXPECT_FALSE(w.state.lcd().visible(LcdElement::CONok));
    EXPECT_TRUE(w.state.lcd().visible(LcdElement::CONokN));
    EXPECT_EQ(w.state.messages(), std::vector<std::string>{std::string(CableConnection::kMeterNotReadyText)});
    EXPECT_FALSE(w.state.link().connected());
}

TEST(MainWindowState, Panel1DoesNothingWhileConnected)
{
    WithCable w;
    MainWindowState& state = w.state;
    state.Panel2Click();
    ASSERT_EQ(state.link().Panel2Caption(), "Disconnect");
    state.Panel1Click();
    EXPECT_EQ(state.PortKind, 5);
    EXPECT_TRUE(state.Marks.COM1);
    EXPECT_EQ(state.Panel1Caption, "USB");
}

TEST(MainWindowState, HelpLooksBesideTheProgram)
{
    MainWindowState state;
    state.FormCreate(".", "/opt/zqmeter/bin/");
    EXPECT_EQ(state.HelpFile, "");
    EXPECT_EQ(state.HELP1Click(), "/opt/zqmeter/bin/zq7.hlp");
    EXPECT_EQ(state.HelpFile, "/opt/zqmeter/bin/zq7.hlp");
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
    EXPECT_EQ(state.ValueAxisMin, -1000);
    EXPECT_EQ(state.ValueAxisMax, 1000);
    EXPECT_EQ(state.OfferedReadings, 1);
    EXPECT_EQ(state.ChartReadings, 1);
    EXPECT_EQ(state.PageNumber, 1);
    EXPECT_TRUE(state.lastFrameCalls().scaleDrawn);

    for (std::size_t i = 0; i < MainWindowState::kFrameLogLimit + 5; ++i)
        state.ShowDataQ7(i % 2 ? "000123422205105182075418DA" : "000123422205105182075418XX");
    EXPECT_EQ(state.frameLog().size(), MainWindowState::kFrameLogLimit);
    EXPECT_EQ(state.frameLog().back(), "000123422205105182075418XX");
    EXPECT_FALSE(state.lastFrameCalls().scaleDrawn);
    EXPECT_EQ(state.PageNumber, static_cast<int32_t>((state.ChartReadings + 99) / 100));
}

}  // namespace
