#pragma once

#include "link/hid/hid_platform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class SimulatedCable;

/// Two HID platforms seen as one: the system's own (native) and a simulated
/// one that holds the demo cable. Enumeration lists the native interfaces
/// first, then the simulated ones; every other call goes to the backend
/// that the handle, set, path, preparsed data or read record belongs to,
/// and device-change notifications of both reach the one hook.
///
/// So that the two never clash, the simulated interfaces' paths carry
/// kSimulatedPathPrefix and their device instances kSimulatedInstanceFlag.
/// Error codes and their texts are the native backend's (both are errno
/// values on Linux).
///
/// Calls follow THidPlatform's threading rules; the routing tables are
/// guarded by one lock, never held while a backend runs.
class THidDemoPlatform : public THidPlatform {
public:
    static constexpr std::string_view kSimulatedPathPrefix = "demo:";
    static constexpr uint32_t kSimulatedInstanceFlag = 0x80000000u;

    /// @p native and @p simulated must not be null. @p cable, when given, is
    /// kept alive as long as the platform (it sends the simulated reports).
    THidDemoPlatform(std::shared_ptr<THidPlatform> native, std::shared_ptr<THidPlatform> simulated,
                     std::shared_ptr<SimulatedCable> cable = nullptr);
    ~THidDemoPlatform() override;

    THidPlatform& native() const { return *backends_[Native].Platform; }
    THidPlatform& simulated() const { return *backends_[Simulated].Platform; }
    /// The demo cable, or null.
    SimulatedCable* cable() const { return cable_.get(); }

    // THidPlatform
    bool BindSetupApi() override;
    bool BindHid() override;
    void UnbindHid() override;
    void UnbindSetupApi() override;
    THidGuid GetHidGuid() override;
    THidDeviceInfoSet GetClassDevs(const THidGuid& guid) override;
    bool EnumDeviceInterfaces(THidDeviceInfoSet set, uint32_t index) override;
    bool QueryDeviceInterfaceDetailSize(THidDeviceInfoSet set, uint32_t index,
                                        uint32_t& size) override;
    bool GetDeviceInterfaceDetail(THidDeviceInfoSet set, uint32_t index, uint32_t size,
                                  std::string& devicePath, uint32_t& devInst) override;
    bool GetDeviceRegistryProperty(THidDeviceInfoSet set, uint32_t index, uint32_t code,
                                   uint8_t* buffer, uint32_t bufferSize) override;
    void DestroyDeviceInfoList(THidDeviceInfoSet set) override;
    THidHandle CreateFile(const std::string& devicePath, EHidOpenMode mode) override;
    void CloseHandle(THidHandle handle) override;
    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
    bool SetNumInputBuffers(THidHandle handle, int32_t count) override;
    bool GetNumInputBuffers(THidHandle handle, int32_t& count) override;
    THidPreparsedData GetPreparsedData(THidHandle handle) override;
    void FreePreparsedData(THidPreparsedData data) override;
    bool GetCaps(THidPreparsedData data, THidCaps& caps) override;
    bool GetProductString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) override;
    bool GetSerialNumberString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) override;
    bool GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                          uint32_t bufferBytes) override;
    bool SetFeature(THidHandle handle, const uint8_t* report, uint32_t length) override;
    bool ReadFileEx(THidHandle handle, uint8_t* buffer, uint32_t length,
                    THidOverlapped& overlapped) override;
    EHidWaitStatus SleepEx(THidOverlapped& overlapped, uint32_t ms, THidWakeup& wakeup) override;
    bool GetOverlappedResult(THidHandle handle, THidOverlapped& overlapped,
                             uint32_t& bytes) override;
    bool CancelIo(THidHandle handle, THidOverlapped& overlapped) override;
    std::unique_ptr<THidWakeup> CreateWakeup() override;
    bool InstallDeviceChangeHook(std::function<void()> onChange) override;
    void RemoveDeviceChangeHook() override;
    uint32_t DeviceNotConnectedError() const override;
    std::string ErrorMessage(uint32_t code) const override;

private:
    enum EBackend : uint8_t { Native = 0, Simulated = 1 };
    struct Backend {
        std::shared_ptr<THidPlatform> Platform;
        bool SetupApiBound = false;
        bool HidBound = false;
        bool HookInstalled = false;
    };
    struct InfoSet {
        THidDeviceInfoSet Sets[2] = {InvalidHidDeviceInfoSet, InvalidHidDeviceInfoSet};
        uint32_t NativeCount = 0;
    };
    struct OpenHandle {
        EBackend Backend = Native;
        THidHandle Inner = InvalidHidHandle;
    };
    struct PendingRead;
    struct Preparsed;
    class Wakeup;

    /// The backend set and index for @p index of @p set; false when unknown.
    bool locate(THidDeviceInfoSet set, uint32_t& index, EBackend& backend,
                THidDeviceInfoSet& inner) const;
    /// The backend handle of @p handle; false (last error EBADF) when unknown.
    bool locate(THidHandle handle, OpenHandle& open) const;

    Backend backends_[2];
    std::shared_ptr<SimulatedCable> cable_;
    mutable std::mutex mutex_;
    std::map<THidDeviceInfoSet, InfoSet> sets_;
    THidDeviceInfoSet nextSet_ = 1;
    std::map<THidHandle, OpenHandle> handles_;
    THidHandle nextHandle_ = 1;
};

/// The platform of `zqmeter --demo` and `zqmeter-cli devices --demo`: the
/// native platform (CreateNativeHidPlatform) plus a simulated cable, already
/// plugged, whose meter runs in real time. @p seed picks the meter's course
/// (0: a different one each run).
std::shared_ptr<THidPlatform> CreateDemoHidPlatform(uint64_t seed = 0);

/// The same on @p native (tests pass a simulated platform).
std::shared_ptr<THidPlatform> CreateDemoHidPlatform(std::shared_ptr<THidPlatform> native,
                                                    uint64_t seed);
