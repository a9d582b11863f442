#include "cli/devices_command.h"

#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct CommandRun {
    int Status;
    std::string Out, Err;
};

CommandRun runWith(std::shared_ptr<THidSimPlatform> platform, std::vector<std::string> args = {})
{
    std::ostringstream out, err;
    const int status = runDevicesCommand(args, out, err, std::move(platform));
    return {status, out.str(), err.str()};
}

TEST(DevicesCommand, SaysSoWhenThereIsNoDevice)
{
    const CommandRun r = runWith(std::make_shared<THidSimPlatform>());
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "No HID devices found.\n");
    EXPECT_EQ(r.Err, "");
}

TEST(DevicesCommand, ListsEachInterfaceAndPointsToTheUdevRule)
{
    auto platform = std::make_shared<THidSimPlatform>();
    THidSimDevice bridge = SimBridge(1);
    bridge.Access = EHidSimAccess::QueryOnly;
    bridge.SerialNumberString = u"A\"7\n";
    platform->Plug(bridge);
    THidSimDevice other;
    other.DeviceInstance = 2;
    other.VendorID = 0x1A2B;
    other.ProductID = 0x00C3;
    other.VersionNumber = 0x0001;
    platform->Plug(other);

    const CommandRun r = runWith(platform);
    EXPECT_EQ(r.Status, 0);
    // a cable with a serial number is not the one the program pre-selects
    EXPECT_NE(r.Out.find("  1A86:E008  version 0100  product \"USB to Serial\"  serial \"A\\\"7?\"  "
                         "\"sim:hid#1\"  query-only  caption \"USB to Serial (Serial=A\\\"7?)\"\n"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("  1A2B:00C3  version 0001  product \"\"  serial \"\"  \"sim:hid#2\"  read-write  "
                         "caption \"Device VID=1A2B PID=00C3\"\n"),
              std::string::npos)
        << r.Out;
    EXPECT_EQ(r.Out.find("* "), std::string::npos);
    EXPECT_NE(r.Out.find("70-zqmeter.rules"), std::string::npos);
}

TEST(DevicesCommand, NoRuleHintWhenTheBridgeOpensReadWrite)
{
    auto platform = std::make_shared<THidSimPlatform>();
    platform->Plug(SimBridge(1));
    platform->Plug(SimBridge(2));
    const CommandRun r = runWith(platform);
    EXPECT_NE(r.Out.find("read-write"), std::string::npos);
    EXPECT_EQ(r.Out.find("udev"), std::string::npos);
    // of two cables the later one is pre-selected
    EXPECT_NE(r.Out.find("* 1A86:E008  version 0100  product \"USB to Serial\"  serial \"\"  \"sim:hid#2\""),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("  1A86:E008  version 0100  product \"USB to Serial\"  serial \"\"  \"sim:hid#1\""),
              std::string::npos);
}

TEST(DevicesCommand, MalformedCommandLinePrintsUsage)
{
    for (const auto& args : {std::vector<std::string>{"--bogus"}, {"a", "b"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(runDevicesCommand(args, out, err), 2);
        EXPECT_EQ(err.str(), "usage: zqmeter-cli devices [--demo]\n");
        EXPECT_EQ(out.str(), "");
    }
}

TEST(DevicesCommand, FailsWhileAnotherControllerLives)
{
    HidWorld w;
    THidDeviceController first(w.Platform, w.Dispatcher);
    const CommandRun r = runWith(std::make_shared<THidSimPlatform>());
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "zqmeter-cli devices: Only one THidDeviceController allowed per program\n");
}

}  // namespace
