#include "link/sim/hid_demo_platform.h"

#include "link/hid/hid_native_platform.h"
#include "link/hid/hid_sim_platform.h"
#include "link/sim/simulated_cable.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <random>

namespace {

// Enumeration sets answer from a snapshot; this only guards against a
// backend that never says "no more".
constexpr uint32_t kMaxInterfaces = 1u << 16;

}  // namespace

/// What the read record of a routed read holds: the backend and that
/// backend's own record.
struct THidDemoPlatform::PendingRead {
    EBackend Backend = Native;
    THidOverlapped Inner;
};

struct THidDemoPlatform::Preparsed {
    EBackend Backend = Native;
    THidPreparsedData Inner = nullptr;
};

/// A wake-up of each backend, and its own for waits without a read.
class THidDemoPlatform::Wakeup : public THidWakeup {
public:
    Wakeup(std::unique_ptr<THidWakeup> native, std::unique_ptr<THidWakeup> simulated)
        : inner_{std::move(native), std::move(simulated)}
    {
    }
    void Signal() override
    {
        for (auto& inner : inner_)
            inner->Signal();
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        cond_.notify_all();
    }
    THidWakeup& inner(EBackend backend) { return *inner_[backend]; }
    void wait(uint32_t ms)
    {
        std::unique_lock lock(mutex_);
        cond_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return signalled_; });
    }

private:
    std::unique_ptr<THidWakeup> inner_[2];
    std::mutex mutex_;
    std::condition_variable cond_;
    bool signalled_ = false;
};

THidDemoPlatform::THidDemoPlatform(std::shared_ptr<THidPlatform> native,
                                   std::shared_ptr<THidPlatform> simulated,
                                   std::shared_ptr<SimulatedCable> cable)
    : cable_(std::move(cable))
{
    backends_[Native].Platform = std::move(native);
    backends_[Simulated].Platform = std::move(simulated);
}

THidDemoPlatform::~THidDemoPlatform()
{
    RemoveDeviceChangeHook();
}

bool THidDemoPlatform::locate(THidDeviceInfoSet set, uint32_t& index, EBackend& backend,
                              THidDeviceInfoSet& inner) const
{
    std::lock_guard lock(mutex_);
    auto it = sets_.find(set);
    if (it == sets_.end())
        return false;
    if (index < it->second.NativeCount) {
        backend = Native;
    } else {
        backend = Simulated;
        index -= it->second.NativeCount;
    }
    inner = it->second.Sets[backend];
    return inner != InvalidHidDeviceInfoSet;
}

bool THidDemoPlatform::locate(THidHandle handle, OpenHandle& open) const
{
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        SetLastError(EBADF);
        return false;
    }
    open = it->second;
    return true;
}

bool THidDemoPlatform::BindSetupApi()
{
    bool any = false;
    for (Backend& b : backends_) {
        b.SetupApiBound = b.Platform->BindSetupApi();
        any = any || b.SetupApiBound;
    }
    return any;
}

bool THidDemoPlatform::BindHid()
{
    bool any = false;
    for (Backend& b : backends_) {
        b.HidBound = b.SetupApiBound && b.Platform->BindHid();
        any = any || b.HidBound;
    }
    return any;
}

void THidDemoPlatform::UnbindHid()
{
    for (Backend& b : backends_) {
        if (b.HidBound)
            b.Platform->UnbindHid();
        b.HidBound = false;
    }
}

void THidDemoPlatform::UnbindSetupApi()
{
    for (Backend& b : backends_) {
        if (b.SetupApiBound)
            b.Platform->UnbindSetupApi();
        b.SetupApiBound = false;
    }
}

THidGuid THidDemoPlatform::GetHidGuid()
{
    for (Backend& b : backends_)
        if (b.HidBound)
            return b.Platform->GetHidGuid();
    return kFixedHidGuid;
}

THidDeviceInfoSet THidDemoPlatform::GetClassDevs(const THidGuid& guid)
{
    InfoSet set;
    for (const EBackend backend : {Native, Simulated}) {
        Backend& b = backends_[backend];
        if (!b.HidBound)
            continue;
        // Each backend is asked for its own interface class.
        set.Sets[backend] = b.Platform->GetClassDevs(backend == Native ? guid : b.Platform->GetHidGuid());
    }
    if (set.Sets[Native] != InvalidHidDeviceInfoSet) {
        THidPlatform& native = *backends_[Native].Platform;
        while (set.NativeCount < kMaxInterfaces && native.EnumDeviceInterfaces(set.Sets[Native], set.NativeCount))
            ++set.NativeCount;
    }
    if (set.Sets[Native] == InvalidHidDeviceInfoSet && set.Sets[Simulated] == InvalidHidDeviceInfoSet)
        return InvalidHidDeviceInfoSet;
    std::lock_guard lock(mutex_);
    const THidDeviceInfoSet id = nextSet_++;
    sets_[id] = set;
    return id;
}

bool THidDemoPlatform::EnumDeviceInterfaces(THidDeviceInfoSet set, uint32_t index)
{
    EBackend backend;
    THidDeviceInfoSet inner;
    return locate(set, index, backend, inner) && backends_[backend].Platform->EnumDeviceInterfaces(inner, index);
}

bool THidDemoPlatform::QueryDeviceInterfaceDetailSize(THidDeviceInfoSet set, uint32_t index,
                                                      uint32_t& size)
{
    EBackend backend;
    THidDeviceInfoSet inner;
    if (!locate(set, index, backend, inner)) {
        SetLastError(EINVAL);
        return false;
    }
    if (!backends_[backend].Platform->QueryDeviceInterfaceDetailSize(inner, index, size))
        return false;
    if (backend == Simulated)
        size += static_cast<uint32_t>(kSimulatedPathPrefix.size());
    return true;
}

bool THidDemoPlatform::GetDeviceInterfaceDetail(THidDeviceInfoSet set, uint32_t index, uint32_t size,
                                                std::string& devicePath, uint32_t& devInst)
{
    EBackend backend;
    THidDeviceInfoSet inner;
    if (!locate(set, index, backend, inner)) {
        SetLastError(EINVAL);
        return false;
    }
    if (backend == Native)
        return backends_[Native].Platform->GetDeviceInterfaceDetail(inner, index, size, devicePath, devInst);
    const auto prefix = static_cast<uint32_t>(kSimulatedPathPrefix.size());
    std::string path;
    uint32_t instance = 0;
    if (!backends_[Simulated].Platform->GetDeviceInterfaceDetail(inner, index, size > prefix ? size - prefix : 0,
                                                                 path, instance))
        return false;
    devicePath = std::string(kSimulatedPathPrefix) + path;
    devInst = instance | kSimulatedInstanceFlag;
    return true;
}

bool THidDemoPlatform::GetDeviceRegistryProperty(THidDeviceInfoSet set, uint32_t index, uint32_t code,
                                                 uint8_t* buffer, uint32_t bufferSize)
{
    EBackend backend;
    THidDeviceInfoSet inner;
    if (!locate(set, index, backend, inner)) {
        SetLastError(EINVAL);
        return false;
    }
    return backends_[backend].Platform->GetDeviceRegistryProperty(inner, index, code, buffer, bufferSize);
}

void THidDemoPlatform::DestroyDeviceInfoList(THidDeviceInfoSet set)
{
    InfoSet found;
    {
        std::lock_guard lock(mutex_);
        auto it = sets_.find(set);
        if (it == sets_.end())
            return;
        found = it->second;
        sets_.erase(it);
    }
    for (const EBackend backend : {Native, Simulated})
        if (found.Sets[backend] != InvalidHidDeviceInfoSet)
            backends_[backend].Platform->DestroyDeviceInfoList(found.Sets[backend]);
}

THidHandle THidDemoPlatform::CreateFile(const std::string& devicePath, EHidOpenMode mode)
{
    const bool simulated = devicePath.starts_with(kSimulatedPathPrefix);
    const EBackend backend = simulated ? Simulated : Native;
    const THidHandle inner = backends_[backend].Platform->CreateFile(
        simulated ? devicePath.substr(kSimulatedPathPrefix.size()) : devicePath, mode);
    if (inner == InvalidHidHandle)
        return InvalidHidHandle;
    std::lock_guard lock(mutex_);
    const THidHandle id = nextHandle_++;
    handles_[id] = OpenHandle{backend, inner};
    return id;
}

void THidDemoPlatform::CloseHandle(THidHandle handle)
{
    OpenHandle open;
    {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end())
            return;
        open = it->second;
        handles_.erase(it);
    }
    backends_[open.Backend].Platform->CloseHandle(open.Inner);
}

bool THidDemoPlatform::GetAttributes(THidHandle handle, THidAttributes& attributes)
{
    OpenHandle open;
    return locate(handle, open) && backends_[open.Backend].Platform->GetAttributes(open.Inner, attributes);
}

bool THidDemoPlatform::SetNumInputBuffers(THidHandle handle, int32_t count)
{
    OpenHandle open;
    return locate(handle, open) && backends_[open.Backend].Platform->SetNumInputBuffers(open.Inner, count);
}

bool THidDemoPlatform::GetNumInputBuffers(THidHandle handle, int32_t& count)
{
    OpenHandle open;
    return locate(handle, open) && backends_[open.Backend].Platform->GetNumInputBuffers(open.Inner, count);
}

THidPreparsedData THidDemoPlatform::GetPreparsedData(THidHandle handle)
{
    OpenHandle open;
    if (!locate(handle, open))
        return nullptr;
    const THidPreparsedData inner = backends_[open.Backend].Platform->GetPreparsedData(open.Inner);
    if (!inner)
        return nullptr;
    return new Preparsed{open.Backend, inner};
}

void THidDemoPlatform::FreePreparsedData(THidPreparsedData data)
{
    if (!data)
        return;
    const auto* preparsed = static_cast<const Preparsed*>(data);
    backends_[preparsed->Backend].Platform->FreePreparsedData(preparsed->Inner);
    delete preparsed;
}

bool THidDemoPlatform::GetCaps(THidPreparsedData data, THidCaps& caps)
{
    if (!data) {
        SetLastError(EINVAL);
        return false;
    }
    const auto* preparsed = static_cast<const Preparsed*>(data);
    return backends_[preparsed->Backend].Platform->GetCaps(preparsed->Inner, caps);
}

bool THidDemoPlatform::GetProductString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes)
{
    OpenHandle open;
    return locate(handle, open) &&
           backends_[open.Backend].Platform->GetProductString(open.Inner, buffer, bufferBytes);
}

bool THidDemoPlatform::GetSerialNumberString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes)
{
    OpenHandle open;
    return locate(handle, open) &&
           backends_[open.Backend].Platform->GetSerialNumberString(open.Inner, buffer, bufferBytes);
}

bool THidDemoPlatform::GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                                        uint32_t bufferBytes)
{
    OpenHandle open;
    return locate(handle, open) &&
           backends_[open.Backend].Platform->GetIndexedString(open.Inner, index, buffer, bufferBytes);
}

bool THidDemoPlatform::SetFeature(THidHandle handle, const uint8_t* report, uint32_t length)
{
    OpenHandle open;
    return locate(handle, open) && backends_[open.Backend].Platform->SetFeature(open.Inner, report, length);
}

bool THidDemoPlatform::ReadFileEx(THidHandle handle, uint8_t* buffer, uint32_t length,
                                  THidOverlapped& overlapped)
{
    OpenHandle open;
    if (!locate(handle, open))
        return false;
    auto pending = std::make_shared<PendingRead>();
    pending->Backend = open.Backend;
    pending->Inner.Event = overlapped.Event;
    if (!backends_[open.Backend].Platform->ReadFileEx(open.Inner, buffer, length, pending->Inner))
        return false;
    overlapped.Pending = std::move(pending);
    return true;
}

EHidWaitStatus THidDemoPlatform::SleepEx(THidOverlapped& overlapped, uint32_t ms, THidWakeup& wakeup)
{
    auto& wake = static_cast<Wakeup&>(wakeup);
    auto pending = std::static_pointer_cast<PendingRead>(overlapped.Pending);
    if (!pending) {
        wake.wait(ms);
        return EHidWaitStatus::Elapsed;
    }
    return backends_[pending->Backend].Platform->SleepEx(pending->Inner, ms, wake.inner(pending->Backend));
}

bool THidDemoPlatform::GetOverlappedResult(THidHandle handle, THidOverlapped& overlapped, uint32_t& bytes)
{
    auto pending = std::static_pointer_cast<PendingRead>(overlapped.Pending);
    if (!pending) {
        SetLastError(EINVAL);
        return false;
    }
    // The record tells the backend even after the handle was closed.
    OpenHandle open;
    const THidHandle inner = locate(handle, open) ? open.Inner : InvalidHidHandle;
    return backends_[pending->Backend].Platform->GetOverlappedResult(inner, pending->Inner, bytes);
}

bool THidDemoPlatform::CancelIo(THidHandle handle, THidOverlapped& overlapped)
{
    OpenHandle open;
    if (!locate(handle, open))
        return false;
    auto pending = std::static_pointer_cast<PendingRead>(overlapped.Pending);
    if (pending && pending->Backend == open.Backend)
        return backends_[open.Backend].Platform->CancelIo(open.Inner, pending->Inner);
    THidOverlapped none;
    return backends_[open.Backend].Platform->CancelIo(open.Inner, none);
}

std::unique_ptr<THidWakeup> THidDemoPlatform::CreateWakeup()
{
    auto native = backends_[Native].Platform->CreateWakeup();
    auto simulated = backends_[Simulated].Platform->CreateWakeup();
    if (!native || !simulated)
        return nullptr;
    return std::make_unique<Wakeup>(std::move(native), std::move(simulated));
}

bool THidDemoPlatform::InstallDeviceChangeHook(std::function<void()> onChange)
{
    RemoveDeviceChangeHook();
    bool any = false;
    for (Backend& b : backends_) {
        if (b.HidBound)
            b.HookInstalled = b.Platform->InstallDeviceChangeHook(onChange);
        any = any || b.HookInstalled;
    }
    return any;
}

void THidDemoPlatform::RemoveDeviceChangeHook()
{
    for (Backend& b : backends_) {
        if (b.HookInstalled)
            b.Platform->RemoveDeviceChangeHook();
        b.HookInstalled = false;
    }
}

uint32_t THidDemoPlatform::DeviceNotConnectedError() const
{
    return backends_[Native].Platform->DeviceNotConnectedError();
}

std::string THidDemoPlatform::ErrorMessage(uint32_t code) const
{
    return backends_[Native].Platform->ErrorMessage(code);
}

std::shared_ptr<THidPlatform> CreateDemoHidPlatform(std::shared_ptr<THidPlatform> native, uint64_t seed)
{
    while (seed == 0) {
        std::random_device random;
        seed = (uint64_t{random()} << 32) ^ random();
    }
    auto simulated = std::make_shared<THidSimPlatform>(THidSimPlatform::ETime::Real);
    SimulatedCable::Options options;
    options.Meter.Seed = seed;
    auto cable = std::make_shared<SimulatedCable>(simulated, options);
    cable->plug();
    cable->runInRealTime();
    return std::make_shared<THidDemoPlatform>(std::move(native), std::move(simulated), std::move(cable));
}

std::shared_ptr<THidPlatform> CreateDemoHidPlatform(uint64_t seed)
{
    return CreateDemoHidPlatform(CreateNativeHidPlatform(), seed);
}
