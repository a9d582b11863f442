// The demo platform: the simulated cable listed beside the native devices,
// every call reaching the backend its device belongs to, and plug events of
// both backends reaching the controller.

#include "link/sim/hid_demo_platform.h"

#include "link/hid/hid_native_platform.h"
#include "link/hid/hid_test_support.h"
#include "link/hid/hid_text.h"
#include "link/sim/simulated_cable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Listed {
    std::string Product;
    std::string Serial;
    std::string Path;
    uint32_t Instance = 0;
    uint16_t VendorID = 0, ProductID = 0;
    bool FullAccess = false;
};

/// What a controller on @p platform lists, as `zqmeter-cli devices` reads it.
std::vector<Listed> listDevices(std::shared_ptr<THidPlatform> platform)
{
    THidManualDispatcher dispatcher;
    THidDeviceController controller(std::move(platform), dispatcher);
    std::vector<Listed> listed;
    controller.SetOnEnumerate(THidEnumerateEvent::From([&](THidDevice& HidDev, int32_t) {
        listed.push_back({HidUtf16ToUtf8(HidDev.GetProductString()), HidUtf16ToUtf8(HidDev.GetSerialNumberString()),
                          HidDev.PnPInfo()->DevicePath, HidDev.PnPInfo()->DeviceInstance,
                          HidDev.Attributes().VendorID, HidDev.Attributes().ProductID, HidDev.FullAccess()});
        return true;
    }));
    controller.EnumerateDevices();
    return listed;
}

void expectTheCable(const Listed& d)
{
    EXPECT_EQ(d.Product, "USB to Serial");
    EXPECT_EQ(d.Serial, "");
    EXPECT_EQ(d.Path.rfind(THidDemoPlatform::kSimulatedPathPrefix, 0), 0u) << d.Path;
    EXPECT_NE(d.Instance & THidDemoPlatform::kSimulatedInstanceFlag, 0u);
    EXPECT_EQ(d.VendorID, 0x1A86);
    EXPECT_EQ(d.ProductID, 0xE008);
    EXPECT_TRUE(d.FullAccess);
}

// On this machine: whatever the native platform finds (often nothing),
// then the cable.
TEST(HidDemoPlatform, ListsTheCableAfterTheNativeDevices)
{
    const std::vector<Listed> native = listDevices(CreateNativeHidPlatform());
    const std::vector<Listed> demo = listDevices(CreateDemoHidPlatform(1234));
    ASSERT_EQ(demo.size(), native.size() + 1);
    for (std::size_t i = 0; i < native.size(); ++i)
        EXPECT_EQ(demo[i].Path, native[i].Path);
    expectTheCable(demo.back());
}

TEST(HidDemoPlatform, ListsTheCableWithoutNativeHidServices)
{
    auto native = std::make_shared<THidSimPlatform>();
    native->Plug(SimBridge(1));
    native->SetServicesAbsent(true);
    const std::vector<Listed> demo = listDevices(CreateDemoHidPlatform(native, 99));
    ASSERT_EQ(demo.size(), 1u);
    expectTheCable(demo[0]);
}

/// A "native" backend with a mouse (instance 1, 5-byte input reports) and a
/// simulated one with the cable, also instance 1, behind one demo platform.
struct TwoBackends : HidWorld {
    std::shared_ptr<THidSimPlatform> Native = std::make_shared<THidSimPlatform>();
    std::shared_ptr<SimulatedCable> Cable = std::make_shared<SimulatedCable>(Platform);
    std::shared_ptr<THidDemoPlatform> Demo;
    std::unique_ptr<THidDeviceController> Controller;
    std::vector<std::unique_ptr<THidDevice>> Claimed;

    TwoBackends()
    {
        THidSimDevice mouse;
        mouse.DeviceInstance = 1;
        mouse.VendorID = 0x046D;
        mouse.ProductID = 0xC077;
        mouse.ProductString = u"Mouse";
        mouse.Caps = THidCaps{2, 1, 5, 0, 0};
        Native->Plug(mouse);
        Cable->plug(1);
        Demo = std::make_shared<THidDemoPlatform>(Native, Platform, Cable);
        Controller = std::make_unique<THidDeviceController>(Demo, Dispatcher);
        Controller->OnArrival = THidPlugEvent::From([this](THidDevice& HidDev) {
            Events.push_back("arrival " + HidUtf16ToUtf8(HidDev.GetProductString()));
        });
        Controller->OnRemoval = THidPlugEvent::From([this](THidDevice& HidDev) {
            Events.push_back("removal " + HidUtf16ToUtf8(HidDev.GetProductString()));
        });
        Claimed = ClaimAll(*Controller);
    }
    ~TwoBackends()
    {
        Claimed.clear();
        Controller.reset();
    }
};

TEST(HidDemoPlatform, RoutesEachDeviceToItsBackend)
{
    TwoBackends w;
    ASSERT_EQ(w.Claimed.size(), 2u);
    THidDevice& mouse = *w.Claimed[0];
    THidDevice& cable = *w.Claimed[1];
    EXPECT_EQ(mouse.PnPInfo()->DevicePath, "sim:hid#1");
    EXPECT_EQ(mouse.PnPInfo()->DeviceInstance, 1u);
    EXPECT_EQ(cable.PnPInfo()->DevicePath, "demo:sim:hid#1");
    EXPECT_EQ(cable.PnPInfo()->DeviceInstance, 0x80000001u);
    EXPECT_EQ(HidUtf16ToUtf8(mouse.GetProductString()), "Mouse");
    EXPECT_EQ(HidUtf16ToUtf8(cable.GetProductString()), "USB to Serial");
    EXPECT_EQ(mouse.QueryCaps().InputReportByteLength, 5u);
    EXPECT_EQ(cable.QueryCaps().InputReportByteLength, 9u);

    // The feature report reaches the cable's backend only.
    ASSERT_TRUE(cable.SendFeature(SimulatedCable::kLineSettingsReport.data(), 10));
    EXPECT_EQ(w.Platform->FeatureReports(1).size(), 1u);
    EXPECT_TRUE(w.Native->FeatureReports(1).empty());

    // Input reports of both come through their own readers.
    std::vector<std::vector<uint8_t>> mouseReports;
    uint64_t cableReports = 0;
    int cableData = 0;
    mouse.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t ReportID, const uint8_t* Data, uint16_t Size) {
        std::vector<uint8_t> report{ReportID};
        report.insert(report.end(), Data, Data + Size);
        mouseReports.push_back(report);
    }));
    cable.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t* Data, uint16_t Size) {
        ++cableReports;
        if (Size > 0 && (Data[0] & 0x0F) != 0)
            ++cableData;
    }));
    ASSERT_TRUE(w.Platform->WaitForPendingRead(1, kWait));
    w.Native->QueueInputReport(1, {0x00, 0x01, 0x02, 0x03, 0x04});
    for (int i = 0; i < 5; ++i) {
        w.Cable->advanceTime(240);
        ASSERT_TRUE(w.RunUntil([&] { return cableReports == w.Cable->reportsSent(); }));
    }
    ASSERT_TRUE(w.RunUntil([&] { return mouseReports.size() == 1; }));
    EXPECT_GE(cableData, 18) << "two frames, 9 or 10 reports each";
    EXPECT_EQ(mouseReports[0], (std::vector<uint8_t>{0x00, 0x01, 0x02, 0x03, 0x04}));

    // Plug events of both backends reach the controller.
    THidSimDevice keyboard;
    keyboard.DeviceInstance = 2;
    keyboard.ProductString = u"Keyboard";
    w.Native->Plug(keyboard);
    ASSERT_TRUE(w.RunUntil([&] { return w.Events.size() == 1; }));
    w.Cable->unplug();
    ASSERT_TRUE(w.RunUntil([&] { return w.Events.size() == 2; }));
    EXPECT_EQ(w.Events, (std::vector<std::string>{"arrival Keyboard", "removal USB to Serial"}));
    EXPECT_FALSE(cable.Attached());
    EXPECT_TRUE(mouse.Attached());
}

}  // namespace
