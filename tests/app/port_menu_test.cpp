#include "app/port_menu.h"

#include "test_case_name.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// Port kind, check marks and Panel1 caption after a run of clicks from start-up.
struct PortCase {
    const char* name;
    std::vector<void (*)(PortMenu&)> clicks;
    int8_t portKind;
    std::array<bool, 5> marks;  // COM1..COM4, USB
    const char* panel1;
};

void com1(PortMenu& m) { m.COM1Click(); }
void com2(PortMenu& m) { m.COM2Click(); }
void com3(PortMenu& m) { m.COM3Click(); }
void com4(PortMenu& m) { m.COM4Click(); }
void usb(PortMenu& m) { m.USBClick(); }
void panel1(PortMenu& m) { m.Panel1Click("Connect"); }

const PortCase kPortCases[] = {
    {"COM2", {com2}, 2, {false, true, false, false, false}, "COM2"},
    {"COM1 twice toggles the mark but keeps the kind", {com1, com1}, 1, {true, false, false, false, false}, "COM1"},
    {"USB clears the COM marks", {com3, usb}, 5, {false, false, false, false, true}, "USB"},
    {"COM leaves the USB mark", {usb, com4}, 4, {false, false, false, true, true}, "COM4"},
    {"Panel1 from USB selects COM1 and clears its start-up mark", {panel1}, 1, {false, false, false, false, false},
     "COM1"},
    {"Panel1 cycles", {panel1, panel1}, 2, {false, true, false, false, false}, "COM2"},
    {"Panel1 from COM4 goes to USB", {com4, panel1}, 5, {false, false, false, false, true}, "USB"},
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

class PortTable : public testing::TestWithParam<PortCase> {};

TEST_P(PortTable, ClicksSelectThePortKind)
{
    PortMenu menu;
    menu.FormCreate();
    for (auto click : GetParam().clicks)
        click(menu);
    EXPECT_EQ(menu.PortKind(), GetParam().portKind);
    EXPECT_EQ((std::array<bool, 5>{menu.marked("COM1"), menu.marked("COM2"), menu.marked("COM3"),
                                   menu.marked("COM4"), menu.marked("USB")}),
              GetParam().marks);
    EXPECT_EQ(menu.Panel1Caption(), GetParam().panel1);
}

INSTANTIATE_TEST_SUITE_P(Clicks, PortTable, testing::ValuesIn(kPortCases), CaseName());

TEST(PortMenu, StartsOnUsbWithTheMarkOnCom1)
{
    PortMenu menu;
    EXPECT_EQ(menu.PortKind(), 0);
    menu.FormCreate();
    EXPECT_EQ(menu.PortKind(), PortMenu::kPortUsb);
    EXPECT_TRUE(menu.marked("COM1"));
    EXPECT_FALSE(menu.marked("USB"));
    EXPECT_FALSE(menu.marked("set10k"));
    EXPECT_EQ(menu.Panel1Caption(), "USB");
}

TEST(PortMenu, Panel1DoesNothingWhileConnected)
{
    PortMenu menu;
    menu.FormCreate();
    menu.Panel1Click("Disconnect");
    EXPECT_EQ(menu.PortKind(), 5);
    EXPECT_TRUE(menu.marked("COM1"));
    EXPECT_EQ(menu.Panel1Caption(), "USB");
}

}  // namespace
