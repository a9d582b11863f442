#pragma once

#include "link/hid/hid_platform.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// How a registry property is stored.
enum class EHidPropertyKind : uint8_t {
    Number,  ///< 32-bit number, 0 when unavailable
    Text,    ///< 8-bit text
    List     ///< list of 8-bit texts
};

/// One registry property of a device, as read at construction.
struct THidPnPProperty {
    uint32_t Code = 0;
    EHidPropertyKind Kind = EHidPropertyKind::Number;
    uint32_t Number = 0;
    std::string Text;
    std::vector<std::string> List;
};

/// Plug-and-play record of one HID interface, made by the controller for each
/// interface it finds and owned by the device object made from it.
class THidPnPInfo {
public:
    /// The property codes read at construction, in reading order, with their kinds.
    static constexpr std::size_t kPropertyCount = 26;
    static const std::array<std::pair<uint32_t, EHidPropertyKind>, kPropertyCount>& PropertyCodes();

    /// Reads the properties of interface @p index of @p set through @p platform.
    THidPnPInfo(THidPlatform& platform, THidDeviceInfoSet set, uint32_t index, uint32_t devInst,
                std::string devicePath);

    /// Device instance handle: the same from one device-change pass to the
    /// next while the device stays attached, new after a replug.
    uint32_t DeviceInstance = 0;
    /// Path every handle of the device is opened with.
    std::string DevicePath;
    /// The properties, in the order of PropertyCodes.
    std::array<THidPnPProperty, kPropertyCount> Properties;

    /// Property of @p code; nullptr when it is not one of PropertyCodes.
    const THidPnPProperty* Property(uint32_t code) const;
};

/// Text of a NUL-ended 8-bit buffer of @p size bytes (up to the first NUL,
/// never past the end).
std::string HidBufferText(const uint8_t* buffer, std::size_t size);
/// Texts of a buffer holding NUL-ended texts that end with an empty text; a
/// list running off the end of the buffer stops there.
std::vector<std::string> HidBufferTextList(const uint8_t* buffer, std::size_t size);
