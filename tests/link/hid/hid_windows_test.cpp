// The Windows backend on stand-ins for SetupApi.dll and HID.dll. Each
// stand-in device is a named pipe: its read handle is a real pipe client, so
// the overlapped reads, their completion routines, cancellation and a pipe
// that breaks under a pending read are the system's own; the test writes the
// input reports into the server end.

#include "link/hid/hid_platform_windows.h"

#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_native_platform.h"
#include "link/hid/hid_pnp_info.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto kWait = 10s;
constexpr GUID kStandInHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct StandInDevice {
    std::string Path;
    DWORD DevInst = 0;
    USHORT Vendor = 0, Product = 0, Version = 0;
    std::wstring ProductText;
    USHORT InputLength = 9;
    bool Present = true;
    bool ReadWrite = true;  // false: only a query-only handle opens, as for a keyboard
    HANDLE Server = INVALID_HANDLE_VALUE;
    std::vector<std::vector<uint8_t>> Features;
};

struct PreparsedStandIn {
    USHORT InputLength;
};

/// What the stand-in libraries see; one per test.
struct StandInSystem {
    std::mutex Mutex;
    std::vector<StandInDevice> Devices;
    std::map<HANDLE, std::size_t> Handles;  // open handle -> device
    std::set<std::string> MissingEntries;
    std::set<std::string> AbsentLibraries;
    std::vector<std::string> Loaded, Released;
    int PreparsedHeld = 0;

    StandInDevice* deviceOf(HANDLE handle)
    {
        std::lock_guard lock(Mutex);
        auto it = Handles.find(handle);
        if (it == Handles.end()) {
            ::SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        StandInDevice& device = Devices[it->second];
        if (!device.Present) {
            ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return nullptr;
        }
        return &device;
    }
};

StandInSystem* gSystem = nullptr;

using Snapshot = std::vector<std::size_t>;

HDEVINFO WINAPI standInGetClassDevs(const GUID* guid, PCSTR enumerator, HWND window, DWORD flags)
{
    if (!guid || std::memcmp(guid, &kStandInHidGuid, sizeof(GUID)) != 0 || enumerator || window ||
        flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto* snapshot = new Snapshot;
    std::lock_guard lock(gSystem->Mutex);
    for (std::size_t i = 0; i < gSystem->Devices.size(); ++i)
        if (gSystem->Devices[i].Present)
            snapshot->push_back(i);
    return reinterpret_cast<HDEVINFO>(snapshot);
}

BOOL WINAPI standInEnumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                  PSP_DEVICE_INTERFACE_DATA data)
{
    auto* snapshot = reinterpret_cast<Snapshot*>(set);
    if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (index >= snapshot->size()) {
        ::SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->Reserved = (*snapshot)[index];
    return TRUE;
}

BOOL WINAPI standInInterfaceDetail(HDEVINFO, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                   DWORD size, PDWORD required, PSP_DEVINFO_DATA device)
{
    std::lock_guard lock(gSystem->Mutex);
    const StandInDevice& d = gSystem->Devices.at(data->Reserved);
    const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + d.Path.size() + 1);
    if (required)
        *required = needed;
    if (!detail || size < needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ||
        (device && device->cbSize != sizeof(SP_DEVINFO_DATA))) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, d.Path.c_str(), d.Path.size() + 1);
    if (device) {
        device->DevInst = d.DevInst;
        device->Reserved = data->Reserved;
    }
    return TRUE;
}

BOOL WINAPI standInRegistryProperty(HDEVINFO, PSP_DEVINFO_DATA device, DWORD code, PDWORD, PBYTE buffer, DWORD size,
                                    PDWORD)
{
    std::lock_guard lock(gSystem->Mutex);
    const StandInDevice& d = gSystem->Devices.at(device->Reserved);
    std::string value;
    if (code == SPDRP_DEVICEDESC)
        value = d.Vendor == 0x1A86 ? "USB Input Device" : "HID Keyboard Device";
    else if (code == SPDRP_CLASS)
        value = "HIDClass";
    if (value.empty()) {
        ::SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (value.size() + 1 > size) {
        // Part of the text before the failure, as the system may leave it.
        std::memcpy(buffer, value.data(), size);
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return TRUE;
}

BOOL WINAPI standInDestroyList(HDEVINFO set)
{
    delete reinterpret_cast<Snapshot*>(set);
    return TRUE;
}

void WINAPI standInGetHidGuid(LPGUID guid)
{
    *guid = kStandInHidGuid;
}

BOOLEAN WINAPI standInGetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes)
{
    StandInDevice* d = gSystem->deviceOf(handle);
    if (!d)
        return FALSE;
    if (attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    attributes->VendorID = d->Vendor;
    attributes->ProductID = d->Product;
    attributes->VersionNumber = d->Version;
    return TRUE;
}

BOOLEAN WINAPI standInSetBuffers(HANDLE handle, ULONG)
{
    return gSystem->deviceOf(handle) != nullptr;
}

BOOLEAN WINAPI standInGetBuffers(HANDLE handle, PULONG count)
{
    if (!gSystem->deviceOf(handle))
        return FALSE;
    *count = 32;
    return TRUE;
}

BOOLEAN WINAPI standInGetPreparsed(HANDLE handle, PHIDP_PREPARSED_DATA* data)
{
    StandInDevice* d = gSystem->deviceOf(handle);
    if (!d)
        return FALSE;
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(new PreparsedStandIn{d->InputLength});
    ++gSystem->PreparsedHeld;
    return TRUE;
}

BOOLEAN WINAPI standInFreePreparsed(PHIDP_PREPARSED_DATA data)
{
    delete reinterpret_cast<PreparsedStandIn*>(data);
    --gSystem->PreparsedHeld;
    return TRUE;
}

NTSTATUS WINAPI standInGetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps)
{
    caps->UsagePage = 0xFF00;
    caps->Usage = 1;
    caps->InputReportByteLength = reinterpret_cast<PreparsedStandIn*>(data)->InputLength;
    caps->FeatureReportByteLength = 10;
    return static_cast<NTSTATUS>(0x00110000);
}

BOOLEAN WINAPI standInProductString(HANDLE handle, PVOID buffer, ULONG bytes)
{
    StandInDevice* d = gSystem->deviceOf(handle);
    if (!d)
        return FALSE;
    const std::size_t need = (d->ProductText.size() + 1) * sizeof(wchar_t);
    if (need > bytes) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, d->ProductText.c_str(), need);
    return TRUE;
}

BOOLEAN WINAPI standInSerialString(HANDLE handle, PVOID, ULONG)
{
    if (gSystem->deviceOf(handle))
        ::SetLastError(ERROR_INVALID_PARAMETER);  // the bridge has no serial number
    return FALSE;
}

BOOLEAN WINAPI standInIndexedString(HANDLE handle, ULONG index, PVOID buffer, ULONG bytes)
{
    if (!gSystem->deviceOf(handle) || index != 0 || bytes < 4)
        return FALSE;
    auto* words = static_cast<wchar_t*>(buffer);
    words[0] = 0x0409;
    words[1] = 0;
    return TRUE;
}

BOOLEAN WINAPI standInSetFeature(HANDLE handle, PVOID report, ULONG length)
{
    StandInDevice* d = gSystem->deviceOf(handle);
    if (!d)
        return FALSE;
    const auto* bytes = static_cast<const uint8_t*>(report);
    std::lock_guard lock(gSystem->Mutex);
    d->Features.emplace_back(bytes, bytes + length);
    return TRUE;
}

HANDLE WINAPI standInCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                                DWORD flags, HANDLE)
{
    std::lock_guard lock(gSystem->Mutex);
    auto it = std::find_if(gSystem->Devices.begin(), gSystem->Devices.end(),
                           [&](const StandInDevice& d) { return d.Path == path; });
    if (it == gSystem->Devices.end() || !it->Present) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (share != (FILE_SHARE_READ | FILE_SHARE_WRITE) || disposition != OPEN_EXISTING) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (access == (GENERIC_READ | GENERIC_WRITE) && !it->ReadWrite) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (access == GENERIC_READ && (flags & FILE_FLAG_OVERLAPPED)) {
        // A new pipe for every read handle; the test writes into its server end.
        if (it->Server != INVALID_HANDLE_VALUE)
            ::CloseHandle(it->Server);
        it->Server = ::CreateNamedPipeA(it->Path.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                        PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        if (it->Server == INVALID_HANDLE_VALUE)
            return INVALID_HANDLE_VALUE;
        handle = ::CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    } else {
        // The other handles are only ever passed to the stand-in HID calls.
        handle = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr)
        gSystem->Handles[handle] = static_cast<std::size_t>(it - gSystem->Devices.begin());
    return handle ? handle : INVALID_HANDLE_VALUE;
}

BOOL WINAPI standInCloseHandle(HANDLE handle)
{
    {
        std::lock_guard lock(gSystem->Mutex);
        gSystem->Handles.erase(handle);
    }
    return ::CloseHandle(handle);
}

class StandInLibraries : public THidWindowsLibraries {
public:
    void* Load(const char* file) override
    {
        const std::string name = file;
        gSystem->Loaded.push_back(name);
        if (gSystem->AbsentLibraries.count(name))
            return nullptr;
        return name == "SetupApi.dll" ? &setupApi_ : name == "HID.dll" ? &hid_ : nullptr;
    }
    void* Entry(void* library, const char* name) override
    {
        if (gSystem->MissingEntries.count(name))
            return nullptr;
        const auto& table = library == &setupApi_ ? setupApiEntries() : hidEntries();
        auto it = table.find(name);
        return it == table.end() ? nullptr : it->second;
    }
    void Release(void* library) override { gSystem->Released.push_back(library == &setupApi_ ? "SetupApi.dll" : "HID.dll"); }
    void KernelFileCalls(THidKernelFileCalls& kernel) override
    {
        kernel.CreateFileA = &standInCreateFile;
        kernel.CloseHandle = &standInCloseHandle;
    }

private:
    static const std::map<std::string, void*>& setupApiEntries()
    {
        static const std::map<std::string, void*> table = {
            {"SetupDiGetClassDevsA", reinterpret_cast<void*>(&standInGetClassDevs)},
            {"SetupDiEnumDeviceInterfaces", reinterpret_cast<void*>(&standInEnumInterfaces)},
            {"SetupDiGetDeviceInterfaceDetailA", reinterpret_cast<void*>(&standInInterfaceDetail)},
            {"SetupDiGetDeviceRegistryPropertyA", reinterpret_cast<void*>(&standInRegistryProperty)},
            {"SetupDiDestroyDeviceInfoList", reinterpret_cast<void*>(&standInDestroyList)},
        };
        return table;
    }
    static const std::map<std::string, void*>& hidEntries()
    {
        static const std::map<std::string, void*> table = {
            {"HidD_GetHidGuid", reinterpret_cast<void*>(&standInGetHidGuid)},
            {"HidD_GetAttributes", reinterpret_cast<void*>(&standInGetAttributes)},
            {"HidD_SetNumInputBuffers", reinterpret_cast<void*>(&standInSetBuffers)},
            {"HidD_GetNumInputBuffers", reinterpret_cast<void*>(&standInGetBuffers)},
            {"HidD_GetPreparsedData", reinterpret_cast<void*>(&standInGetPreparsed)},
            {"HidD_FreePreparsedData", reinterpret_cast<void*>(&standInFreePreparsed)},
            {"HidP_GetCaps", reinterpret_cast<void*>(&standInGetCaps)},
            {"HidD_GetProductString", reinterpret_cast<void*>(&standInProductString)},
            {"HidD_GetSerialNumberString", reinterpret_cast<void*>(&standInSerialString)},
            {"HidD_GetIndexedString", reinterpret_cast<void*>(&standInIndexedString)},
            {"HidD_SetFeature", reinterpret_cast<void*>(&standInSetFeature)},
        };
        return table;
    }
    int setupApi_ = 0;
    int hid_ = 0;
};

struct Report {
    uint8_t ReportID;
    std::vector<uint8_t> Data;
    bool operator==(const Report&) const = default;
};

class HidWindowsFixture : public ::testing::Test {
protected:
    void SetUp() override { gSystem = &system_; }
    void TearDown() override
    {
        claimed_.clear();
        controller_.reset();
        for (StandInDevice& d : system_.Devices)
            if (d.Server != INVALID_HANDLE_VALUE)
                ::CloseHandle(d.Server);
        EXPECT_TRUE(system_.Handles.empty()) << "handles left open";
        EXPECT_EQ(system_.PreparsedHeld, 0);
        gSystem = nullptr;
    }

    /// Adds a stand-in device; @p cable: the serial bridge, else a keyboard.
    std::size_t plug(bool cable, DWORD devInst)
    {
        StandInDevice d;
        d.Path = "\\\\.\\pipe\\zq-hid-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(devInst);
        d.DevInst = devInst;
        if (cable) {
            d.Vendor = 0x1A86;
            d.Product = 0xE008;
            d.Version = 0x0110;
            d.ProductText = L"USB to Serial";
        } else {
            d.Vendor = 0x046D;
            d.Product = 0xC31C;
            d.ProductText = L"USB Keyboard";
            d.InputLength = 9;
            d.ReadWrite = false;
        }
        std::lock_guard lock(system_.Mutex);
        system_.Devices.push_back(d);
        return system_.Devices.size() - 1;
    }

    void makeController()
    {
        controller_ = std::make_unique<THidDeviceController>(CreateWindowsHidPlatform(std::make_shared<StandInLibraries>()),
                                                             dispatcher_);
        controller_->SetOnEnumerate(THidEnumerateEvent::From([this](THidDevice&, int32_t Idx) {
            if (auto device = controller_->ClaimDeviceAt(Idx))
                claimed_.push_back(std::move(device));
            return true;
        }));
    }

    THidDevice* claimedWithInstance(DWORD devInst)
    {
        for (auto& d : claimed_)
            if (d->PnPInfo()->DeviceInstance == devInst)
                return d.get();
        return nullptr;
    }

    /// Writes one input report into the server end of device @p at's read handle.
    bool send(std::size_t at, const std::vector<uint8_t>& report)
    {
        HANDLE server = INVALID_HANDLE_VALUE;
        {
            std::lock_guard lock(system_.Mutex);
            server = system_.Devices[at].Server;
        }
        DWORD written = 0;
        return ::WriteFile(server, report.data(), static_cast<DWORD>(report.size()), &written, nullptr) &&
               written == report.size();
    }

    /// Waits until device @p at has a read handle open.
    bool waitForReader(std::size_t at)
    {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        for (;;) {
            {
                std::lock_guard lock(system_.Mutex);
                if (system_.Devices[at].Server != INVALID_HANDLE_VALUE)
                    return true;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(5ms);
        }
    }

    THidDataEvent recording()
    {
        return THidDataEvent::From([this](THidDevice&, uint8_t ReportID, const uint8_t* Data, uint16_t Size) {
            reports_.push_back({ReportID, std::vector<uint8_t>(Data, Data + Size)});
        });
    }

    StandInSystem system_;
    THidManualDispatcher dispatcher_;
    std::unique_ptr<THidDeviceController> controller_;
    std::vector<std::unique_ptr<THidDevice>> claimed_;
    std::vector<Report> reports_;
};

TEST_F(HidWindowsFixture, ListsTheCableAndASecondDeviceWithWhatTheDriverTells)
{
    plug(true, 0x101);
    plug(false, 0x202);
    makeController();
    ASSERT_EQ(controller_->EnumerateDevices(), 2);
    ASSERT_EQ(claimed_.size(), 2u);
    EXPECT_EQ(system_.Loaded, (std::vector<std::string>{"SetupApi.dll", "HID.dll"}));

    THidDevice& cable = *claimedWithInstance(0x101);
    EXPECT_TRUE(cable.FullAccess());
    EXPECT_EQ(cable.Attributes().VendorID, 0x1A86);
    EXPECT_EQ(cable.Attributes().ProductID, 0xE008);
    EXPECT_EQ(cable.Attributes().VersionNumber, 0x0110);
    EXPECT_EQ(cable.GetProductString(), u"USB to Serial");
    EXPECT_EQ(cable.GetSerialNumberString(), u"");
    EXPECT_EQ(cable.QueryCaps().InputReportByteLength, 9);
    EXPECT_EQ(cable.PnPInfo()->DevicePath, system_.Devices[0].Path);
    EXPECT_EQ(cable.PnPInfo()->Property(SPDRP_DEVICEDESC)->Text, "USB Input Device");
    EXPECT_EQ(cable.PnPInfo()->Property(SPDRP_CLASS)->Text, "HIDClass");
    // A text the buffer cannot hold leaves the buffer cleared.
    EXPECT_EQ(cable.PnPInfo()->Property(SPDRP_MFG)->Text, "");

    // The keyboard opens only for queries: listed, never read.
    THidDevice& keyboard = *claimedWithInstance(0x202);
    EXPECT_FALSE(keyboard.FullAccess());
    EXPECT_EQ(keyboard.Attributes().VendorID, 0x046D);
    EXPECT_EQ(keyboard.GetProductString(), u"USB Keyboard");

    const uint8_t feature[10] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0, 0, 0, 0};
    EXPECT_TRUE(cable.SendFeature(feature, sizeof feature));
    ASSERT_EQ(system_.Devices[0].Features.size(), 1u);
    EXPECT_EQ(system_.Devices[0].Features[0], std::vector<uint8_t>(feature, feature + sizeof feature));
}

TEST_F(HidWindowsFixture, ReportsArriveOneReadEachOnTheMainThread)
{
    const std::size_t at = plug(true, 0x101);
    makeController();
    controller_->EnumerateDevices();
    THidDevice& cable = *claimed_.at(0);
    cable.SetDataHandler(recording());
    ASSERT_TRUE(waitForReader(at));
    // Two reports back to back: a read buffer longer than the report would
    // take both at once.
    ASSERT_TRUE(send(at, {0x00, 0xF2, 0x31, 0x32, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(send(at, {0x00, 0xF1, 0x44, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return reports_.size() == 2; }, kWait));
    EXPECT_EQ(reports_[0], (Report{0x00, {0xF2, 0x31, 0x32, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(reports_[1], (Report{0x00, {0xF1, 0x44, 0, 0, 0, 0, 0, 0}}));

    // Stopping ends the pending read (cancelled, not waited out).
    const auto before = std::chrono::steady_clock::now();
    cable.SetDataHandler({});
    EXPECT_EQ(cable.ReadThread(), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

TEST_F(HidWindowsFixture, ACableThatVanishesMidReadIsReportedAndUnplugged)
{
    const std::size_t at = plug(true, 0x101);
    makeController();
    std::vector<std::string> events;
    controller_->OnRemoval = THidPlugEvent::From([&](THidDevice&) { events.push_back("removal"); });
    controller_->SetOnDeviceChange(THidNotifyEvent::From([&](THidDeviceController&) { events.push_back("change"); }));
    controller_->EnumerateDevices();
    THidDevice& cable = *claimed_.at(0);
    std::vector<uint32_t> errors;
    cable.SetDataErrorHandler(THidDataErrorEvent::From([&](THidDevice&, uint32_t Error) { errors.push_back(Error); }));
    cable.SetUnplugHandler(THidPlugEvent::From([&](THidDevice&) { events.push_back("unplug"); }));
    cable.SetDataHandler(recording());
    ASSERT_TRUE(waitForReader(at));
    ASSERT_TRUE(send(at, {0x00, 0xF1, 0x30, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return reports_.size() == 1; }, kWait));

    // Pulled while a read is pending: the read fails, and each new start fails.
    {
        std::lock_guard lock(system_.Mutex);
        system_.Devices[at].Present = false;
        ::DisconnectNamedPipe(system_.Devices[at].Server);
        ::CloseHandle(system_.Devices[at].Server);
        system_.Devices[at].Server = INVALID_HANDLE_VALUE;
    }
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return errors.size() >= 2; }, kWait));
    EXPECT_NE(errors[0], 0u);
    events.clear();
    controller_->DeviceChange();
    EXPECT_EQ(events, (std::vector<std::string>{"unplug", "removal", "change"}));
    EXPECT_FALSE(cable.Attached());
    EXPECT_EQ(reports_.size(), 1u);
    claimed_.clear();  // stops the failing reader, removes the entry
    EXPECT_TRUE(controller_->DeviceList().empty());
}

TEST_F(HidWindowsFixture, AMissingEntryPointMakesItsLibraryAbsent)
{
    struct Case {
        const char* Missing;
        bool Lists;
        std::vector<std::string> Loaded;
        std::vector<std::string> ReleasedAtOnce;   // by the failed binding
        std::vector<std::string> ReleasedAtTheEnd; // and by the controller's end
    };
    // SetupAPI incomplete: HID is not even loaded. HID incomplete: released at
    // once, SetupAPI with the controller.
    for (const Case& c :
         {Case{"SetupDiGetDeviceRegistryPropertyA", false, {"SetupApi.dll"}, {"SetupApi.dll"}, {"SetupApi.dll"}},
          Case{"HidD_GetIndexedString", false, {"SetupApi.dll", "HID.dll"}, {"HID.dll"}, {"HID.dll", "SetupApi.dll"}},
          Case{"", true, {"SetupApi.dll", "HID.dll"}, {}, {"HID.dll", "SetupApi.dll"}}}) {
        SCOPED_TRACE(c.Missing);
        system_.Loaded.clear();
        system_.Released.clear();
        system_.MissingEntries = {c.Missing};
        plug(true, 0x101 + static_cast<DWORD>(system_.Devices.size()));
        makeController();
        EXPECT_EQ(controller_->DeviceList().size(), c.Lists ? system_.Devices.size() : 0u);
        EXPECT_EQ(system_.Loaded, c.Loaded);
        EXPECT_EQ(system_.Released, c.ReleasedAtOnce);
        claimed_.clear();
        controller_.reset();
        EXPECT_EQ(system_.Released, c.ReleasedAtTheEnd);
    }
}

TEST_F(HidWindowsFixture, AbsentLibrariesListNothingAndTakeTheFixedGuid)
{
    plug(true, 0x101);
    system_.AbsentLibraries = {"HID.dll"};
    auto platform = CreateWindowsHidPlatform(std::make_shared<StandInLibraries>());
    ASSERT_TRUE(platform->BindSetupApi());
    EXPECT_FALSE(platform->BindHid());
    EXPECT_EQ(platform->GetHidGuid(), kFixedHidGuid);
    platform->UnbindSetupApi();
    EXPECT_EQ(system_.Released, std::vector<std::string>{"SetupApi.dll"});
}

TEST_F(HidWindowsFixture, DeviceChangeMessagesBecomeOnePassOnTheMainThread)
{
    plug(true, 0x101);
    makeController();
    int changes = 0;
    controller_->SetOnDeviceChange(THidNotifyEvent::From([&](THidDeviceController&) { ++changes; }));
    ASSERT_EQ(changes, 1);  // the pass of the first assignment

    HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, kHidDeviceChangeWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    plug(true, 0x303);
    // A burst of messages: one pass, which finds the new cable.
    for (int i = 0; i < 3; ++i)
        ::PostMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return changes == 2; }, kWait));
    EXPECT_EQ(controller_->DeviceList().size(), 2u);
    std::this_thread::sleep_for(400ms);
    dispatcher_.RunPending();
    EXPECT_EQ(changes, 2);

    // Other device messages are not ours.
    ::PostMessageA(window, WM_DEVICECHANGE, DBT_CONFIGCHANGED, 0);
    std::this_thread::sleep_for(400ms);
    dispatcher_.RunPending();
    EXPECT_EQ(changes, 2);

    controller_.reset();
    EXPECT_EQ(::FindWindowExA(HWND_MESSAGE, nullptr, kHidDeviceChangeWindowClass, nullptr), nullptr);
}

// The real libraries of this system bind by name, and whatever they list opens
// without harm.
TEST(HidWindowsPlatform, TheSystemLibrariesBindByName)
{
    auto platform = CreateNativeHidPlatform();
    ASSERT_TRUE(platform->BindSetupApi());
    ASSERT_TRUE(platform->BindHid());
    EXPECT_EQ(platform->GetHidGuid(), kFixedHidGuid);
    THidManualDispatcher dispatcher;
    platform->UnbindHid();
    platform->UnbindSetupApi();
    THidDeviceController controller(platform, dispatcher);
    EXPECT_GE(controller.EnumerateDevices(), 0);
    EXPECT_EQ(platform->DeviceNotConnectedError(), 1167u);
    EXPECT_FALSE(platform->ErrorMessage(ERROR_ACCESS_DENIED).empty());
}

}  // namespace
