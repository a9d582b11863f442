#include "link/hid/hid_sim_platform.h"

#include "link/hid/hid_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

struct THidSimPlatform::Device {
    THidSimDevice Desc;
    bool Plugged = true;
    uint64_t Generation = 0;  // grows with every plug: handles of an earlier plug stay dead
    std::deque<std::vector<uint8_t>> Reports;
    std::function<std::vector<uint8_t>()> Source;
    uint32_t SourcePeriod = 0;
    uint64_t SourceDue = 0;
    uint32_t ReadStartFailure = 0;
    uint32_t PassingFailure = 0;
    uint32_t PassingFailuresLeft = 0;
    uint32_t ReadStarts = 0;
    std::vector<std::vector<uint8_t>> Features;
};

struct THidSimPlatform::Handle {
    uint32_t Instance = 0;
    uint64_t Generation = 0;
    EHidOpenMode Mode = EHidOpenMode::MainQueryOnly;
    int32_t InputBuffers = 32;
    bool Closed = false;
    // The read started on this handle (one at a time).
    bool Pending = false;
    bool Done = false;
    uint32_t Error = 0;
    uint32_t Bytes = 0;
    uint8_t* Buffer = nullptr;
    uint32_t Length = 0;
};

class THidSimPlatform::Wakeup : public THidWakeup {
public:
    explicit Wakeup(THidSimPlatform& platform) : platform_(platform) {}
    void Signal() override
    {
        {
            std::lock_guard lock(platform_.mutex_);
            signalled_ = true;
        }
        platform_.cond_.notify_all();
    }
    bool SignalledLocked() const { return signalled_; }

private:
    THidSimPlatform& platform_;
    bool signalled_ = false;
};

THidSimPlatform::THidSimPlatform(ETime time) : time_(time) {}

THidSimPlatform::~THidSimPlatform() = default;

uint64_t THidSimPlatform::nowLocked() const
{
    if (time_ == ETime::Driven)
        return drivenNow_;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start_)
                                     .count());
}

uint64_t THidSimPlatform::Now() const
{
    std::lock_guard lock(mutex_);
    return nowLocked();
}

THidSimPlatform::Device* THidSimPlatform::deviceLocked(uint32_t instance)
{
    auto it = devices_.find(instance);
    return it == devices_.end() ? nullptr : it->second.get();
}

const THidSimPlatform::Device* THidSimPlatform::deviceLocked(uint32_t instance) const
{
    auto it = devices_.find(instance);
    return it == devices_.end() ? nullptr : it->second.get();
}

void THidSimPlatform::raiseDeviceChange()
{
    std::lock_guard lock(hookMutex_);
    if (hook_)
        hook_();
}

void THidSimPlatform::SetServicesAbsent(bool absent)
{
    std::lock_guard lock(mutex_);
    servicesAbsent_ = absent;
}

uint32_t THidSimPlatform::Plug(THidSimDevice desc)
{
    {
        std::lock_guard lock(mutex_);
        if (desc.DeviceInstance == 0) {
            while (devices_.count(nextInstance_))
                ++nextInstance_;
            desc.DeviceInstance = nextInstance_++;
        }
        if (desc.DevicePath.empty())
            desc.DevicePath = "sim:hid#" + std::to_string(desc.DeviceInstance);
        auto& slot = devices_[desc.DeviceInstance];
        const uint64_t generation = slot ? slot->Generation + 1 : 1;
        auto features = slot ? std::move(slot->Features) : std::vector<std::vector<uint8_t>>{};
        slot = std::make_unique<Device>();
        slot->Desc = desc;
        slot->Generation = generation;
        slot->Features = std::move(features);
        slot->SourceDue = nowLocked();
    }
    cond_.notify_all();
    raiseDeviceChange();
    return desc.DeviceInstance;
}

bool THidSimPlatform::Unplug(uint32_t deviceInstance)
{
    {
        std::lock_guard lock(mutex_);
        Device* device = deviceLocked(deviceInstance);
        if (!device || !device->Plugged)
            return false;
        device->Plugged = false;
        device->Reports.clear();
        device->Source = nullptr;
        for (auto& [id, handle] : handles_) {
            if (handle->Instance == deviceInstance && handle->Pending && !handle->Done) {
                handle->Done = true;
                handle->Error = ENODEV;
            }
        }
    }
    cond_.notify_all();
    raiseDeviceChange();
    return true;
}

void THidSimPlatform::QueueInputReport(uint32_t deviceInstance, std::vector<uint8_t> report)
{
    {
        std::lock_guard lock(mutex_);
        if (Device* device = deviceLocked(deviceInstance); device && device->Plugged)
            device->Reports.push_back(std::move(report));
    }
    cond_.notify_all();
}

void THidSimPlatform::SetInputReportSource(uint32_t deviceInstance, uint32_t periodMs,
                                           std::function<std::vector<uint8_t>()> source)
{
    {
        std::lock_guard lock(mutex_);
        if (Device* device = deviceLocked(deviceInstance)) {
            device->Source = std::move(source);
            device->SourcePeriod = std::max<uint32_t>(periodMs, 1);
            device->SourceDue = nowLocked() + device->SourcePeriod;
        }
    }
    cond_.notify_all();
}

void THidSimPlatform::SetReadStartFailure(uint32_t deviceInstance, uint32_t errorCode)
{
    std::lock_guard lock(mutex_);
    if (Device* device = deviceLocked(deviceInstance))
        device->ReadStartFailure = errorCode;
}

void THidSimPlatform::FailNextReadStarts(uint32_t deviceInstance, uint32_t errorCode, uint32_t count)
{
    std::lock_guard lock(mutex_);
    if (Device* device = deviceLocked(deviceInstance)) {
        device->PassingFailure = errorCode;
        device->PassingFailuresLeft = count;
    }
}

void THidSimPlatform::AdvanceTime(uint32_t ms)
{
    {
        std::lock_guard lock(mutex_);
        drivenNow_ += ms;
    }
    cond_.notify_all();
}

std::vector<std::vector<uint8_t>> THidSimPlatform::FeatureReports(uint32_t deviceInstance) const
{
    std::lock_guard lock(mutex_);
    const Device* device = deviceLocked(deviceInstance);
    return device ? device->Features : std::vector<std::vector<uint8_t>>{};
}

std::size_t THidSimPlatform::OpenHandleCount(uint32_t deviceInstance) const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(handles_.begin(), handles_.end(), [&](const auto& h) {
        return h.second->Instance == deviceInstance;
    }));
}

uint32_t THidSimPlatform::ReadStartCount(uint32_t deviceInstance) const
{
    std::lock_guard lock(mutex_);
    const Device* device = deviceLocked(deviceInstance);
    return device ? device->ReadStarts : 0;
}

std::size_t THidSimPlatform::QueuedReportCount(uint32_t deviceInstance) const
{
    std::lock_guard lock(mutex_);
    const Device* device = deviceLocked(deviceInstance);
    return device ? device->Reports.size() : 0;
}

bool THidSimPlatform::WaitForPendingRead(uint32_t deviceInstance,
                                         std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return cond_.wait_for(lock, timeout, [&] {
        return std::any_of(handles_.begin(), handles_.end(), [&](const auto& h) {
            return h.second->Instance == deviceInstance && h.second->Pending && !h.second->Done;
        });
    });
}

bool THidSimPlatform::HookInstalled() const
{
    std::lock_guard lock(hookMutex_);
    return static_cast<bool>(hook_);
}

bool THidSimPlatform::BindSetupApi()
{
    std::lock_guard lock(mutex_);
    return !servicesAbsent_;
}

bool THidSimPlatform::BindHid()
{
    std::lock_guard lock(mutex_);
    return !servicesAbsent_;
}

void THidSimPlatform::UnbindHid() {}

void THidSimPlatform::UnbindSetupApi() {}

THidGuid THidSimPlatform::GetHidGuid()
{
    return kFixedHidGuid;
}

THidDeviceInfoSet THidSimPlatform::GetClassDevs(const THidGuid&)
{
    std::lock_guard lock(mutex_);
    std::vector<THidSimDevice> present;
    for (const auto& [instance, device] : devices_)
        if (device->Plugged)
            present.push_back(device->Desc);
    if (present.empty())
        return InvalidHidDeviceInfoSet;
    const THidDeviceInfoSet set = nextSet_++;
    sets_[set] = std::move(present);
    return set;
}

bool THidSimPlatform::EnumDeviceInterfaces(THidDeviceInfoSet set, uint32_t index)
{
    std::lock_guard lock(mutex_);
    auto it = sets_.find(set);
    return it != sets_.end() && index < it->second.size();
}

bool THidSimPlatform::QueryDeviceInterfaceDetailSize(THidDeviceInfoSet set, uint32_t index,
                                                     uint32_t& size)
{
    std::lock_guard lock(mutex_);
    auto it = sets_.find(set);
    if (it == sets_.end() || index >= it->second.size()) {
        SetLastError(EINVAL);
        return false;
    }
    size = static_cast<uint32_t>(5 + it->second[index].DevicePath.size());
    return true;
}

bool THidSimPlatform::GetDeviceInterfaceDetail(THidDeviceInfoSet set, uint32_t index, uint32_t,
                                               std::string& devicePath, uint32_t& devInst)
{
    std::lock_guard lock(mutex_);
    auto it = sets_.find(set);
    if (it == sets_.end() || index >= it->second.size()) {
        SetLastError(EINVAL);
        return false;
    }
    devicePath = it->second[index].DevicePath;
    devInst = it->second[index].DeviceInstance;
    return true;
}

bool THidSimPlatform::GetDeviceRegistryProperty(THidDeviceInfoSet set, uint32_t index,
                                                uint32_t code, uint8_t* buffer,
                                                uint32_t bufferSize)
{
    std::lock_guard lock(mutex_);
    auto it = sets_.find(set);
    if (it == sets_.end() || index >= it->second.size()) {
        SetLastError(EINVAL);
        return false;
    }
    const THidSimDevice& desc = it->second[index];
    char hardwareId[64];
    std::snprintf(hardwareId, sizeof hardwareId, "HID\\VID_%04X&PID_%04X", desc.VendorID,
                  desc.ProductID);
    std::string value;
    switch (code) {
    case 0x00:  // device description
        value = "HID device";
        break;
    case 0x01:  // hardware IDs: a list, ended by an empty text
        value = std::string(hardwareId) + '\0' + "HID_DEVICE" + '\0';
        break;
    case 0x07:  // class
        value = "HIDClass";
        break;
    case 0x16:  // enumerator
        value = "HID";
        break;
    default:
        SetLastError(ENOENT);
        return false;
    }
    if (value.size() + 1 > bufferSize) {
        SetLastError(EINVAL);
        return false;
    }
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = 0;
    return true;
}

void THidSimPlatform::DestroyDeviceInfoList(THidDeviceInfoSet set)
{
    std::lock_guard lock(mutex_);
    sets_.erase(set);
}

THidHandle THidSimPlatform::CreateFile(const std::string& devicePath, EHidOpenMode mode)
{
    std::lock_guard lock(mutex_);
    const Device* found = nullptr;
    for (const auto& [instance, device] : devices_)
        if (device->Plugged && device->Desc.DevicePath == devicePath)
            found = device.get();
    if (!found) {
        SetLastError(ENOENT);
        return InvalidHidHandle;
    }
    const EHidSimAccess access = found->Desc.Access;
    const bool allowed = access == EHidSimAccess::ReadWrite ||
                         (access == EHidSimAccess::QueryOnly && mode == EHidOpenMode::MainQueryOnly);
    if (!allowed) {
        SetLastError(EACCES);
        return InvalidHidHandle;
    }
    auto handle = std::make_shared<Handle>();
    handle->Instance = found->Desc.DeviceInstance;
    handle->Generation = found->Generation;
    handle->Mode = mode;
    const THidHandle id = nextHandle_++;
    handles_[id] = handle;
    return id;
}

void THidSimPlatform::CloseHandle(THidHandle handle)
{
    {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end())
            return;
        Handle& h = *it->second;
        h.Closed = true;
        if (h.Pending && !h.Done) {
            h.Done = true;
            h.Error = ECANCELED;
        }
        handles_.erase(it);
    }
    cond_.notify_all();
}

std::shared_ptr<THidSimPlatform::Handle> THidSimPlatform::liveHandleLocked(THidHandle handle)
{
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        SetLastError(EBADF);
        return nullptr;
    }
    const Device* device = deviceLocked(it->second->Instance);
    if (!device || !device->Plugged || device->Generation != it->second->Generation) {
        SetLastError(ENODEV);
        return nullptr;
    }
    return it->second;
}

bool THidSimPlatform::GetAttributes(THidHandle handle, THidAttributes& attributes)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    const THidSimDevice& desc = deviceLocked(h->Instance)->Desc;
    if (desc.IdentificationFails || attributes.Size != 12) {
        SetLastError(EIO);
        return false;
    }
    attributes.VendorID = desc.VendorID;
    attributes.ProductID = desc.ProductID;
    attributes.VersionNumber = desc.VersionNumber;
    return true;
}

bool THidSimPlatform::SetNumInputBuffers(THidHandle handle, int32_t count)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    if (count < 2 || count > 512) {
        SetLastError(EINVAL);
        return false;
    }
    h->InputBuffers = count;
    return true;
}

bool THidSimPlatform::GetNumInputBuffers(THidHandle handle, int32_t& count)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    count = h->InputBuffers;
    return true;
}

THidPreparsedData THidSimPlatform::GetPreparsedData(THidHandle handle)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return nullptr;
    return new THidCaps(deviceLocked(h->Instance)->Desc.Caps);
}

void THidSimPlatform::FreePreparsedData(THidPreparsedData data)
{
    delete static_cast<const THidCaps*>(data);
}

bool THidSimPlatform::GetCaps(THidPreparsedData data, THidCaps& caps)
{
    if (!data)
        return false;
    caps = *static_cast<const THidCaps*>(data);
    return true;
}

bool THidSimPlatform::GetProductString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    const auto& text = deviceLocked(h->Instance)->Desc.ProductString;
    if (!text) {
        SetLastError(ENOENT);
        return false;
    }
    HidCopyText(*text, buffer, bufferBytes);
    return true;
}

bool THidSimPlatform::GetSerialNumberString(THidHandle handle, char16_t* buffer,
                                            uint32_t bufferBytes)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    const auto& text = deviceLocked(h->Instance)->Desc.SerialNumberString;
    if (!text) {
        SetLastError(ENOENT);
        return false;
    }
    HidCopyText(*text, buffer, bufferBytes);
    return true;
}

bool THidSimPlatform::GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                                       uint32_t bufferBytes)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    const auto& ids = deviceLocked(h->Instance)->Desc.LanguageIds;
    if (index != 0 || ids.empty()) {
        SetLastError(EINVAL);
        return false;
    }
    HidCopyText(std::u16string(ids.begin(), ids.end()), buffer, bufferBytes);
    return true;
}

bool THidSimPlatform::SetFeature(THidHandle handle, const uint8_t* report, uint32_t length)
{
    std::lock_guard lock(mutex_);
    auto h = liveHandleLocked(handle);
    if (!h)
        return false;
    if (h->Mode != EHidOpenMode::MainReadWrite && h->Mode != EHidOpenMode::OverlappedWrite) {
        SetLastError(EACCES);
        return false;
    }
    if (!report || length == 0) {
        SetLastError(EINVAL);
        return false;
    }
    deviceLocked(h->Instance)->Features.emplace_back(report, report + length);
    return true;
}

void THidSimPlatform::tryCompleteLocked(Handle& h)
{
    if (!h.Pending || h.Done)
        return;
    Device* device = deviceLocked(h.Instance);
    if (h.Closed || !device || !device->Plugged || device->Generation != h.Generation) {
        h.Done = true;
        h.Error = h.Closed ? ECANCELED : ENODEV;
        return;
    }
    std::vector<uint8_t> report;
    if (!device->Reports.empty()) {
        report = std::move(device->Reports.front());
        device->Reports.pop_front();
    } else if (device->Source && nowLocked() >= device->SourceDue) {
        device->SourceDue += device->SourcePeriod;
        report = device->Source();
    } else {
        return;
    }
    const auto bytes = static_cast<uint32_t>(std::min<std::size_t>(report.size(), h.Length));
    std::copy_n(report.begin(), bytes, h.Buffer);
    h.Bytes = bytes;
    h.Done = true;
}

bool THidSimPlatform::ReadFileEx(THidHandle handle, uint8_t* buffer, uint32_t length,
                                 THidOverlapped& overlapped)
{
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        auto h = liveHandleLocked(handle);
        if (Device* device = h ? deviceLocked(h->Instance) : nullptr)
            ++device->ReadStarts;
        if (!h)
            return false;
        Device* device = deviceLocked(h->Instance);
        if (device->ReadStartFailure != 0) {
            SetLastError(device->ReadStartFailure);
            return false;
        }
        if (device->PassingFailuresLeft > 0) {
            --device->PassingFailuresLeft;
            SetLastError(device->PassingFailure);
            return false;
        }
        if (h->Mode != EHidOpenMode::OverlappedRead || !buffer || length == 0) {
            SetLastError(EINVAL);
            return false;
        }
        if (h->Pending && !h->Done) {
            SetLastError(EBUSY);
            return false;
        }
        h->Pending = true;
        h->Done = false;
        h->Error = 0;
        h->Bytes = 0;
        h->Buffer = buffer;
        h->Length = length;
        overlapped.Pending = h;
        tryCompleteLocked(*h);
        started = true;
    }
    cond_.notify_all();
    return started;
}

EHidWaitStatus THidSimPlatform::SleepEx(THidOverlapped& overlapped, uint32_t ms,
                                        THidWakeup& wakeup)
{
    auto h = std::static_pointer_cast<Handle>(overlapped.Pending);
    auto& wake = static_cast<Wakeup&>(wakeup);
    std::unique_lock lock(mutex_);
    const uint64_t deadline = nowLocked() + ms;
    for (;;) {
        if (h) {
            tryCompleteLocked(*h);
            if (h->Done)
                return EHidWaitStatus::IoCompletion;
        }
        if (wake.SignalledLocked() || nowLocked() >= deadline)
            return EHidWaitStatus::Elapsed;
        if (time_ == ETime::Driven) {
            cond_.wait(lock);
        } else {
            uint64_t until = deadline;
            if (const Device* device = h ? deviceLocked(h->Instance) : nullptr; device && device->Source)
                until = std::min(until, device->SourceDue);
            cond_.wait_until(lock, start_ + std::chrono::milliseconds(until));
        }
    }
}

bool THidSimPlatform::GetOverlappedResult(THidHandle, THidOverlapped& overlapped, uint32_t& bytes)
{
    std::lock_guard lock(mutex_);
    auto h = std::static_pointer_cast<Handle>(overlapped.Pending);
    if (!h || !h->Pending) {
        SetLastError(EINVAL);
        return false;
    }
    if (!h->Done) {
        SetLastError(EINPROGRESS);
        return false;
    }
    if (h->Error != 0) {
        SetLastError(h->Error);
        return false;
    }
    bytes = h->Bytes;
    return true;
}

bool THidSimPlatform::CancelIo(THidHandle handle, THidOverlapped&)
{
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        SetLastError(EBADF);
        return false;
    }
    Handle& h = *it->second;
    if (h.Pending && !h.Done) {
        h.Done = true;
        h.Error = ECANCELED;
    }
    h.Buffer = nullptr;
    return true;
}

std::unique_ptr<THidWakeup> THidSimPlatform::CreateWakeup()
{
    return std::make_unique<Wakeup>(*this);
}

bool THidSimPlatform::InstallDeviceChangeHook(std::function<void()> onChange)
{
    std::lock_guard lock(hookMutex_);
    hook_ = std::move(onChange);
    return true;
}

void THidSimPlatform::RemoveDeviceChangeHook()
{
    std::lock_guard lock(hookMutex_);
    hook_ = nullptr;
}

uint32_t THidSimPlatform::DeviceNotConnectedError() const
{
    return ENODEV;
}

std::string THidSimPlatform::ErrorMessage(uint32_t code) const
{
    return std::generic_category().message(static_cast<int>(code));
}
