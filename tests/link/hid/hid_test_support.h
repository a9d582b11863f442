#pragma once

#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// Generous: only reached when something is broken.
inline constexpr auto kWait = 10s;

/// A simulated cable bridge: "USB to Serial", 9-byte input reports.
inline THidSimDevice SimBridge(uint32_t instance = 0)
{
    THidSimDevice d;
    d.DeviceInstance = instance;
    d.VendorID = 0x1A86;
    d.ProductID = 0xE008;
    d.VersionNumber = 0x0100;
    d.ProductString = u"USB to Serial";
    return d;
}

/// A simulated platform, the manual main thread and a record of events.
struct HidWorld {
    std::shared_ptr<THidSimPlatform> Platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher Dispatcher;
    std::vector<std::string> Events;

    /// Runs hand-overs until @p done holds; false on timeout.
    template <typename Done>
    bool RunUntil(Done done)
    {
        return Dispatcher.RunUntil(done, kWait);
    }
    /// Waits until @p count hand-overs are queued.
    bool WaitQueued(std::size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (Dispatcher.PendingCount() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            Dispatcher.WaitForPending(10ms);
        }
        return true;
    }
};

/// Claims every attached device of @p controller in one enumeration; the
/// caller owns what it gets.
inline std::vector<std::unique_ptr<THidDevice>> ClaimAll(THidDeviceController& controller)
{
    std::vector<std::unique_ptr<THidDevice>> claimed;
    controller.SetOnEnumerate(THidEnumerateEvent::From([&](THidDevice&, int32_t Idx) {
        if (auto device = controller.ClaimDeviceAt(Idx))
            claimed.push_back(std::move(device));
        return true;
    }));
    controller.EnumerateDevices();
    controller.SetOnEnumerate({});
    return claimed;
}
