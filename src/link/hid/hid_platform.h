#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The operations the HID layer needs from the operating system, one virtual
// per service it relies on. A backend (Linux hidraw + udev, simulated, later
// Windows SetupAPI + HID) answers them with the results documented here and
// nothing more; the device and controller logic sits above and never looks at
// platform details.

/// Interface class GUID in the usual 16-byte layout.
struct THidGuid {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend bool operator==(const THidGuid&, const THidGuid&) = default;
};

/// The HID interface class used when the HID services are absent.
inline constexpr THidGuid kFixedHidGuid{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

/// Identification of an interface; Size is 12, the size of the record the
/// HID class driver fills.
struct THidAttributes {
    uint32_t Size = 0;
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

/// Capabilities of a report descriptor. Report lengths include the report ID
/// byte (a 0 byte for devices without numbered reports); 0 means the device
/// has no report of that kind.
struct THidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

/// Opaque handle of an opened interface; InvalidHidHandle when none.
using THidHandle = std::uintptr_t;
inline constexpr THidHandle InvalidHidHandle = 0;

/// Opaque enumeration set, the snapshot of present interfaces.
using THidDeviceInfoSet = std::uintptr_t;
inline constexpr THidDeviceInfoSet InvalidHidDeviceInfoSet = 0;

/// Opaque preparsed report descriptor; nullptr when none. Freed with
/// THidPlatform::FreePreparsedData.
using THidPreparsedData = const void*;

/// How an interface is opened.
enum class EHidOpenMode : uint8_t {
    MainReadWrite,  ///< synchronous, read and write access
    MainQueryOnly,  ///< synchronous, no access: attributes, texts and caps only
    OverlappedRead, ///< for input reports, read access
    OverlappedWrite ///< write access
};

/// Record of one started read. Event holds the object the read belongs to;
/// Pending is the backend's state of the read and stays set until the read
/// has been collected or cancelled, so the buffer must stay valid until then.
struct THidOverlapped {
    void* Event = nullptr;
    std::shared_ptr<void> Pending;
};

/// Result of THidPlatform::SleepEx.
enum class EHidWaitStatus : uint8_t {
    Elapsed,      ///< the time ran out, or the wake-up was signalled
    IoCompletion  ///< the read of the given record has ended (data or error)
};

/// Lets another thread end a SleepEx early; it stays signalled once set.
class THidWakeup {
public:
    virtual ~THidWakeup() = default;
    /// Any thread. Every current and later SleepEx with this object returns at once.
    virtual void Signal() = 0;
};

/// Registry-property buffer sizes the device layer reads with [bytes].
inline constexpr uint32_t kHidPropertyTextBytes = 257;
inline constexpr uint32_t kHidPropertyListBytes = 16384;
inline constexpr uint32_t kHidPropertyNumberBytes = 4;

/// The platform's HID services. All calls except the ones marked "any thread"
/// come from the main thread, or from a device's read thread for that
/// device's read handle only. Failing calls set the calling thread's last
/// error (GetLastError).
class THidPlatform {
public:
    virtual ~THidPlatform() = default;

    /// Loads the device-enumeration services; false when they are absent.
    virtual bool BindSetupApi() = 0;
    /// Loads the HID services; only called after BindSetupApi succeeded.
    virtual bool BindHid() = 0;
    virtual void UnbindHid() = 0;
    virtual void UnbindSetupApi() = 0;

    /// The HID interface class.
    virtual THidGuid GetHidGuid() = 0;

    /// Snapshot of the present HID interfaces; InvalidHidDeviceInfoSet when
    /// there is none. Release with DestroyDeviceInfoList.
    virtual THidDeviceInfoSet GetClassDevs(const THidGuid& guid) = 0;
    /// True while @p index names an interface of @p set.
    virtual bool EnumDeviceInterfaces(THidDeviceInfoSet set, uint32_t index) = 0;
    /// First detail query: the size of the detail record; true only when that
    /// size is known and not 0 (the "insufficient buffer" answer).
    virtual bool QueryDeviceInterfaceDetailSize(THidDeviceInfoSet set, uint32_t index,
                                                uint32_t& size) = 0;
    /// Second detail query: the device path and the 32-bit device instance
    /// handle. @p size is the one the first query gave.
    virtual bool GetDeviceInterfaceDetail(THidDeviceInfoSet set, uint32_t index, uint32_t size,
                                          std::string& devicePath, uint32_t& devInst) = 0;
    /// Fills @p buffer (of @p bufferSize bytes, cleared by the caller) with the
    /// registry property @p code of the interface's device: a NUL-ended text,
    /// a list of NUL-ended texts ending with an empty one, or a 32-bit
    /// little-endian number. On failure the buffer is left as it is.
    virtual bool GetDeviceRegistryProperty(THidDeviceInfoSet set, uint32_t index, uint32_t code,
                                           uint8_t* buffer, uint32_t bufferSize) = 0;
    virtual void DestroyDeviceInfoList(THidDeviceInfoSet set) = 0;

    /// Opens @p devicePath; InvalidHidHandle on failure.
    virtual THidHandle CreateFile(const std::string& devicePath, EHidOpenMode mode) = 0;
    /// Any thread. Closes @p handle; a read pending on it ends (as a failed read).
    virtual void CloseHandle(THidHandle handle) = 0;

    /// Vendor, product and version of the interface; @p attributes.Size must be 12.
    virtual bool GetAttributes(THidHandle handle, THidAttributes& attributes) = 0;
    virtual bool SetNumInputBuffers(THidHandle handle, int32_t count) = 0;
    virtual bool GetNumInputBuffers(THidHandle handle, int32_t& count) = 0;
    /// Preparsed report descriptor of the interface; nullptr on failure.
    virtual THidPreparsedData GetPreparsedData(THidHandle handle) = 0;
    virtual void FreePreparsedData(THidPreparsedData data) = 0;
    /// Capabilities from preparsed data; @p caps is left as passed on failure.
    virtual bool GetCaps(THidPreparsedData data, THidCaps& caps) = 0;

    /// Product text as UTF-16 into @p buffer of @p bufferBytes bytes, NUL-ended
    /// when it fits.
    virtual bool GetProductString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) = 0;
    virtual bool GetSerialNumberString(THidHandle handle, char16_t* buffer,
                                       uint32_t bufferBytes) = 0;
    /// USB string descriptor @p index; index 0 is the list of language IDs.
    /// Words the answer does not cover are left as they are.
    virtual bool GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                                  uint32_t bufferBytes) = 0;

    /// Sends a feature report (report ID first, 0 for devices without
    /// numbered reports) of @p length bytes.
    virtual bool SetFeature(THidHandle handle, const uint8_t* report, uint32_t length) = 0;

    /// Starts reading one input report of at most @p length bytes into
    /// @p buffer on an overlapped read handle. The report arrives report ID
    /// first (a 0 byte for devices without numbered reports). Only the calling
    /// thread waits for it (SleepEx).
    virtual bool ReadFileEx(THidHandle handle, uint8_t* buffer, uint32_t length,
                            THidOverlapped& overlapped) = 0;
    /// Waits at most @p ms [ms] for the read of @p overlapped to end;
    /// @p wakeup ends the wait early.
    virtual EHidWaitStatus SleepEx(THidOverlapped& overlapped, uint32_t ms,
                                   THidWakeup& wakeup) = 0;
    /// Bytes of the ended read of @p overlapped, without waiting; false when
    /// the read failed or has not ended.
    virtual bool GetOverlappedResult(THidHandle handle, THidOverlapped& overlapped,
                                     uint32_t& bytes) = 0;
    /// Ends the read pending on @p handle; after it returns, the buffer is no
    /// longer written.
    virtual bool CancelIo(THidHandle handle, THidOverlapped& overlapped) = 0;

    /// A wake-up object for SleepEx; null (and the last error set) when the
    /// system cannot make one.
    virtual std::unique_ptr<THidWakeup> CreateWakeup() = 0;

    /// Starts device-change notification: @p onChange runs, on any thread,
    /// once after each burst of plug and unplug events. False when the
    /// platform cannot notify.
    virtual bool InstallDeviceChangeHook(std::function<void()> onChange) = 0;
    /// Stops notification; no call of the hook's routine runs after it returns.
    virtual void RemoveDeviceChangeHook() = 0;

    /// The platform's code for "the device is no longer connected".
    virtual uint32_t DeviceNotConnectedError() const = 0;
    /// System message text for @p code.
    virtual std::string ErrorMessage(uint32_t code) const = 0;

    /// Any thread. The last error code a failing call set on this thread.
    static uint32_t GetLastError();
    /// Any thread. Sets the calling thread's last error code.
    static void SetLastError(uint32_t code);
};
