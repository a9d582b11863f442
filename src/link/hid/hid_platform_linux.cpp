// Linux HID platform: hidraw device nodes and their ioctls for I/O, sysfs for
// what a query-only handle can tell, libudev for enumeration and
// device-change notification.
//
// Devices are named by their hidraw syspath
// (/sys/devices/.../0003:1A86:E008.0007/hidraw/hidraw3), never by
// /dev/hidrawN: the HID device's name carries a counter the kernel raises for
// every new device, so a path (and the DeviceInstance taken from it) dies with
// an unplug and a replug gets a new one, as Windows instance paths do.
//
// Input reports are handed on as the Windows HID class driver does: report ID
// first (a 0 byte put in front for devices without numbered reports) and
// padded to the full InputReportByteLength.

#include "link/hid/hid_linux_sysfs.h"
#include "link/hid/hid_native_platform.h"
#include "link/hid/hid_report_descriptor.h"
#include "link/hid/hid_text.h"

#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// hidraw keeps up to 64 reports per open file; there is no setting for it.
constexpr int32_t kHidrawReportQueue = 64;
// Largest report descriptor the kernel accepts [bytes].
constexpr std::size_t kMaxDescriptor = 4096;
// The size field of HIDIOCSFEATURE has 14 bits.
constexpr uint32_t kMaxFeatureLength = (1u << 14) - 1;
// Quiet time that ends a burst of device events, and the longest burst [ms].
constexpr int kDebounceQuietMs = 150;
constexpr int kDebounceMaxMs = 1000;

uint32_t lastErrno()
{
    return static_cast<uint32_t>(errno);
}

/// The kernel's dev_t of a hidraw syspath, from its "dev" file.
std::optional<dev_t> devNumberOf(const fs::path& syspath)
{
    auto text = HidReadSysfsText(syspath / "dev");
    if (!text)
        return std::nullopt;
    auto numbers = HidParseDevNumbers(*text);
    if (!numbers)
        return std::nullopt;
    return makedev(numbers->first, numbers->second);
}

std::string devNodeOf(const fs::path& syspath)
{
    std::string name = syspath.filename().string();
    if (auto uevent = HidReadSysfsText(syspath / "uevent")) {
        auto values = HidParseUevent(*uevent);
        if (auto it = values.find("DEVNAME"); it != values.end() && !it->second.empty())
            name = it->second;
    }
    return "/dev/" + name;
}

struct LinuxHandle {
    fs::path Syspath;
    EHidOpenMode Mode = EHidOpenMode::MainQueryOnly;
    int Fd = -1;        // -1 for a query-only handle
    int CancelFd = -1;  // read handles: signalled when the handle is closed
    bool Numbered = false;
    std::atomic<bool> Closed{false};
    // The read started on this handle; touched by the reading thread only.
    bool Pending = false;
    bool Done = false;
    uint32_t Error = 0;
    uint32_t Bytes = 0;
    uint8_t* Buffer = nullptr;
    uint32_t Length = 0;

    ~LinuxHandle()
    {
        if (Fd >= 0)
            ::close(Fd);
        if (CancelFd >= 0)
            ::close(CancelFd);
    }
};

class LinuxWakeup : public THidWakeup {
public:
    /// Takes over an eventfd.
    explicit LinuxWakeup(int fd) : fd_(fd) {}
    ~LinuxWakeup() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    void Signal() override
    {
        // Left unread: the wake-up stays signalled.
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
    }
    int Fd() const { return fd_; }

private:
    int fd_;
};

class THidLinuxPlatform : public THidPlatform {
public:
    ~THidLinuxPlatform() override { RemoveDeviceChangeHook(); }

    bool BindSetupApi() override { return true; }
    bool BindHid() override { return true; }
    void UnbindHid() override {}
    void UnbindSetupApi() override {}
    THidGuid GetHidGuid() override { return kFixedHidGuid; }

    THidDeviceInfoSet GetClassDevs(const THidGuid&) override
    {
        std::vector<std::string> paths = enumerateHidraw();
        if (paths.empty())
            return InvalidHidDeviceInfoSet;
        std::lock_guard lock(mutex_);
        const THidDeviceInfoSet set = nextSet_++;
        sets_[set] = std::move(paths);
        return set;
    }

    bool EnumDeviceInterfaces(THidDeviceInfoSet set, uint32_t index) override
    {
        return pathAt(set, index).has_value();
    }

    bool QueryDeviceInterfaceDetailSize(THidDeviceInfoSet set, uint32_t index,
                                        uint32_t& size) override
    {
        auto path = pathAt(set, index);
        if (!path)
            return false;
        size = static_cast<uint32_t>(4 + path->size() + 1);
        return true;
    }

    bool GetDeviceInterfaceDetail(THidDeviceInfoSet set, uint32_t index, uint32_t,
                                  std::string& devicePath, uint32_t& devInst) override
    {
        auto path = pathAt(set, index);
        if (!path)
            return false;
        devicePath = *path;
        devInst = HidDeviceInstanceFromSyspath(*path);
        return true;
    }

    bool GetDeviceRegistryProperty(THidDeviceInfoSet set, uint32_t index, uint32_t code,
                                   uint8_t* buffer, uint32_t bufferSize) override
    {
        auto path = pathAt(set, index);
        if (!path)
            return false;
        const fs::path hidDir = HidDeviceDirOf(*path);
        auto uevent = HidParseUevent(HidReadSysfsText(hidDir / "uevent").value_or(""));
        std::string value;
        switch (code) {
        case 0x00:  // device description: the kernel's name of the device
            value = uevent["HID_NAME"];
            break;
        case 0x01: {  // hardware IDs, a list ended by an empty text
            auto id = HidParseHidId(uevent["HID_ID"]);
            if (!id)
                break;
            char text[40];
            std::snprintf(text, sizeof text, "HID\\VID_%04X&PID_%04X", id->VendorID, id->ProductID);
            value = std::string(text) + '\0' + "HID_DEVICE" + '\0';
            break;
        }
        case 0x07:  // class
            value = "HIDClass";
            break;
        case 0x09:  // driver
            value = uevent["DRIVER"];
            break;
        case 0x0D:  // location
            value = uevent["HID_PHYS"];
            break;
        case 0x0E:  // physical device object name
            value = devNodeOf(*path);
            break;
        case 0x16:  // enumerator
            value = "HID";
            break;
        default:
            break;
        }
        if (value.empty() || value.size() + 1 > bufferSize) {
            SetLastError(ENOENT);
            return false;
        }
        std::memcpy(buffer, value.data(), value.size());
        buffer[value.size()] = 0;
        return true;
    }

    void DestroyDeviceInfoList(THidDeviceInfoSet set) override
    {
        std::lock_guard lock(mutex_);
        sets_.erase(set);
    }

    THidHandle CreateFile(const std::string& devicePath, EHidOpenMode mode) override
    {
        const fs::path syspath(devicePath);
        const auto dev = devNumberOf(syspath);
        if (!dev) {
            SetLastError(ENODEV);
            return InvalidHidHandle;
        }
        auto handle = std::make_shared<LinuxHandle>();
        handle->Syspath = syspath;
        handle->Mode = mode;
        if (mode != EHidOpenMode::MainQueryOnly) {
            const int flags = mode == EHidOpenMode::MainReadWrite    ? O_RDWR
                              : mode == EHidOpenMode::OverlappedRead ? O_RDONLY | O_NONBLOCK
                                                                     : O_WRONLY | O_NONBLOCK;
            handle->Fd = ::open(devNodeOf(syspath).c_str(), flags | O_CLOEXEC);
            if (handle->Fd < 0) {
                SetLastError(lastErrno());
                return InvalidHidHandle;
            }
            // The node must still be this interface, not a newer device that
            // took over its number.
            struct stat st {};
            if (::fstat(handle->Fd, &st) != 0 || !S_ISCHR(st.st_mode) || st.st_rdev != *dev) {
                SetLastError(ENODEV);
                return InvalidHidHandle;
            }
        }
        if (mode == EHidOpenMode::OverlappedRead) {
            auto descriptor = HidReadSysfsBytes(HidDeviceDirOf(syspath) / "report_descriptor", kMaxDescriptor);
            handle->Numbered = descriptor && HidDescriptorHasReportIds(*descriptor);
            handle->CancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            if (handle->CancelFd < 0) {
                SetLastError(lastErrno());
                return InvalidHidHandle;
            }
        }
        std::lock_guard lock(mutex_);
        const THidHandle id = nextHandle_++;
        handles_[id] = std::move(handle);
        return id;
    }

    void CloseHandle(THidHandle handle) override
    {
        std::shared_ptr<LinuxHandle> h;
        {
            std::lock_guard lock(mutex_);
            auto it = handles_.find(handle);
            if (it == handles_.end())
                return;
            h = std::move(it->second);
            handles_.erase(it);
        }
        // A reader waiting on it wakes up and fails its read; the descriptor
        // itself closes when the last user lets go.
        h->Closed = true;
        if (h->CancelFd >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] ssize_t n = ::write(h->CancelFd, &one, sizeof one);
        }
    }

    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override
    {
        auto h = liveHandle(handle);
        if (!h)
            return false;
        if (attributes.Size != 12) {
            SetLastError(EINVAL);
            return false;
        }
        uint16_t vendor = 0, product = 0;
        if (h->Fd >= 0) {
            hidraw_devinfo info{};
            if (::ioctl(h->Fd, HIDIOCGRAWINFO, &info) < 0) {
                SetLastError(lastErrno());
                return false;
            }
            vendor = static_cast<uint16_t>(info.vendor);
            product = static_cast<uint16_t>(info.product);
        } else {
            auto uevent = HidReadSysfsText(HidDeviceDirOf(h->Syspath) / "uevent");
            auto id = uevent ? HidParseHidId(HidParseUevent(*uevent)["HID_ID"]) : std::nullopt;
            if (!id) {
                SetLastError(ENODEV);
                return false;
            }
            vendor = id->VendorID;
            product = id->ProductID;
        }
        uint16_t version = 0;
        if (auto usb = HidFindUsbParent(h->Syspath))
            version = HidParseHex16(HidReadSysfsText(*usb / "bcdDevice").value_or("")).value_or(0);
        attributes.VendorID = vendor;
        attributes.ProductID = product;
        attributes.VersionNumber = version;
        return true;
    }

    bool SetNumInputBuffers(THidHandle handle, int32_t) override { return liveHandle(handle) != nullptr; }

    bool GetNumInputBuffers(THidHandle handle, int32_t& count) override
    {
        if (!liveHandle(handle))
            return false;
        count = kHidrawReportQueue;
        return true;
    }

    THidPreparsedData GetPreparsedData(THidHandle handle) override
    {
        auto h = liveHandle(handle);
        if (!h)
            return nullptr;
        auto descriptor = HidReadSysfsBytes(HidDeviceDirOf(h->Syspath) / "report_descriptor", kMaxDescriptor);
        auto caps = descriptor ? HidParseReportDescriptor(*descriptor) : std::nullopt;
        if (!caps) {
            SetLastError(EIO);
            return nullptr;
        }
        return new THidCaps(*caps);
    }

    void FreePreparsedData(THidPreparsedData data) override { delete static_cast<const THidCaps*>(data); }

    bool GetCaps(THidPreparsedData data, THidCaps& caps) override
    {
        if (!data)
            return false;
        caps = *static_cast<const THidCaps*>(data);
        return true;
    }

    bool GetProductString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) override
    {
        return usbText(handle, "product", buffer, bufferBytes);
    }

    bool GetSerialNumberString(THidHandle handle, char16_t* buffer, uint32_t bufferBytes) override
    {
        return usbText(handle, "serial", buffer, bufferBytes);
    }

    bool GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                          uint32_t bufferBytes) override
    {
        if (!liveHandle(handle))
            return false;
        if (index != 0) {
            SetLastError(EINVAL);
            return false;
        }
        // String descriptor 0 cannot be read through hidraw. The kernel reads
        // the device's texts in US English (0x0409) unless the device says
        // otherwise, so that is the list answered.
        HidCopyText(u"\u0409", buffer, bufferBytes);
        return true;
    }

    bool SetFeature(THidHandle handle, const uint8_t* report, uint32_t length) override
    {
        auto h = liveHandle(handle);
        if (!h)
            return false;
        if (h->Fd < 0 || h->Mode == EHidOpenMode::OverlappedRead) {
            SetLastError(EACCES);
            return false;
        }
        if (!report || length == 0 || length > kMaxFeatureLength) {
            SetLastError(EINVAL);
            return false;
        }
        // The ioctl takes a writable buffer; the report ID byte leads.
        std::vector<uint8_t> copy(report, report + length);
        if (::ioctl(h->Fd, HIDIOCSFEATURE(length), copy.data()) < 0) {
            SetLastError(lastErrno());
            return false;
        }
        return true;
    }

    bool ReadFileEx(THidHandle handle, uint8_t* buffer, uint32_t length,
                    THidOverlapped& overlapped) override
    {
        auto h = liveHandle(handle);
        if (!h)
            return false;
        // Without numbered reports byte 0 is ours, so at least 2 bytes.
        if (h->Mode != EHidOpenMode::OverlappedRead || !buffer || length < (h->Numbered ? 1u : 2u)) {
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
        // A report already queued completes the read at once; a gone device
        // fails the start (EIO or ENODEV), as Windows fails ReadFileEx then.
        tryRead(*h);
        if (h->Done && h->Error != 0) {
            SetLastError(h->Error);
            h->Pending = false;
            return false;
        }
        overlapped.Pending = h;
        return true;
    }

    EHidWaitStatus SleepEx(THidOverlapped& overlapped, uint32_t ms, THidWakeup& wakeup) override
    {
        auto h = std::static_pointer_cast<LinuxHandle>(overlapped.Pending);
        const int wakeFd = static_cast<LinuxWakeup&>(wakeup).Fd();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (h && !h->Done && h->Closed)
                finish(*h, ECANCELED);
            if (h && h->Done)
                return EHidWaitStatus::IoCompletion;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const int timeout = static_cast<int>(std::max<int64_t>(left.count(), 0));
            pollfd fds[3] = {{wakeFd, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
            if (h) {
                fds[1].fd = h->CancelFd;
                fds[2].fd = h->Fd;
            }
            const int ready = ::poll(fds, 3, timeout);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                if (h)
                    finish(*h, lastErrno());
                return h ? EHidWaitStatus::IoCompletion : EHidWaitStatus::Elapsed;
            }
            if (ready == 0 || fds[0].revents != 0)
                return EHidWaitStatus::Elapsed;
            if (fds[1].revents != 0)
                finish(*h, ECANCELED);
            else if (fds[2].revents != 0)
                tryRead(*h);
        }
    }

    bool GetOverlappedResult(THidHandle, THidOverlapped& overlapped, uint32_t& bytes) override
    {
        auto h = std::static_pointer_cast<LinuxHandle>(overlapped.Pending);
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

    bool CancelIo(THidHandle handle, THidOverlapped& overlapped) override
    {
        if (!findHandle(handle)) {
            SetLastError(EBADF);
            return false;
        }
        // Reads happen only inside SleepEx on the reading thread, so once the
        // record is marked ended the buffer is never written again.
        if (auto h = std::static_pointer_cast<LinuxHandle>(overlapped.Pending); h && !h->Done)
            finish(*h, ECANCELED);
        return true;
    }

    std::unique_ptr<THidWakeup> CreateWakeup() override
    {
        const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd < 0) {
            SetLastError(lastErrno());
            return nullptr;
        }
        return std::make_unique<LinuxWakeup>(fd);
    }

    bool InstallDeviceChangeHook(std::function<void()> onChange) override
    {
        RemoveDeviceChangeHook();
        // Events from the udev daemon come after its rules ran (permissions
        // are set); without a daemon only the kernel's own events exist.
        std::error_code ec;
        const char* source = fs::exists("/run/udev/control", ec) ? "udev" : "kernel";
        udev* context = udev_new();
        if (!context)
            return false;
        udev_monitor* monitor = udev_monitor_new_from_netlink(context, source);
        if (!monitor) {
            udev_unref(context);
            return false;
        }
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr);
        const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (udev_monitor_enable_receiving(monitor) < 0 || stopFd < 0) {
            if (stopFd >= 0)
                ::close(stopFd);
            udev_monitor_unref(monitor);
            udev_unref(context);
            return false;
        }
        monitorStopFd_ = stopFd;
        monitorThread_ = std::thread([context, monitor, stopFd, onChange = std::move(onChange)] {
            watchDevices(monitor, stopFd, onChange);
            udev_monitor_unref(monitor);
            udev_unref(context);
        });
        return true;
    }

    void RemoveDeviceChangeHook() override
    {
        if (!monitorThread_.joinable())
            return;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(monitorStopFd_, &one, sizeof one);
        monitorThread_.join();
        ::close(monitorStopFd_);
        monitorStopFd_ = -1;
    }

    uint32_t DeviceNotConnectedError() const override { return ENODEV; }

    std::string ErrorMessage(uint32_t code) const override
    {
        return std::system_category().message(static_cast<int>(code));
    }

private:
    static std::vector<std::string> enumerateHidraw()
    {
        std::vector<std::string> paths;
        if (udev* context = udev_new()) {
            if (udev_enumerate* e = udev_enumerate_new(context)) {
                udev_enumerate_add_match_subsystem(e, "hidraw");
                udev_enumerate_scan_devices(e);
                for (udev_list_entry* entry = udev_enumerate_get_list_entry(e); entry;
                     entry = udev_list_entry_get_next(entry))
                    paths.emplace_back(udev_list_entry_get_name(entry));
                udev_enumerate_unref(e);
            }
            udev_unref(context);
        }
        return paths;
    }

    /// Waits for hidraw events; after a burst has been quiet for a moment, one call.
    static void watchDevices(udev_monitor* monitor, int stopFd, const std::function<void()>& onChange)
    {
        using Clock = std::chrono::steady_clock;
        bool inBurst = false;
        Clock::time_point burstStart{};
        Clock::time_point lastEvent{};
        for (;;) {
            int timeout = -1;
            if (inBurst) {
                const auto now = Clock::now();
                const auto quietEnd = lastEvent + std::chrono::milliseconds(kDebounceQuietMs);
                const auto burstEnd = burstStart + std::chrono::milliseconds(kDebounceMaxMs);
                const auto until = std::min(quietEnd, burstEnd);
                timeout = static_cast<int>(std::max<int64_t>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count(), 0));
            }
            pollfd fds[2] = {{udev_monitor_get_fd(monitor), POLLIN, 0}, {stopFd, POLLIN, 0}};
            const int ready = ::poll(fds, 2, timeout);
            if (ready < 0 && errno != EINTR)
                return;
            if (fds[1].revents != 0)
                return;
            if (ready > 0 && fds[0].revents != 0) {
                if (udev_device* device = udev_monitor_receive_device(monitor)) {
                    // Kernel-source events are not filtered by libudev.
                    const char* subsystem = udev_device_get_subsystem(device);
                    if (subsystem && std::strcmp(subsystem, "hidraw") == 0) {
                        lastEvent = Clock::now();
                        if (!inBurst)
                            burstStart = lastEvent;
                        inBurst = true;
                    }
                    udev_device_unref(device);
                }
                continue;
            }
            if (inBurst) {
                inBurst = false;
                onChange();
            }
        }
    }

    std::optional<std::string> pathAt(THidDeviceInfoSet set, uint32_t index)
    {
        std::lock_guard lock(mutex_);
        auto it = sets_.find(set);
        if (it == sets_.end() || index >= it->second.size()) {
            SetLastError(ENOENT);
            return std::nullopt;
        }
        return it->second[index];
    }

    std::shared_ptr<LinuxHandle> findHandle(THidHandle handle)
    {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        return it == handles_.end() ? nullptr : it->second;
    }

    /// An open handle whose interface still exists; sets the last error otherwise.
    std::shared_ptr<LinuxHandle> liveHandle(THidHandle handle)
    {
        auto h = findHandle(handle);
        if (!h) {
            SetLastError(EBADF);
            return nullptr;
        }
        std::error_code ec;
        if (h->Fd < 0 && !fs::exists(h->Syspath / "dev", ec)) {
            SetLastError(ENODEV);
            return nullptr;
        }
        return h;
    }

    bool usbText(THidHandle handle, const char* name, char16_t* buffer, uint32_t bufferBytes)
    {
        auto h = liveHandle(handle);
        if (!h)
            return false;
        auto usb = HidFindUsbParent(h->Syspath);
        auto text = usb ? HidReadSysfsText(*usb / name) : std::nullopt;
        if (!text) {
            SetLastError(ENOENT);
            return false;
        }
        HidCopyText(HidUtf8ToUtf16(*text), buffer, bufferBytes);
        return true;
    }

    static void finish(LinuxHandle& h, uint32_t error)
    {
        h.Done = true;
        h.Error = error;
        h.Bytes = 0;
    }

    /// One non-blocking read of the pending report; ends the read unless no
    /// report is there yet.
    static void tryRead(LinuxHandle& h)
    {
        if (!h.Pending || h.Done)
            return;
        uint8_t* target = h.Numbered ? h.Buffer : h.Buffer + 1;
        const std::size_t room = h.Numbered ? h.Length : h.Length - 1;
        ssize_t n;
        do {
            n = ::read(h.Fd, target, room);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                finish(h, lastErrno());
            return;
        }
        if (n == 0) {
            finish(h, 0);
            return;
        }
        if (!h.Numbered)
            h.Buffer[0] = 0;
        const std::size_t used = static_cast<std::size_t>(n) + (h.Numbered ? 0 : 1);
        std::fill(h.Buffer + used, h.Buffer + h.Length, uint8_t{0});
        h.Done = true;
        h.Error = 0;
        h.Bytes = h.Length;
    }

    std::mutex mutex_;
    std::map<THidHandle, std::shared_ptr<LinuxHandle>> handles_;
    THidHandle nextHandle_ = 1;
    std::map<THidDeviceInfoSet, std::vector<std::string>> sets_;
    THidDeviceInfoSet nextSet_ = 1;
    std::thread monitorThread_;
    int monitorStopFd_ = -1;
};

}  // namespace

std::shared_ptr<THidPlatform> CreateNativeHidPlatform()
{
    return std::make_shared<THidLinuxPlatform>();
}
