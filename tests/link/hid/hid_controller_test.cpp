// THidDeviceController against the simulated platform: passes, enumeration,
// claims, handler setters and the one-controller rule.

#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace {

// Records controller events as "<event> <instance>".
struct Recorder {
    std::vector<std::string>& Events;
    static std::string name(const char* what, THidDevice& d)
    {
        return std::string(what) + ' ' + std::to_string(d.PnPInfo()->DeviceInstance);
    }
    // The handlers hold the event list, not the (temporary) recorder.
    void Attach(THidDeviceController& c)
    {
        std::vector<std::string>& events = Events;
        c.OnArrival = THidPlugEvent::From([&events](THidDevice& d) {
            EXPECT_TRUE(d.InCallback());
            EXPECT_EQ(d.GetProductString(), u"USB to Serial");  // readable without a claim
            events.push_back(name("arrival", d));
        });
        c.OnRemoval = THidPlugEvent::From([&events](THidDevice& d) {
            EXPECT_TRUE(d.InCallback());
            events.push_back(name("removal", d));
        });
        c.SetOnDeviceChange(THidNotifyEvent::From([&events](THidDeviceController&) { events.push_back("change"); }));
    }
};

TEST(HidController, FirstAssignmentOfOnDeviceChangeReportsOnceEvenWithoutDevices)
{
    HidWorld w;
    THidDeviceController controller(w.Platform, w.Dispatcher);
    int calls = 0;
    auto handler = THidNotifyEvent::From([&](THidDeviceController& Sender) {
        EXPECT_EQ(&Sender, &controller);
        ++calls;
    });
    EXPECT_FALSE(controller.InitialPassDone());
    controller.SetOnDeviceChange(handler);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(controller.InitialPassDone());
    controller.SetOnDeviceChange(handler);  // same routine: no pass
    controller.DeviceChange();              // nothing changed: no report
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(controller.Version(), "1.0.22");
    EXPECT_EQ(controller.DevThreadSleepTime(), 100);
}

TEST(HidController, WithoutHidServicesListsNothingAndHooksNothing)
{
    HidWorld w;
    w.Platform->SetServicesAbsent(true);
    w.Platform->Plug(SimBridge(1));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    EXPECT_TRUE(controller.DeviceList().empty());
    EXPECT_FALSE(w.Platform->HookInstalled());
    EXPECT_EQ(controller.HidGuid(), kFixedHidGuid);
    Recorder{w.Events}.Attach(controller);
    EXPECT_EQ(w.Events, std::vector<std::string>{"change"});
}

TEST(HidController, InterfacesThatCannotBeOpenedOrIdentifiedAreLeftOut)
{
    HidWorld w;
    THidSimDevice closed = SimBridge(1);
    closed.Access = EHidSimAccess::None;
    THidSimDevice anonymous = SimBridge(2);
    anonymous.IdentificationFails = true;
    w.Platform->Plug(closed);
    w.Platform->Plug(anonymous);
    w.Platform->Plug(SimBridge(3));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    ASSERT_EQ(controller.DeviceList().size(), 1u);
    EXPECT_EQ(controller.DeviceList()[0]->PnPInfo()->DeviceInstance, 3u);
}

TEST(HidController, EnumerateDevicesWithoutHandlerCountsOnlyTheFirst)
{
    HidWorld w;
    THidDeviceController empty(w.Platform, w.Dispatcher);
    EXPECT_EQ(empty.EnumerateDevices(), 0);
}

TEST(HidController, EnumerateDevicesVisitsUntilFalseAndClosesUnclaimedHandles)
{
    HidWorld w;
    for (uint32_t i = 1; i <= 3; ++i)
        w.Platform->Plug(SimBridge(i));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    EXPECT_EQ(controller.EnumerateDevices(), 1);

    std::vector<int32_t> visited;
    controller.SetOnEnumerate(THidEnumerateEvent::From([&](THidDevice& HidDev, int32_t Idx) {
        EXPECT_TRUE(HidDev.InCallback());
        HidDev.OpenMain();
        visited.push_back(Idx);
        return Idx < 1;
    }));
    EXPECT_EQ(controller.EnumerateDevices(), 2);
    EXPECT_EQ(visited, (std::vector<int32_t>{0, 1}));
    for (uint32_t i = 1; i <= 3; ++i)
        EXPECT_EQ(w.Platform->OpenHandleCount(i), 0u);
    EXPECT_FALSE(controller.DeviceList()[0]->InCallback());
}

TEST(HidController, ClaimDeviceAtRejectsPositionsOutsideTheListAndClaimedObjects)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    for (const int32_t idx : {-1, 1, 1000})
        EXPECT_EQ(controller.ClaimDeviceAt(idx), nullptr) << idx;
    std::unique_ptr<THidDevice> owned = controller.ClaimDeviceAt(0);
    ASSERT_NE(owned, nullptr);
    EXPECT_TRUE(owned->Claimed());
    EXPECT_EQ(controller.ClaimDeviceAt(0), nullptr);
}

// Unplugging a claimed, reading device: unplug handler, then OnRemoval, then
// OnDeviceChange; the reader's failed starts reach the error handler.
// Later passes report the gone object again, without the unplug handler.
TEST(HidController, UnplugOfAClaimedReadingDevice)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    Recorder{w.Events}.Attach(controller);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 1u);
    THidDevice& device = *claimed[0];
    std::vector<uint32_t> errors;
    device.SetUnplugHandler(THidPlugEvent::From([&](THidDevice& d) {
        EXPECT_FALSE(d.Attached());
        w.Events.push_back("unplug");
    }));
    device.SetDataErrorHandler(THidDataErrorEvent::From([&](THidDevice&, uint32_t Error) { errors.push_back(Error); }));
    device.SetDataHandler(THidDataEvent::From([](THidDevice&, uint8_t, const uint8_t*, uint16_t) {}));
    ASSERT_TRUE(w.Platform->WaitForPendingRead(1, kWait));
    w.Events.clear();

    w.Platform->Unplug(1);
    ASSERT_TRUE(w.RunUntil([&] { return w.Events.size() >= 3 && errors.size() >= 2; }));
    EXPECT_EQ(w.Events, (std::vector<std::string>{"unplug", "removal 1", "change"}));
    EXPECT_TRUE(std::all_of(errors.begin(), errors.end(), [](uint32_t e) { return e == ENODEV; }));
    EXPECT_FALSE(device.Attached());
    EXPECT_TRUE(device.Claimed());
    ASSERT_EQ(controller.DeviceList().size(), 1u);

    w.Events.clear();
    controller.DeviceChange();
    EXPECT_EQ(w.Events, (std::vector<std::string>{"removal 1", "change"}));

    claimed.clear();  // stops the failing reader, removes the entry
    EXPECT_TRUE(controller.DeviceList().empty());
}

TEST(HidController, UnplugOfAnUnclaimedDeviceDestroysItsObject)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    w.Platform->Plug(SimBridge(2));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    Recorder{w.Events}.Attach(controller);
    w.Events.clear();
    w.Platform->Unplug(1);
    ASSERT_TRUE(w.RunUntil([&] { return !w.Events.empty(); }));
    EXPECT_EQ(w.Events, (std::vector<std::string>{"removal 1", "change"}));
    ASSERT_EQ(controller.DeviceList().size(), 1u);
    EXPECT_EQ(controller.DeviceList()[0]->PnPInfo()->DeviceInstance, 2u);
}

// A device plugged in again with the same instance while its old claimed
// object is gone arrives as a new object, after the gone one; the gone one
// keeps its position, which enumeration skips.
TEST(HidController, ReplugArrivesAsANewObjectAndEnumerationSkipsTheGoneOne)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    Recorder{w.Events}.Attach(controller);
    auto claimed = ClaimAll(controller);
    ASSERT_EQ(claimed.size(), 1u);
    w.Platform->Unplug(1);
    ASSERT_TRUE(w.RunUntil([&] { return !claimed[0]->Attached(); }));
    w.Events.clear();

    w.Platform->Plug(SimBridge(1));
    ASSERT_TRUE(w.RunUntil([&] { return !w.Events.empty(); }));
    EXPECT_EQ(w.Events, (std::vector<std::string>{"removal 1", "arrival 1", "change"}));
    ASSERT_EQ(controller.DeviceList().size(), 2u);
    EXPECT_EQ(controller.DeviceList()[0], claimed[0].get());
    THidDevice* fresh = controller.DeviceList()[1];
    EXPECT_TRUE(fresh->Attached());
    EXPECT_FALSE(fresh->Claimed());

    std::vector<int32_t> visited;
    controller.SetOnEnumerate(THidEnumerateEvent::From([&](THidDevice& HidDev, int32_t Idx) {
        EXPECT_EQ(&HidDev, fresh);
        visited.push_back(Idx);
        return true;
    }));
    EXPECT_EQ(controller.EnumerateDevices(), 1);
    EXPECT_EQ(visited, std::vector<int32_t>{1});
}

// Device-change notifications arrive through the dispatcher; a burst of them
// runs one pass, and a pass drops the fresh duplicates of listed devices.
TEST(HidController, NotificationsRunOnePassPerBurstAndKeepListedObjects)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    Recorder{w.Events}.Attach(controller);
    THidDevice* listed = controller.DeviceList()[0];
    w.Events.clear();
    w.Platform->Plug(SimBridge(2));
    w.Platform->Plug(SimBridge(3));
    EXPECT_EQ(w.Dispatcher.PendingCount(), 1u);
    w.Dispatcher.RunPending();
    EXPECT_EQ(w.Events, (std::vector<std::string>{"arrival 2", "arrival 3", "change"}));
    ASSERT_EQ(controller.DeviceList().size(), 3u);
    EXPECT_EQ(controller.DeviceList()[0], listed);
}

TEST(HidController, ASecondControllerFailsAndTheFirstKeepsWorking)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    THidDeviceController first(w.Platform, w.Dispatcher);
    Recorder{w.Events}.Attach(first);
    EXPECT_EQ(THidDeviceController::ControllerCount(), 1);
    try {
        THidDeviceController second(w.Platform, w.Dispatcher);
        ADD_FAILURE() << "second controller made";
    } catch (const EHidControllerError& e) {
        EXPECT_STREQ(e.what(), "Only one THidDeviceController allowed per program");
    }
    EXPECT_EQ(THidDeviceController::ControllerCount(), 1);
    EXPECT_TRUE(w.Platform->HookInstalled());
    ASSERT_EQ(first.DeviceList().size(), 1u);
    w.Events.clear();
    w.Platform->Plug(SimBridge(2));
    ASSERT_TRUE(w.RunUntil([&] { return !w.Events.empty(); }));
    EXPECT_EQ(w.Events, (std::vector<std::string>{"arrival 2", "change"}));
}

TEST(HidController, HandlerSettersPassTheNewRoutineToDevicesThatHadTheOldOne)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    w.Platform->Plug(SimBridge(2));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    THidDevice& a = *controller.DeviceList()[0];
    THidDevice& b = *controller.DeviceList()[1];
    auto own = THidDataErrorEvent::From([](THidDevice&, uint32_t) {});
    b.SetDataErrorHandler(own);
    auto common = THidDataErrorEvent::From([](THidDevice&, uint32_t) {});
    controller.SetOnDeviceDataError(common);
    EXPECT_TRUE(a.DataErrorHandler().SameRoutine(common));
    EXPECT_TRUE(b.DataErrorHandler().SameRoutine(own));

    auto data = THidDataEvent::From([](THidDevice&, uint8_t, const uint8_t*, uint16_t) {});
    controller.SetOnDeviceData(data);
    auto unplug = THidPlugEvent::From([](THidDevice&) {});
    controller.SetOnDeviceUnplug(unplug);
    EXPECT_TRUE(a.DataHandler().SameRoutine(data));
    EXPECT_TRUE(b.UnplugHandler().SameRoutine(unplug));

    // A device made later takes OnDeviceData and OnDeviceUnplug, not OnDeviceDataError.
    w.Platform->Plug(SimBridge(3));
    w.Dispatcher.RunPending();
    ASSERT_EQ(controller.DeviceList().size(), 3u);
    THidDevice& c = *controller.DeviceList()[2];
    EXPECT_TRUE(c.DataHandler().SameRoutine(data));
    EXPECT_TRUE(c.UnplugHandler().SameRoutine(unplug));
    EXPECT_FALSE(c.DataErrorHandler());

    // Claiming a device that already has a data handler starts its reader.
    std::unique_ptr<THidDevice> claimed = controller.ClaimDeviceAt(2);
    ASSERT_NE(claimed, nullptr);
    EXPECT_NE(claimed->ReadThread(), nullptr);
    controller.SetOnDeviceData({});  // stops it again
    EXPECT_EQ(claimed->ReadThread(), nullptr);
}

TEST(HidController, DevThreadSleepTimeReachesDevicesStillAtTheOldValue)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    w.Platform->Plug(SimBridge(2));
    THidDeviceController controller(w.Platform, w.Dispatcher);
    THidDevice& a = *controller.DeviceList()[0];
    THidDevice& b = *controller.DeviceList()[1];
    b.SetReadSleepTime(300);
    controller.SetDevThreadSleepTime(50);
    EXPECT_EQ(a.ReadSleepTime(), 50);
    EXPECT_EQ(b.ReadSleepTime(), 300);
    controller.SetDevThreadSleepTime(5);  // out of range for devices, stored all the same
    EXPECT_EQ(controller.DevThreadSleepTime(), 5);
    EXPECT_EQ(a.ReadSleepTime(), 50);
}

TEST(HidController, DestructionHandsClaimedDevicesBackMarkedUnplugged)
{
    HidWorld w;
    w.Platform->Plug(SimBridge(1));
    w.Platform->Plug(SimBridge(2));
    std::vector<std::unique_ptr<THidDevice>> claimed;
    int unplugged = 0;
    {
        THidDeviceController controller(w.Platform, w.Dispatcher);
        claimed.push_back(controller.ClaimDeviceAt(0));
        THidDevice* device = claimed.back().get();
        ASSERT_NE(device, nullptr);
        device->SetUnplugHandler(THidPlugEvent::From([&](THidDevice&) { ++unplugged; }));
        device->SetDataHandler(THidDataEvent::From([](THidDevice&, uint8_t, const uint8_t*, uint16_t) {}));
        ASSERT_TRUE(w.Platform->WaitForPendingRead(1, kWait));
    }
    EXPECT_EQ(THidDeviceController::ControllerCount(), 0);
    EXPECT_FALSE(w.Platform->HookInstalled());
    EXPECT_EQ(unplugged, 1);
    EXPECT_FALSE(claimed[0]->Attached());
    EXPECT_EQ(claimed[0]->OwnerController(), nullptr);
    EXPECT_EQ(claimed[0]->ReadThread(), nullptr);
    EXPECT_EQ(w.Platform->OpenHandleCount(1), 0u);
    EXPECT_EQ(w.Platform->OpenHandleCount(2), 0u);
    claimed.clear();
}

}  // namespace
