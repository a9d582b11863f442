#include "link/hid/hid_device_controller.h"

#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_dispatcher.h"
#include "link/hid/hid_pnp_info.h"

#include <algorithm>

namespace {
std::atomic<int> gControllerCount{0};

uint32_t instanceOf(const THidDevice* device)
{
    return device->PnPInfo()->DeviceInstance;
}
}  // namespace

int THidDeviceController::ControllerCount()
{
    return gControllerCount;
}

THidDeviceController::THidDeviceController(std::shared_ptr<THidPlatform> platform,
                                           THidDispatcher& dispatcher)
    : platform_(std::move(platform)), dispatcher_(&dispatcher)
{
    setupApiBound_ = platform_->BindSetupApi();
    if (setupApiBound_)
        hidBound_ = platform_->BindHid();
    hidGuid_ = hidBound_ ? platform_->GetHidGuid() : kFixedHidGuid;
    if (++gControllerCount > 1) {
        // Undo only this controller's own work; the living one keeps its
        // bindings, hook and devices.
        --gControllerCount;
        if (hidBound_)
            platform_->UnbindHid();
        if (setupApiBound_)
            platform_->UnbindSetupApi();
        throw EHidControllerError(kHidErrorOneController);
    }
    notify_->Controller = this;
    deviceList_ = CollectDevices();
    if (hidBound_) {
        std::shared_ptr<Notify> notify = notify_;
        THidDispatcher* target = dispatcher_;
        // Runs on the platform's notification thread: queue one pass per burst.
        hookInstalled_ = platform_->InstallDeviceChangeHook([notify, target] {
            if (notify->Queued.exchange(true))
                return;
            target->Post([notify] {
                notify->Queued = false;
                if (notify->Controller)
                    notify->Controller->deviceChangeNotified();
            });
        });
    }
}

THidDeviceController::~THidDeviceController()
{
    --gControllerCount;
    onDeviceChange_ = {};
    onDeviceUnplug_ = {};
    onEnumerate_ = {};
    if (hookInstalled_)
        platform_->RemoveDeviceChangeHook();
    notify_->Controller = nullptr;

    std::vector<THidDevice*> list = std::move(deviceList_);
    deviceList_.clear();
    for (THidDevice* device : list) {
        device->ownerController_ = nullptr;
        if (device->Claimed()) {
            // Stays with the application, which still has to delete it.
            device->StopReader();
            device->MarkUnplugged();
        } else {
            delete device;
        }
    }
    if (hidBound_)
        platform_->UnbindHid();
    if (setupApiBound_)
        platform_->UnbindSetupApi();
}

std::vector<THidDevice*> THidDeviceController::CollectDevices()
{
    std::vector<THidDevice*> list;
    if (!hidBound_)
        return list;
    const THidDeviceInfoSet set = platform_->GetClassDevs(hidGuid_);
    if (set == InvalidHidDeviceInfoSet)
        return list;
    for (uint32_t index = 0; platform_->EnumDeviceInterfaces(set, index); ++index) {
        uint32_t size = 0;
        std::string path;
        uint32_t devInst = 0;
        if (!platform_->QueryDeviceInterfaceDetailSize(set, index, size) ||
            !platform_->GetDeviceInterfaceDetail(set, index, size, path, devInst))
            continue;
        try {
            auto info = std::make_unique<THidPnPInfo>(*platform_, set, index, devInst, path);
            list.push_back(new THidDevice(std::move(info), this, platform_, *dispatcher_));
        } catch (const EHidControllerError&) {
            // Interfaces that cannot be opened or identified are left out.
        }
    }
    platform_->DestroyDeviceInfoList(set);
    return list;
}

template <typename Call>
bool THidDeviceController::inCallback(THidDevice& device, Call&& call)
{
    std::weak_ptr<int> alive = device.lifeToken_;
    device.inCallback_ = true;
    try {
        call();
    } catch (...) {
        if (!alive.expired())
            device.inCallback_ = false;
        throw;
    }
    if (alive.expired())
        return false;
    device.inCallback_ = false;
    return true;
}

void THidDeviceController::deviceChangeNotified()
{
    DeviceChange();
}

void THidDeviceController::DeviceChange()
{
    // Objects of this pass not (yet) in the list; destroyed if a callback
    // throws, so nothing leaks.
    struct Fresh {
        std::vector<THidDevice*> Devices;
        ~Fresh()
        {
            for (THidDevice* d : Devices) {
                d->ownerController_ = nullptr;
                delete d;
            }
        }
    } fresh{CollectDevices()};
    bool changed = false;

    // Removal, last to first. Callbacks may shorten the list, so positions
    // are checked again at each step.
    for (std::size_t k = deviceList_.size(); k-- > 0;) {
        if (k >= deviceList_.size())
            continue;
        THidDevice* listed = deviceList_[k];
        bool found = false;
        if (listed->Attached()) {
            for (std::size_t j = fresh.Devices.size(); j-- > 0;) {
                if (instanceOf(fresh.Devices[j]) == instanceOf(listed)) {
                    found = true;
                    break;
                }
            }
        }
        if (found)
            continue;
        changed = true;
        std::weak_ptr<int> alive = listed->lifeToken_;
        listed->MarkUnplugged();
        if (alive.expired())
            continue;
        if (OnRemoval) {
            const THidPlugEvent handler = OnRemoval;
            if (!inCallback(*listed, [&] { handler(*listed); }))
                continue;
        }
        if (!listed->Claimed()) {
            auto it = std::find(deviceList_.begin(), deviceList_.end(), listed);
            if (it != deviceList_.end())
                deviceList_.erase(it);
            listed->ownerController_ = nullptr;
            delete listed;
        }
    }

    // Duplicates: interfaces that already have an attached object.
    for (auto it = fresh.Devices.begin(); it != fresh.Devices.end();) {
        THidDevice* candidate = *it;
        const bool duplicate =
            std::any_of(deviceList_.begin(), deviceList_.end(), [&](const THidDevice* d) {
                return d->Attached() && instanceOf(d) == instanceOf(candidate);
            });
        if (duplicate) {
            candidate->ownerController_ = nullptr;
            delete candidate;
            it = fresh.Devices.erase(it);
        } else {
            ++it;
        }
    }

    // Arrivals, in the order found.
    while (!fresh.Devices.empty()) {
        THidDevice* arrived = fresh.Devices.front();
        fresh.Devices.erase(fresh.Devices.begin());
        deviceList_.push_back(arrived);
        changed = true;
        if (OnArrival) {
            const THidPlugEvent handler = OnArrival;
            inCallback(*arrived, [&] { handler(*arrived); });
        }
    }

    if ((changed || !initialPassDone_) && onDeviceChange_) {
        const THidNotifyEvent handler = onDeviceChange_;
        handler(*this);
    }
}

int32_t THidDeviceController::EnumerateDevices()
{
    int32_t count = 0;
    for (std::size_t idx = 0; idx < deviceList_.size(); ++idx) {
        THidDevice* device = deviceList_[idx];
        if (!device->Attached())
            continue;
        ++count;
        bool more = false;
        if (onEnumerate_) {
            const THidEnumerateEvent handler = onEnumerate_;
            const bool alive =
                inCallback(*device, [&] { more = handler(*device, static_cast<int32_t>(idx)); });
            if (alive && !device->Claimed())
                device->closeAll();
        }
        if (!more)
            break;
    }
    return count;
}

std::unique_ptr<THidDevice> THidDeviceController::ClaimDeviceAt(int32_t Idx)
{
    if (Idx < 0 || static_cast<std::size_t>(Idx) >= deviceList_.size())
        return nullptr;
    THidDevice* device = deviceList_[static_cast<std::size_t>(Idx)];
    if (device->Claimed())
        return nullptr;
    device->claimed_ = true;
    std::unique_ptr<THidDevice> claimed(device);
    device->StartReader();
    return claimed;
}

void THidDeviceController::SetOnDeviceChange(THidNotifyEvent handler)
{
    if (handler.SameRoutine(onDeviceChange_))
        return;
    onDeviceChange_ = std::move(handler);
    DeviceChange();
    initialPassDone_ = true;
}

void THidDeviceController::SetOnDeviceData(THidDataEvent handler)
{
    if (handler.SameRoutine(onDeviceData_))
        return;
    // By position: stopping a reader serves hand-overs, whose handlers may
    // change the list.
    for (std::size_t i = 0; i < deviceList_.size(); ++i)
        if (deviceList_[i]->DataHandler().SameRoutine(onDeviceData_))
            deviceList_[i]->SetDataHandler(handler);
    onDeviceData_ = std::move(handler);
}

void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent handler)
{
    if (handler.SameRoutine(onDeviceDataError_))
        return;
    for (THidDevice* device : deviceList_)
        if (device->DataErrorHandler().SameRoutine(onDeviceDataError_))
            device->SetDataErrorHandler(handler);
    onDeviceDataError_ = std::move(handler);
}

void THidDeviceController::SetOnDeviceUnplug(THidPlugEvent handler)
{
    if (handler.SameRoutine(onDeviceUnplug_))
        return;
    for (THidDevice* device : deviceList_)
        if (device->UnplugHandler().SameRoutine(onDeviceUnplug_))
            device->SetUnplugHandler(handler);
    onDeviceUnplug_ = std::move(handler);
}

void THidDeviceController::SetDevThreadSleepTime(int32_t ms)
{
    if (ms == devThreadSleepTime_)
        return;
    for (THidDevice* device : deviceList_)
        if (device->ReadSleepTime() == devThreadSleepTime_)
            device->SetReadSleepTime(ms);
    devThreadSleepTime_ = ms;
}

void THidDeviceController::deviceReleased(THidDevice& device, THidDataEvent data,
                                          THidPlugEvent unplug)
{
    auto it = std::find(deviceList_.begin(), deviceList_.end(), &device);
    if (it == deviceList_.end())
        return;
    const auto pos = static_cast<std::size_t>(it - deviceList_.begin());
    if (!device.Attached()) {
        deviceList_.erase(it);
        return;
    }
    // Runs inside the released object's destructor: the replacement only
    // takes over what is known, and opens the device when it is next used.
    // A device gone meanwhile is dropped by the next device-change pass.
    auto* replacement = new THidDevice(THidDevice::HandBack{}, device);
    replacement->SetDataHandler(std::move(data));
    replacement->unplugHandler_ = std::move(unplug);
    deviceList_[pos] = replacement;
}
