// THidDevice against the simulated platform: construction, access rules,
// texts, feature reports and what deleting a claimed object leaves behind.

#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_pnp_info.h"
#include "link/hid/hid_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

namespace {

std::unique_ptr<THidPnPInfo> pnpFor(THidSimPlatform& platform, uint32_t instance)
{
    const THidDeviceInfoSet set = platform.GetClassDevs(kFixedHidGuid);
    for (uint32_t i = 0; platform.EnumDeviceInterfaces(set, i); ++i) {
        uint32_t size = 0, inst = 0;
        std::string path;
        platform.QueryDeviceInterfaceDetailSize(set, i, size);
        platform.GetDeviceInterfaceDetail(set, i, size, path, inst);
        if (inst == instance) {
            auto info = std::make_unique<THidPnPInfo>(platform, set, i, inst, path);
            platform.DestroyDeviceInfoList(set);
            return info;
        }
    }
    platform.DestroyDeviceInfoList(set);
    return nullptr;
}

TEST(HidDevice, ConstructionFailsWithFixedMessagesAndClosesWhatItOpened)
{
    struct Case {
        EHidSimAccess Access;
        bool IdentificationFails;
        const char* Message;
    };
    for (const Case& c : {Case{EHidSimAccess::None, false, kHidErrorCannotOpen},
                          Case{EHidSimAccess::ReadWrite, true, kHidErrorCannotIdentify},
                          Case{EHidSimAccess::QueryOnly, true, kHidErrorCannotIdentify}}) {
        HidWorld w;
        THidSimDevice desc = SimBridge(5);
        desc.Access = c.Access;
        desc.IdentificationFails = c.IdentificationFails;
        w.Platform->Plug(desc);
        try {
            THidDevice device(pnpFor(*w.Platform, 5), nullptr, w.Platform, w.Dispatcher);
            ADD_FAILURE() << "constructed";
        } catch (const EHidControllerError& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
        EXPECT_EQ(w.Platform->OpenHandleCount(5), 0u);
    }
}

TEST(HidDevice, ConstructionIdentifiesAndKeepsNoHandleOpen)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(3));
    THidDevice device(pnpFor(*w.Platform, 3), nullptr, w.Platform, w.Dispatcher);
    EXPECT_TRUE(device.Attached());
    EXPECT_FALSE(device.Claimed());
    EXPECT_TRUE(device.FullAccess());
    EXPECT_EQ(device.Attributes().Size, 12u);
    EXPECT_EQ(device.Attributes().VendorID, 0x1A86);
    EXPECT_EQ(device.Attributes().ProductID, 0xE008);
    EXPECT_EQ(device.Attributes().VersionNumber, 0x0100);
    EXPECT_EQ(device.ReadSleepTime(), 100);
    EXPECT_EQ(device.PnPInfo()->DeviceInstance, 3u);
    EXPECT_EQ(device.PnPInfo()->Property(0x07)->Text, "HIDClass");
    EXPECT_EQ(device.PnPInfo()->Property(0x01)->List,
              (std::vector<std::string>{"HID\\VID_1A86&PID_E008", "HID_DEVICE"}));
    EXPECT_EQ(device.PnPInfo()->Property(0x0F)->Number, 0u);  // unavailable: 0
    EXPECT_EQ(w.Platform->OpenHandleCount(3), 0u);
}

TEST(HidDevice, WithoutAccessTextsComeFromTheCacheOnly)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(3));
    THidDevice device(pnpFor(*w.Platform, 3), nullptr, w.Platform, w.Dispatcher);
    EXPECT_FALSE(device.CanAccess());
    EXPECT_EQ(device.GetProductString(), u"");
    EXPECT_FALSE(device.OpenMain());
    EXPECT_FALSE(device.SendFeature(reinterpret_cast<const uint8_t*>("\0\1"), 2));
    EXPECT_EQ(w.Platform->OpenHandleCount(3), 0u);
    EXPECT_TRUE(w.Platform->FeatureReports(3).empty());
}

TEST(HidDevice, SetReadSleepTimeTakesTenToTenThousand)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(3));
    THidDevice device(pnpFor(*w.Platform, 3), nullptr, w.Platform, w.Dispatcher);
    for (const auto& [ms, expected] : {std::pair{9, 100}, {10, 10}, {10001, 10}, {10000, 10000}, {-5, 10000}}) {
        device.SetReadSleepTime(ms);
        EXPECT_EQ(device.ReadSleepTime(), expected) << ms;
    }
}

// The serial number is taken unless, within the length of the language-ID
// list, it equals that list.
TEST(HidDevice, SerialNumberIsCheckedAgainstTheLanguageList)
{
    struct Case {
        std::optional<std::u16string> Serial;
        std::vector<char16_t> Languages;
        std::u16string Expected;
    };
    const Case cases[] = {
        {u"A1B2", {0x0409}, u"A1B2"},
        {u"\u0409", {0x0409}, u""},                   // the list itself
        {u"\u0409\u0407X", {0x0409, 0x0407}, u""},    // equal within the list's length
        {u"\u0409X", {0x0409, 0x0407}, u"\u0409X"},   // differs at the 2nd word
        {u"A1B2", {}, u""},                           // no list answered: Len 0
        {std::nullopt, {0x0409}, u""},                // no serial at all
        {u"", {0x0409}, u""},
    };
    for (const Case& c : cases) {
        HidWorld w;
        THidSimDevice desc = SimBridge(4);
        desc.SerialNumberString = c.Serial;
        desc.LanguageIds = c.Languages;
        w.Platform->Plug(desc);
        THidDeviceController controller(w.Platform, w.Dispatcher);
        auto claimed = ClaimAll(controller);
        ASSERT_EQ(claimed.size(), 1u);
        EXPECT_EQ(claimed[0]->GetSerialNumberString(), c.Expected);
        EXPECT_EQ(w.Platform->OpenHandleCount(4), 0u);
    }
}

TEST(HidDevice, ClaimedDeviceSendsFeatureReportsAndKeepsTheMainHandle)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(4));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 1u);
    const uint8_t report[10] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0, 0, 0, 0};
    EXPECT_TRUE(claimed[0]->SendFeature(report, sizeof report));
    ASSERT_EQ(w.Platform->FeatureReports(4).size(), 1u);
    EXPECT_EQ(w.Platform->FeatureReports(4)[0], std::vector<uint8_t>(report, report + 10));
    EXPECT_EQ(w.Platform->OpenHandleCount(4), 1u);
    EXPECT_EQ(claimed[0]->InputBufferCount(), 32);
    // Reading a text closes the main handle again, even one open before.
    EXPECT_EQ(claimed[0]->GetProductString(), u"USB to Serial");
    EXPECT_EQ(w.Platform->OpenHandleCount(4), 0u);
    EXPECT_EQ(claimed[0]->InputBufferCount(), 0);
}

TEST(HidDevice, QueryOnlyDeviceIsListedWithoutFullAccessAndStartsNoReader)
{
    HidWorld w;
    THidSimDevice desc = SimBridge(6);
    desc.Access = EHidSimAccess::QueryOnly;
    w.Platform->Plug(desc);
    THidDeviceController controller(w.Platform, w.Dispatcher);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 1u);
    THidDevice& device = *claimed[0];
    EXPECT_FALSE(device.FullAccess());
    EXPECT_EQ(device.GetProductString(), u"USB to Serial");

    int delivered = 0;
    device.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) { ++delivered; }));
    EXPECT_EQ(device.ReadThread(), nullptr);
    w.Platform->QueueInputReport(6, {0x00, 0x01, 0x55});
    w.Dispatcher.RunPending();
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(w.Platform->ReadStartCount(6), 0u);
    const uint8_t report[2] = {0, 1};
    EXPECT_FALSE(device.SendFeature(report, 2));
}

// A handle opened during a callback stays usable by OpenMain after the
// callback, but the read handle cannot be opened any more.
TEST(HidDevice, OpenMainCountsAnOpenHandleAfterAccessEnds)
{
    HidWorld w;
    THidDeviceController controller(w.Platform, w.Dispatcher);
    controller.OnArrival = THidPlugEvent::From([](THidDevice& HidDev) {
        const uint8_t report[2] = {0, 1};
        HidDev.SendFeature(report, 2);
    });
    w.Platform->Plug(SimBridge(7));
    ASSERT_TRUE(w.RunUntil([&] { return controller.DeviceList().size() == 1; }));
    THidDevice& device = *controller.DeviceList()[0];
    EXPECT_FALSE(device.CanAccess());
    EXPECT_TRUE(device.OpenMain());
    EXPECT_FALSE(device.OpenOverlapped(THidDevice::EOverlappedMode::Read));
    EXPECT_FALSE(device.OpenOverlapped(THidDevice::EOverlappedMode::Write));
}

TEST(HidDevice, DeletingAClaimedAttachedDevicePutsAnUnclaimedReplacementInItsPlace)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    w.Platform->Plug(SimBridge(2));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 2u);
    THidDevice* first = claimed[0].get();
    const THidPnPInfo* info = first->PnPInfo();
    auto data = THidDataEvent::From([](THidDevice&, uint8_t, const uint8_t*, uint16_t) {});
    auto unplug = THidPlugEvent::From([](THidDevice&) {});
    first->SetDataHandler(data);
    first->SetUnplugHandler(unplug);
    first->SetDataErrorHandler(THidDataErrorEvent::From([](THidDevice&, uint32_t) {}));
    first->SetReadSleepTime(250);
    ASSERT_NE(first->ReadThread(), nullptr);

    claimed[0].reset();

    ASSERT_EQ(controller.DeviceList().size(), 2u);
    THidDevice* replacement = controller.DeviceList()[0];
    EXPECT_EQ(controller.DeviceList()[1], claimed[1].get());
    EXPECT_EQ(replacement->PnPInfo(), info);  // the record moved over
    EXPECT_FALSE(replacement->Claimed());
    EXPECT_TRUE(replacement->Attached());
    EXPECT_TRUE(replacement->DataHandler().SameRoutine(data));
    EXPECT_TRUE(replacement->UnplugHandler().SameRoutine(unplug));
    EXPECT_FALSE(replacement->DataErrorHandler());
    EXPECT_EQ(replacement->ReadSleepTime(), 250);
    EXPECT_EQ(replacement->ReadThread(), nullptr);
    EXPECT_EQ(w.Platform->OpenHandleCount(1), 0u);

    // It can be claimed again, and then reads at once.
    std::unique_ptr<THidDevice> again = controller.ClaimDeviceAt(0);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->ReadThread(), nullptr);
}

TEST(HidDevice, DeletingAGoneClaimedDeviceRemovesItsEntry)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 1u);
    w.Platform->Unplug(1);
    controller.DeviceChange();
    ASSERT_EQ(controller.DeviceList().size(), 1u);
    EXPECT_FALSE(claimed[0]->Attached());
    claimed.clear();
    EXPECT_TRUE(controller.DeviceList().empty());
}

// The device vanished but no pass has run yet: releasing it opens nothing
// (the replacement takes over what is known), and the next device-change
// pass drops the replacement as removed.
TEST(HidDevice, ReleasingAVanishedDeviceOpensNothingAndTheNextPassDropsIt)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    w.Platform->Plug(SimBridge(2));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 2u);
    const std::u16string product = claimed[0]->GetProductString();
    w.Platform->Unplug(1);
    claimed[0].reset();
    ASSERT_EQ(controller.DeviceList().size(), 2u);
    THidDevice* replacement = controller.DeviceList()[0];
    EXPECT_FALSE(replacement->Claimed());
    EXPECT_EQ(replacement->GetProductString(), product);  // known, not asked again
    EXPECT_EQ(w.Platform->OpenHandleCount(1), 0u);

    int removals = 0;
    controller.OnRemoval = THidPlugEvent::From([&](THidDevice&) { ++removals; });
    w.Dispatcher.RunPending();  // the pass the unplug posted
    EXPECT_EQ(removals, 1);
    ASSERT_EQ(controller.DeviceList().size(), 1u);
    EXPECT_EQ(controller.DeviceList()[0], claimed[1].get());
}

}  // namespace
