#pragma once

#include "link/hid/hid_platform.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

/// What opening a simulated device gets.
enum class EHidSimAccess : uint8_t {
    ReadWrite,  ///< every open works
    QueryOnly,  ///< only the query-only main handle opens (no permission)
    None        ///< nothing opens
};

/// Description of one simulated HID interface.
struct THidSimDevice {
    /// 0: the platform picks a new one. Plugging the same instance again after
    /// an unplug makes it a new device with the old identity.
    uint32_t DeviceInstance = 0;
    /// Empty: "sim:hid#<instance>".
    std::string DevicePath;
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
    /// nullopt: the query fails.
    std::optional<std::u16string> ProductString;
    std::optional<std::u16string> SerialNumberString;
    /// Answer to string descriptor 0, without its terminating 0; empty: the query fails.
    std::vector<char16_t> LanguageIds{0x0409};
    EHidSimAccess Access = EHidSimAccess::ReadWrite;
    /// The attribute query fails ("device cannot be identified").
    bool IdentificationFails = false;
    /// Report lengths including the ID byte.
    THidCaps Caps{0, 0, 9, 0, 10};
};

/// In-memory HID platform for tests and the demo meter. Devices are plugged
/// and unplugged by calls, which raise the device-change notification at once
/// on the calling thread. Input reports come from a queue or from a source
/// called at a fixed period. Time is driven by AdvanceTime (ETime::Driven,
/// deterministic) or follows the steady clock (ETime::Real).
///
/// Error codes are errno values: ENODEV (gone), EACCES (no permission),
/// ECANCELED (read ended by a close or cancel), EINVAL, EBUSY, ENOENT.
class THidSimPlatform : public THidPlatform {
public:
    enum class ETime : uint8_t { Driven, Real };

    explicit THidSimPlatform(ETime time = ETime::Driven);
    ~THidSimPlatform() override;

    /// Makes binding fail, as on a system without HID services.
    void SetServicesAbsent(bool absent);
    /// Any thread. Plugs a device; returns its instance.
    uint32_t Plug(THidSimDevice device);
    /// Any thread. Unplugs a device: its handles fail from now on and a read
    /// pending on them ends with ENODEV. False when it was not plugged.
    bool Unplug(uint32_t deviceInstance);
    /// Any thread. Queues one input report (report ID first); a longer report
    /// than the reader asks for is cut.
    void QueueInputReport(uint32_t deviceInstance, std::vector<uint8_t> report);
    /// Any thread. Calls @p source for a report every @p periodMs [ms] while a
    /// read is pending; an empty @p source stops it.
    void SetInputReportSource(uint32_t deviceInstance, uint32_t periodMs,
                              std::function<std::vector<uint8_t>()> source);
    /// Any thread. Makes every read start fail with @p errorCode; 0 ends that.
    void SetReadStartFailure(uint32_t deviceInstance, uint32_t errorCode);
    /// Any thread. Makes the next @p count read starts fail with @p errorCode
    /// (a flaky hub); later ones work again.
    void FailNextReadStarts(uint32_t deviceInstance, uint32_t errorCode, uint32_t count);
    /// Any thread. Advances the driven clock by @p ms [ms].
    void AdvanceTime(uint32_t ms);
    /// Current time [ms] since construction.
    uint64_t Now() const;

    /// Feature reports the device received, in order.
    std::vector<std::vector<uint8_t>> FeatureReports(uint32_t deviceInstance) const;
    /// Open handles of the device.
    std::size_t OpenHandleCount(uint32_t deviceInstance) const;
    /// Reads started on the device (successful or not).
    uint32_t ReadStartCount(uint32_t deviceInstance) const;
    /// Reports still queued for the device.
    std::size_t QueuedReportCount(uint32_t deviceInstance) const;
    /// Waits until a read of the device is pending (started, not ended).
    bool WaitForPendingRead(uint32_t deviceInstance, std::chrono::milliseconds timeout) const;
    /// Whether device-change notification is installed.
    bool HookInstalled() const;

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
    struct Device;
    struct Handle;
    class Wakeup;

    uint64_t nowLocked() const;
    Device* deviceLocked(uint32_t instance);
    const Device* deviceLocked(uint32_t instance) const;
    /// Handle of a plugged device; sets the last error and returns null otherwise.
    std::shared_ptr<Handle> liveHandleLocked(THidHandle handle);
    void tryCompleteLocked(Handle& handle);
    void raiseDeviceChange();

    const ETime time_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    mutable std::mutex mutex_;
    mutable std::condition_variable cond_;
    uint64_t drivenNow_ = 0;
    bool servicesAbsent_ = false;
    uint32_t nextInstance_ = 1;
    std::map<uint32_t, std::unique_ptr<Device>> devices_;
    std::map<THidHandle, std::shared_ptr<Handle>> handles_;
    THidHandle nextHandle_ = 1;
    std::map<THidDeviceInfoSet, std::vector<THidSimDevice>> sets_;
    THidDeviceInfoSet nextSet_ = 1;

    mutable std::mutex hookMutex_;
    std::function<void()> hook_;
};
