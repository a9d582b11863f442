#pragma once

// Windows only: the HID platform on SetupAPI and the HID class driver, which
// are loaded by name when the controller is made, never linked, so the
// program starts (and lists no devices) on a system without them.

#include "link/hid/hid_platform.h"

#include <windows.h>

#include <hidsdi.h>
#include <setupapi.h>

#include <memory>

// The platform interface names its operations after the Windows calls; the
// header macro would rename one of them.
#undef CreateFile

/// The entry points of SetupApi.dll the platform calls, filled by name.
struct THidSetupApiEntryPoints {
    HDEVINFO(WINAPI* SetupDiGetClassDevsA)(const GUID*, PCSTR, HWND, DWORD) = nullptr;
    BOOL(WINAPI* SetupDiEnumDeviceInterfaces)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                              PSP_DEVICE_INTERFACE_DATA) = nullptr;
    BOOL(WINAPI* SetupDiGetDeviceInterfaceDetailA)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                                   PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
                                                   PSP_DEVINFO_DATA) = nullptr;
    BOOL(WINAPI* SetupDiGetDeviceRegistryPropertyA)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD,
                                                    PDWORD) = nullptr;
    BOOL(WINAPI* SetupDiDestroyDeviceInfoList)(HDEVINFO) = nullptr;
};

/// The entry points of HID.dll the platform calls, filled by name.
struct THidClassEntryPoints {
    void(WINAPI* HidD_GetHidGuid)(LPGUID) = nullptr;
    BOOLEAN(WINAPI* HidD_GetAttributes)(HANDLE, PHIDD_ATTRIBUTES) = nullptr;
    BOOLEAN(WINAPI* HidD_SetNumInputBuffers)(HANDLE, ULONG) = nullptr;
    BOOLEAN(WINAPI* HidD_GetNumInputBuffers)(HANDLE, PULONG) = nullptr;
    BOOLEAN(WINAPI* HidD_GetPreparsedData)(HANDLE, PHIDP_PREPARSED_DATA*) = nullptr;
    BOOLEAN(WINAPI* HidD_FreePreparsedData)(PHIDP_PREPARSED_DATA) = nullptr;
    NTSTATUS(WINAPI* HidP_GetCaps)(PHIDP_PREPARSED_DATA, PHIDP_CAPS) = nullptr;
    BOOLEAN(WINAPI* HidD_GetProductString)(HANDLE, PVOID, ULONG) = nullptr;
    BOOLEAN(WINAPI* HidD_GetSerialNumberString)(HANDLE, PVOID, ULONG) = nullptr;
    BOOLEAN(WINAPI* HidD_GetIndexedString)(HANDLE, ULONG, PVOID, ULONG) = nullptr;
    BOOLEAN(WINAPI* HidD_SetFeature)(HANDLE, PVOID, ULONG) = nullptr;
};

/// The two kernel file calls that turn a device path into a handle and back:
/// the system's own unless a test stands in for them.
struct THidKernelFileCalls {
    HANDLE(WINAPI* CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) = ::CreateFileA;
    BOOL(WINAPI* CloseHandle)(HANDLE) = ::CloseHandle;
};

/// Every entry point the platform calls; a library's part is empty while it
/// is not bound.
struct THidWindowsEntryPoints {
    THidSetupApiEntryPoints SetupApi;
    THidClassEntryPoints Hid;
    THidKernelFileCalls Kernel;
};

/// How the platform finds the libraries: LoadLibraryA, GetProcAddress and
/// FreeLibrary on a real system, a table of stand-ins in the tests.
class THidWindowsLibraries {
public:
    virtual ~THidWindowsLibraries() = default;
    /// The library @p file ("SetupApi.dll", "HID.dll"); null when absent.
    virtual void* Load(const char* file) = 0;
    /// The entry point @p name of @p library; null when it has none.
    virtual void* Entry(void* library, const char* name) = 0;
    virtual void Release(void* library) = 0;
    /// The kernel file calls the platform opens and closes devices with.
    virtual void KernelFileCalls(THidKernelFileCalls&) {}
};

/// The system's libraries, through LoadLibraryA and GetProcAddress.
std::shared_ptr<THidWindowsLibraries> SystemHidLibraries();

/// A Windows HID platform that binds its entry points through @p libraries.
std::shared_ptr<THidPlatform> CreateWindowsHidPlatform(std::shared_ptr<THidWindowsLibraries> libraries);

/// Class name of the message-only window that hears of device changes.
inline constexpr const char* kHidDeviceChangeWindowClass = "ZqmeterHidDeviceChange";
