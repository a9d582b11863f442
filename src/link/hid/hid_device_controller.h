#pragma once

#include "link/hid/hid_handler.h"
#include "link/hid/hid_platform.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class THidDevice;
class THidDeviceController;
class THidDispatcher;

/// Sender-only notification: the device list changed.
using THidNotifyEvent = THidHandler<void(THidDeviceController& Sender)>;

/// Finds the HID interfaces of the system, keeps one THidDevice for each,
/// follows plug and unplug, and lets the application enumerate and claim
/// devices. At most one controller exists in the process. Main thread only.
///
/// Every callback runs on the main thread: controller callbacks inside
/// DeviceChange or EnumerateDevices, device data and error handlers through
/// the dispatcher (THidDispatcher::RunPending), unplug handlers inside
/// DeviceChange. Device-change notifications from the platform arrive as one
/// posted DeviceChange pass per burst.
class THidDeviceController {
public:
    /// Binds the platform's services, collects the present devices and hooks
    /// the device-change notification. @p dispatcher must outlive the
    /// controller and every device object. Throws EHidControllerError
    /// "Only one THidDeviceController allowed per program" when another
    /// controller is alive; that one is left untouched.
    THidDeviceController(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher);
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;
    /// Claimed objects have their reader stopped, are marked unplugged (their
    /// unplug handler runs) and stay with the application; unclaimed ones are
    /// destroyed.
    ~THidDeviceController();

    /// Number of live controllers in the process.
    static int ControllerCount();

    /// One device-change pass: removals (unplug handler, then OnRemoval),
    /// duplicates dropped, arrivals (OnArrival), then OnDeviceChange when the
    /// list changed or before the first assignment of OnDeviceChange completed.
    void DeviceChange();
    /// Calls OnEnumerate for each attached device with its list position,
    /// until it returns false; returns how many devices were visited. Without
    /// an OnEnumerate handler the first attached device ends the visit.
    int32_t EnumerateDevices();
    /// Claims the unclaimed object at @p Idx; its reader starts when it
    /// already has a data handler. The caller owns the object from now on and
    /// ends the claim by destroying it (which hands the device back). Null for
    /// a position outside the list or a claimed object.
    std::unique_ptr<THidDevice> ClaimDeviceAt(int32_t Idx);

    /// The known device objects; positions are the Idx of OnEnumerate.
    const std::vector<THidDevice*>& DeviceList() const { return deviceList_; }
    const THidGuid& HidGuid() const { return hidGuid_; }
    bool InitialPassDone() const { return initialPassDone_; }
    int32_t DevThreadSleepTime() const { return devThreadSleepTime_; }
    const std::string& Version() const { return version_; }
    /// Assigning the version changes nothing.
    void SetVersion(const std::string&) {}
    THidPlatform& Platform() const { return *platform_; }
    THidDispatcher& Dispatcher() const { return *dispatcher_; }

    const THidNotifyEvent& OnDeviceChange() const { return onDeviceChange_; }
    const THidEnumerateEvent& OnEnumerate() const { return onEnumerate_; }
    const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
    const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
    const THidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }

    /// A new routine is stored and a pass runs at once; the pass of the first
    /// assignment always reports. The same routine again does nothing.
    void SetOnDeviceChange(THidNotifyEvent handler);
    /// Only stores.
    void SetOnEnumerate(THidEnumerateEvent handler) { onEnumerate_ = std::move(handler); }
    /// Listed devices whose handler has the current routine get the new one
    /// (data handlers through SetDataHandler, so readers start or stop).
    void SetOnDeviceData(THidDataEvent handler);
    void SetOnDeviceDataError(THidDataErrorEvent handler);
    void SetOnDeviceUnplug(THidPlugEvent handler);
    /// Listed devices whose ReadSleepTime equals the old value get the new
    /// one (10 to 10000 [ms] only); the controller stores it unchecked.
    void SetDevThreadSleepTime(int32_t ms);

    /// A device appeared; its InCallback is true during the call.
    THidPlugEvent OnArrival;
    /// A listed device disappeared; its InCallback is true during the call.
    THidPlugEvent OnRemoval;

private:
    friend class THidDevice;

    std::vector<THidDevice*> CollectDevices();
    /// Runs @p call for @p device with InCallback set; false when the call
    /// destroyed the object.
    template <typename Call>
    bool inCallback(THidDevice& device, Call&& call);
    /// From the destructor of a listed object: replacement or removal.
    void deviceReleased(THidDevice& device, THidDataEvent data, THidPlugEvent unplug);
    void deviceChangeNotified();

    std::shared_ptr<THidPlatform> platform_;
    THidDispatcher* dispatcher_;
    bool setupApiBound_ = false;
    bool hidBound_ = false;
    bool hookInstalled_ = false;
    THidGuid hidGuid_ = kFixedHidGuid;
    THidNotifyEvent onDeviceChange_;
    THidEnumerateEvent onEnumerate_;
    THidDataEvent onDeviceData_;
    THidDataErrorEvent onDeviceDataError_;
    THidPlugEvent onDeviceUnplug_;
    bool initialPassDone_ = false;
    int32_t devThreadSleepTime_ = 100;
    std::string version_ = "1.0.22";
    std::vector<THidDevice*> deviceList_;

    // Shared with the posted device-change calls: they run only while the
    // controller lives, and one burst queues one pass.
    struct Notify {
        std::atomic<bool> Queued{false};
        THidDeviceController* Controller = nullptr;
    };
    std::shared_ptr<Notify> notify_ = std::make_shared<Notify>();
};
