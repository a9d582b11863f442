// Windows HID platform: SetupAPI lists the HID interfaces, the HID class
// driver identifies them and sends feature reports, and overlapped kernel
// file reads (ReadFileEx, its completion routine run in an alertable wait)
// bring the input reports. SetupApi.dll and then HID.dll are loaded by name
// when the controller is made and every entry point is resolved by name; one
// missing name makes that library absent, so the program still starts where
// a library is missing or too old.
//
// Device changes reach a message-only window on a thread of its own. Such a
// window gets no broadcasts, so it registers for arrivals and removals of
// HID interfaces; DBT_DEVNODES_CHANGED, which a top-level window would get,
// is heard too. A burst of them becomes one call once it has been quiet.

#include "link/hid/hid_platform_windows.h"

#include "link/hid/hid_native_platform.h"

#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// HIDP_STATUS_SUCCESS: the facility of HID parsing, code 0.
constexpr NTSTATUS kHidpStatusSuccess = static_cast<NTSTATUS>(0x00110000);
// Quiet time that ends a burst of device events, and the longest burst [ms].
constexpr UINT kDebounceQuietMs = 150;
constexpr auto kDebounceMax = std::chrono::milliseconds(1000);
// A cancelled read ends as soon as the driver lets go of it; this long at most [ms].
constexpr DWORD kCancelWaitMs = 2000;

constexpr UINT_PTR kDebounceTimer = 1;
constexpr UINT kStopHookMessage = WM_APP + 1;

void keepLastError()
{
    THidPlatform::SetLastError(::GetLastError());
}

GUID toGuid(const THidGuid& guid)
{
    GUID g{};
    g.Data1 = guid.Data1;
    g.Data2 = guid.Data2;
    g.Data3 = guid.Data3;
    std::memcpy(g.Data4, guid.Data4, sizeof g.Data4);
    return g;
}

THidGuid fromGuid(const GUID& g)
{
    THidGuid guid;
    guid.Data1 = g.Data1;
    guid.Data2 = g.Data2;
    guid.Data3 = g.Data3;
    std::memcpy(guid.Data4, g.Data4, sizeof guid.Data4);
    return guid;
}

HANDLE toHandle(THidHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

/// One started read. The system writes the OVERLAPPED record and the buffer
/// until the read has ended, so a record whose read never ended (its thread
/// left without waiting for it) is not freed: a few bytes lost against a
/// write into freed memory.
struct WindowsRead {
    OVERLAPPED Overlapped{};
    std::atomic<bool> Ended{false};
    DWORD Error = 0;
    DWORD Bytes = 0;
};

void releaseRead(WindowsRead* read)
{
    if (read->Ended)
        delete read;
}

VOID CALLBACK readCompleted(DWORD error, DWORD bytes, LPOVERLAPPED overlapped)
{
    WindowsRead* read = CONTAINING_RECORD(overlapped, WindowsRead, Overlapped);
    read->Error = error;
    read->Bytes = bytes;
    read->Ended = true;
}

class WindowsWakeup : public THidWakeup {
public:
    /// Takes over a manual-reset event.
    explicit WindowsWakeup(HANDLE event) : event_(event) {}
    ~WindowsWakeup() override { ::CloseHandle(event_); }
    void Signal() override { ::SetEvent(event_); }
    HANDLE Event() const { return event_; }

private:
    HANDLE event_;
};

/// The message-only window and its thread.
class DeviceChangeHook {
public:
    explicit DeviceChangeHook(std::function<void()> onChange) : onChange_(std::move(onChange)) {}
    ~DeviceChangeHook() { Stop(); }

    bool Start(const GUID& hidGuid)
    {
        std::promise<bool> made;
        std::future<bool> ready = made.get_future();
        thread_ = std::thread([this, hidGuid, &made] { Run(hidGuid, made); });
        if (ready.get())
            return true;
        thread_.join();
        return false;
    }

    void Stop()
    {
        if (!thread_.joinable())
            return;
        ::PostMessageA(window_, kStopHookMessage, 0, 0);
        thread_.join();
    }

private:
    void Run(const GUID& hidGuid, std::promise<bool>& made)
    {
        const HINSTANCE instance = ::GetModuleHandleA(nullptr);
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &DeviceChangeHook::WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kHidDeviceChangeWindowClass;
        // A second platform in the process finds the class there already.
        if (!::RegisterClassExA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            keepLastError();
            made.set_value(false);
            return;
        }
        window_ = ::CreateWindowExA(0, kHidDeviceChangeWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    instance, nullptr);
        if (!window_) {
            keepLastError();
            made.set_value(false);
            return;
        }
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = hidGuid;
        // Without it only DBT_DEVNODES_CHANGED sent to this window is heard.
        const HDEVNOTIFY notification = ::RegisterDeviceNotificationA(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        made.set_value(true);

        MSG message;
        while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.hwnd == window_ && message.message == kStopHookMessage)
                break;
            ::DispatchMessageA(&message);
        }
        if (notification)
            ::UnregisterDeviceNotification(notification);
        ::DestroyWindow(window_);
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* hook = reinterpret_cast<DeviceChangeHook*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (hook && message == WM_DEVICECHANGE &&
            (wParam == DBT_DEVNODES_CHANGED || wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
            hook->Heard(window);
            return TRUE;
        }
        if (hook && message == WM_TIMER && wParam == kDebounceTimer) {
            ::KillTimer(window, kDebounceTimer);
            hook->inBurst_ = false;
            hook->onChange_();
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    void Heard(HWND window)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!inBurst_)
            burstStart_ = now;
        inBurst_ = true;
        // Each event restarts the quiet time, but a burst that goes on is
        // told of after a second all the same.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(burstStart_ + kDebounceMax - now);
        const UINT wait = static_cast<UINT>(std::clamp<long long>(left.count(), 0, kDebounceQuietMs));
        ::SetTimer(window, kDebounceTimer, std::max<UINT>(wait, USER_TIMER_MINIMUM), nullptr);
    }

    std::function<void()> onChange_;
    std::thread thread_;
    HWND window_ = nullptr;
    bool inBurst_ = false;
    std::chrono::steady_clock::time_point burstStart_{};
};

class SystemLibraries : public THidWindowsLibraries {
public:
    void* Load(const char* file) override { return reinterpret_cast<void*>(::LoadLibraryA(file)); }
    void* Entry(void* library, const char* name) override
    {
        return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
    }
    void Release(void* library) override { ::FreeLibrary(static_cast<HMODULE>(library)); }
};

/// Resolves @p name of @p library into @p slot; false when the library has no such entry.
template <typename Function>
bool resolve(THidWindowsLibraries& libraries, void* library, const char* name, Function& slot)
{
    void* const entry = libraries.Entry(library, name);
    slot = reinterpret_cast<Function>(entry);
    return entry != nullptr;
}

class THidWindowsPlatform : public THidPlatform {
public:
    explicit THidWindowsPlatform(std::shared_ptr<THidWindowsLibraries> libraries) : libraries_(std::move(libraries))
    {
        libraries_->KernelFileCalls(api_.Kernel);
    }

    ~THidWindowsPlatform() override
    {
        RemoveDeviceChangeHook();
        UnbindHid();
        UnbindSetupApi();
    }

    bool BindSetupApi() override
    {
        if (setupApi_)
            return true;
        void* const library = libraries_->Load("SetupApi.dll");
        if (!library)
            return false;
        THidWindowsLibraries& l = *libraries_;
        THidSetupApiEntryPoints& e = api_.SetupApi;
        const bool all = resolve(l, library, "SetupDiGetClassDevsA", e.SetupDiGetClassDevsA) &
                         resolve(l, library, "SetupDiEnumDeviceInterfaces", e.SetupDiEnumDeviceInterfaces) &
                         resolve(l, library, "SetupDiGetDeviceInterfaceDetailA", e.SetupDiGetDeviceInterfaceDetailA) &
                         resolve(l, library, "SetupDiGetDeviceRegistryPropertyA",
                                 e.SetupDiGetDeviceRegistryPropertyA) &
                         resolve(l, library, "SetupDiDestroyDeviceInfoList", e.SetupDiDestroyDeviceInfoList);
        if (!all) {
            api_.SetupApi = {};
            libraries_->Release(library);
            return false;
        }
        setupApi_ = library;
        return true;
    }

    bool BindHid() override
    {
        if (hid_)
            return true;
        void* const library = libraries_->Load("HID.dll");
        if (!library)
            return false;
        THidWindowsLibraries& l = *libraries_;
        THidClassEntryPoints& e = api_.Hid;
        const bool all = resolve(l, library, "HidD_GetHidGuid", e.HidD_GetHidGuid) &
                         resolve(l, library, "HidD_GetAttributes", e.HidD_GetAttributes) &
                         resolve(l, library, "HidD_SetNumInputBuffers", e.HidD_SetNumInputBuffers) &
                         resolve(l, library, "HidD_GetNumInputBuffers", e.HidD_GetNumInputBuffers) &
                         resolve(l, library, "HidD_GetPreparsedData", e.HidD_GetPreparsedData) &
                         resolve(l, library, "HidD_FreePreparsedData", e.HidD_FreePreparsedData) &
                         resolve(l, library, "HidP_GetCaps", e.HidP_GetCaps) &
                         resolve(l, library, "HidD_GetProductString", e.HidD_GetProductString) &
                         resolve(l, library, "HidD_GetSerialNumberString", e.HidD_GetSerialNumberString) &
                         resolve(l, library, "HidD_GetIndexedString", e.HidD_GetIndexedString) &
                         resolve(l, library, "HidD_SetFeature", e.HidD_SetFeature);
        if (!all) {
            api_.Hid = {};
            libraries_->Release(library);
            return false;
        }
        hid_ = library;
        return true;
    }

    void UnbindHid() override
    {
        if (!hid_)
            return;
        api_.Hid = {};
        libraries_->Release(hid_);
        hid_ = nullptr;
    }

    void UnbindSetupApi() override
    {
        if (!setupApi_)
            return;
        api_.SetupApi = {};
        libraries_->Release(setupApi_);
        setupApi_ = nullptr;
    }

    THidGuid GetHidGuid() override
    {
        if (!hid_)
            return kFixedHidGuid;
        GUID guid{};
        api_.Hid.HidD_GetHidGuid(&guid);
        return fromGuid(guid);
    }

    THidDeviceInfoSet GetClassDevs(const THidGuid& guid) override
    {
        if (!setupApi_)
            return InvalidHidDeviceInfoSet;
        const GUID classGuid = toGuid(guid);
        const HDEVINFO info =
            api_.SetupApi.SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (info == INVALID_HANDLE_VALUE) {
            keepLastError();
            return InvalidHidDeviceInfoSet;
        }
        std::lock_guard lock(mutex_);
        const THidDeviceInfoSet set = nextSet_++;
        sets_[set] = InfoSet{info, classGuid, {}};
        return set;
    }

    bool EnumDeviceInterfaces(THidDeviceInfoSet set, uint32_t index) override
    {
        SP_DEVICE_INTERFACE_DATA data;
        return interfaceAt(set, index, data);
    }

    bool QueryDeviceInterfaceDetailSize(THidDeviceInfoSet set, uint32_t index, uint32_t& size) override
    {
        SP_DEVICE_INTERFACE_DATA data;
        if (!interfaceAt(set, index, data))
            return false;
        DWORD required = 0;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        // Asked without a buffer, the only good answer is "too small" with the size.
        if (api_.SetupApi.SetupDiGetDeviceInterfaceDetailA(infoOf(set), &data, nullptr, 0, &required, &device) ||
            ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || required == 0) {
            keepLastError();
            return false;
        }
        size = required;
        return true;
    }

    bool GetDeviceInterfaceDetail(THidDeviceInfoSet set, uint32_t index, uint32_t size, std::string& devicePath,
                                  uint32_t& devInst) override
    {
        SP_DEVICE_INTERFACE_DATA data;
        if (!interfaceAt(set, index, data))
            return false;
        // Zeroed and a little longer than asked, so the path always ends in a NUL.
        const std::size_t bytes = std::max<std::size_t>(size, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) + 1;
        std::vector<std::uint64_t> block((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(block.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!api_.SetupApi.SetupDiGetDeviceInterfaceDetailA(infoOf(set), &data, detail,
                                                            static_cast<DWORD>(bytes - 1), nullptr, &device)) {
            keepLastError();
            return false;
        }
        devicePath = detail->DevicePath;
        devInst = static_cast<uint32_t>(device.DevInst);
        std::lock_guard lock(mutex_);
        if (auto it = sets_.find(set); it != sets_.end())
            it->second.Devices[index] = device;
        return true;
    }

    bool GetDeviceRegistryProperty(THidDeviceInfoSet set, uint32_t index, uint32_t code, uint8_t* buffer,
                                   uint32_t bufferSize) override
    {
        SP_DEVINFO_DATA device{};
        HDEVINFO info = INVALID_HANDLE_VALUE;
        {
            std::lock_guard lock(mutex_);
            auto it = sets_.find(set);
            if (it != sets_.end()) {
                info = it->second.Info;
                if (auto found = it->second.Devices.find(index); found != it->second.Devices.end())
                    device = found->second;
            }
        }
        if (info == INVALID_HANDLE_VALUE || device.cbSize == 0) {
            THidPlatform::SetLastError(ERROR_NO_MORE_ITEMS);
            return false;
        }
        // The system writes only what fits; a failed call may leave part of
        // a text, so the caller's cleared buffer is restored.
        if (!api_.SetupApi.SetupDiGetDeviceRegistryPropertyA(info, &device, code, nullptr, buffer, bufferSize,
                                                             nullptr)) {
            keepLastError();
            std::fill(buffer, buffer + bufferSize, uint8_t{0});
            return false;
        }
        return true;
    }

    void DestroyDeviceInfoList(THidDeviceInfoSet set) override
    {
        HDEVINFO info = INVALID_HANDLE_VALUE;
        {
            std::lock_guard lock(mutex_);
            auto it = sets_.find(set);
            if (it == sets_.end())
                return;
            info = it->second.Info;
            sets_.erase(it);
        }
        if (setupApi_)
            api_.SetupApi.SetupDiDestroyDeviceInfoList(info);
    }

    THidHandle CreateFile(const std::string& devicePath, EHidOpenMode mode) override
    {
        DWORD access = 0;
        DWORD flags = 0;
        switch (mode) {
        case EHidOpenMode::MainReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            break;
        case EHidOpenMode::MainQueryOnly:
            break;
        case EHidOpenMode::OverlappedRead:
            access = GENERIC_READ;
            flags = FILE_FLAG_OVERLAPPED;
            break;
        case EHidOpenMode::OverlappedWrite:
            access = GENERIC_WRITE;
            flags = FILE_FLAG_OVERLAPPED;
            break;
        }
        const HANDLE handle = api_.Kernel.CreateFileA(devicePath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                      nullptr, OPEN_EXISTING, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
            keepLastError();
            return InvalidHidHandle;
        }
        return reinterpret_cast<THidHandle>(handle);
    }

    void CloseHandle(THidHandle handle) override
    {
        // A read pending on it is cancelled by the system and ends in the
        // reader's next alertable wait.
        if (handle != InvalidHidHandle)
            api_.Kernel.CloseHandle(toHandle(handle));
    }

    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override
    {
        if (!hid_ || attributes.Size != 12) {
            THidPlatform::SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        HIDD_ATTRIBUTES system{};
        system.Size = sizeof system;
        if (!api_.Hid.HidD_GetAttributes(toHandle(handle), &system)) {
            keepLastError();
            return false;
        }
        attributes.VendorID = system.VendorID;
        attributes.ProductID = system.ProductID;
        attributes.VersionNumber = system.VersionNumber;
        return true;
    }

    bool SetNumInputBuffers(THidHandle handle, int32_t count) override
    {
        if (!hid_ || count < 0)
            return false;
        if (api_.Hid.HidD_SetNumInputBuffers(toHandle(handle), static_cast<ULONG>(count)))
            return true;
        keepLastError();
        return false;
    }

    bool GetNumInputBuffers(THidHandle handle, int32_t& count) override
    {
        ULONG buffers = 0;
        if (!hid_ || !api_.Hid.HidD_GetNumInputBuffers(toHandle(handle), &buffers)) {
            keepLastError();
            return false;
        }
        count = static_cast<int32_t>(std::min<ULONG>(buffers, 0x7FFFFFFF));
        return true;
    }

    THidPreparsedData GetPreparsedData(THidHandle handle) override
    {
        PHIDP_PREPARSED_DATA data = nullptr;
        if (!hid_ || !api_.Hid.HidD_GetPreparsedData(toHandle(handle), &data)) {
            keepLastError();
            return nullptr;
        }
        return data;
    }

    void FreePreparsedData(THidPreparsedData data) override
    {
        if (hid_ && data)
            api_.Hid.HidD_FreePreparsedData(static_cast<PHIDP_PREPARSED_DATA>(const_cast<void*>(data)));
    }

    bool GetCaps(THidPreparsedData data, THidCaps& caps) override
    {
        if (!hid_ || !data)
            return false;
        HIDP_CAPS system{};
        if (api_.Hid.HidP_GetCaps(static_cast<PHIDP_PREPARSED_DATA>(const_cast<void*>(data)), &system) !=
            kHidpStatusSuccess)
            return false;
        caps.Usage = system.Usage;
        caps.UsagePage = system.UsagePage;
        caps.InputReportByteLength = system.InputReportByteLength;
        caps.OutputReportByteLength = system.OutputReportByteLength;
        caps.FeatureReportByteLength = system.FeatureReportByteLength;
        return true;
    }

    bool GetProductString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) override
    {
        return hidText(api_.Hid.HidD_GetProductString, handle, buffer, bufferBytes);
    }

    bool GetSerialNumberString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) override
    {
        return hidText(api_.Hid.HidD_GetSerialNumberString, handle, buffer, bufferBytes);
    }

    bool GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer, uint32_t bufferBytes) override
    {
        if (!hid_ || !api_.Hid.HidD_GetIndexedString(toHandle(handle), index, buffer, bufferBytes)) {
            keepLastError();
            return false;
        }
        return true;
    }

    bool SetFeature(THidHandle handle, const uint8_t* report, uint32_t length) override
    {
        if (!hid_ || !report || length == 0) {
            THidPlatform::SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        // The driver takes a writable buffer; ours stays as the caller gave it.
        std::vector<uint8_t> copy(report, report + length);
        if (!api_.Hid.HidD_SetFeature(toHandle(handle), copy.data(), length)) {
            keepLastError();
            return false;
        }
        return true;
    }

    bool ReadFileEx(THidHandle handle, uint8_t* buffer, uint32_t length, THidOverlapped& overlapped) override
    {
        if (!buffer || length == 0) {
            THidPlatform::SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        auto* read = new WindowsRead;
        read->Overlapped.hEvent = overlapped.Event;
        if (!::ReadFileEx(toHandle(handle), buffer, length, &read->Overlapped, &readCompleted)) {
            keepLastError();
            delete read;
            return false;
        }
        // The completion routine runs in a later alertable wait of this thread.
        overlapped.Pending = std::shared_ptr<WindowsRead>(read, &releaseRead);
        return true;
    }

    EHidWaitStatus SleepEx(THidOverlapped& overlapped, uint32_t ms, THidWakeup& wakeup) override
    {
        auto* read = static_cast<WindowsRead*>(overlapped.Pending.get());
        const HANDLE event = static_cast<WindowsWakeup&>(wakeup).Event();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (read && read->Ended)
                return EHidWaitStatus::IoCompletion;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const DWORD wait = static_cast<DWORD>(std::max<long long>(left.count(), 0));
            const DWORD status = ::WaitForSingleObjectEx(event, wait, TRUE);
            if (status == WAIT_IO_COMPLETION)
                continue;  // ours, or another completion of this thread
            if (read && read->Ended)
                return EHidWaitStatus::IoCompletion;
            return EHidWaitStatus::Elapsed;
        }
    }

    bool GetOverlappedResult(THidHandle, THidOverlapped& overlapped, uint32_t& bytes) override
    {
        auto* read = static_cast<WindowsRead*>(overlapped.Pending.get());
        if (!read) {
            THidPlatform::SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        if (!read->Ended) {
            THidPlatform::SetLastError(ERROR_IO_INCOMPLETE);
            return false;
        }
        if (read->Error != ERROR_SUCCESS) {
            THidPlatform::SetLastError(read->Error);
            return false;
        }
        bytes = read->Bytes;
        return true;
    }

    bool CancelIo(THidHandle handle, THidOverlapped& overlapped) override
    {
        auto* read = static_cast<WindowsRead*>(overlapped.Pending.get());
        if (!read || read->Ended)
            return true;
        if (!::CancelIoEx(toHandle(handle), &read->Overlapped) && ::GetLastError() != ERROR_NOT_FOUND) {
            keepLastError();
            return false;
        }
        // The buffer is the caller's again only once the read has ended,
        // which its completion routine tells in an alertable wait.
        const ULONGLONG until = ::GetTickCount64() + kCancelWaitMs;
        while (!read->Ended && ::GetTickCount64() < until)
            ::SleepEx(10, TRUE);
        return true;
    }

    std::unique_ptr<THidWakeup> CreateWakeup() override
    {
        const HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!event) {
            keepLastError();
            return nullptr;
        }
        return std::make_unique<WindowsWakeup>(event);
    }

    bool InstallDeviceChangeHook(std::function<void()> onChange) override
    {
        RemoveDeviceChangeHook();
        auto hook = std::make_unique<DeviceChangeHook>(std::move(onChange));
        if (!hook->Start(toGuid(GetHidGuid())))
            return false;
        hook_ = std::move(hook);
        return true;
    }

    void RemoveDeviceChangeHook() override { hook_.reset(); }

    uint32_t DeviceNotConnectedError() const override { return ERROR_DEVICE_NOT_CONNECTED; }

    std::string ErrorMessage(uint32_t code) const override
    {
        char text[512] = {};
        const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                              0, text, sizeof text, nullptr);
        std::string message(text, length);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
        return message.empty() ? "system error " + std::to_string(code) : message;
    }

private:
    struct InfoSet {
        HDEVINFO Info = INVALID_HANDLE_VALUE;
        GUID ClassGuid{};
        std::map<uint32_t, SP_DEVINFO_DATA> Devices;  // by interface index, from the detail query
    };

    HDEVINFO infoOf(THidDeviceInfoSet set)
    {
        std::lock_guard lock(mutex_);
        auto it = sets_.find(set);
        return it == sets_.end() ? INVALID_HANDLE_VALUE : it->second.Info;
    }

    bool interfaceAt(THidDeviceInfoSet set, uint32_t index, SP_DEVICE_INTERFACE_DATA& data)
    {
        GUID classGuid{};
        HDEVINFO info = INVALID_HANDLE_VALUE;
        {
            std::lock_guard lock(mutex_);
            auto it = sets_.find(set);
            if (it != sets_.end()) {
                info = it->second.Info;
                classGuid = it->second.ClassGuid;
            }
        }
        if (!setupApi_ || info == INVALID_HANDLE_VALUE) {
            THidPlatform::SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        data = {};
        data.cbSize = sizeof data;
        if (!api_.SetupApi.SetupDiEnumDeviceInterfaces(info, nullptr, &classGuid, index, &data)) {
            keepLastError();
            return false;
        }
        return true;
    }

    bool hidText(BOOLEAN(WINAPI* query)(HANDLE, PVOID, ULONG), THidHandle handle, char16_t* buffer,
                 uint32_t bufferBytes)
    {
        if (!hid_ || !query(toHandle(handle), buffer, bufferBytes)) {
            keepLastError();
            return false;
        }
        return true;
    }

    std::shared_ptr<THidWindowsLibraries> libraries_;
    THidWindowsEntryPoints api_;
    void* setupApi_ = nullptr;
    void* hid_ = nullptr;
    std::mutex mutex_;
    std::map<THidDeviceInfoSet, InfoSet> sets_;
    THidDeviceInfoSet nextSet_ = 1;
    std::unique_ptr<DeviceChangeHook> hook_;
};

}  // namespace

std::shared_ptr<THidWindowsLibraries> SystemHidLibraries()
{
    return std::make_shared<SystemLibraries>();
}

std::shared_ptr<THidPlatform> CreateWindowsHidPlatform(std::shared_ptr<THidWindowsLibraries> libraries)
{
    return std::make_shared<THidWindowsPlatform>(std::move(libraries));
}

std::shared_ptr<THidPlatform> CreateNativeHidPlatform()
{
    return CreateWindowsHidPlatform(SystemHidLibraries());
}
