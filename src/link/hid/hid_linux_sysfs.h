#pragma once

// Linux-only helpers of the hidraw backend: reading what sysfs and uevent
// files say about a hidraw interface. Pure functions over paths and texts, so
// they can be tried on a fixture tree.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The KEY=value lines of a uevent file.
std::map<std::string, std::string> HidParseUevent(std::string_view text);

/// Bus, vendor and product of a uevent HID_ID value such as "0003:00001A86:0000E008".
struct THidLinuxHidId {
    uint32_t Bus = 0;
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
};
std::optional<THidLinuxHidId> HidParseHidId(std::string_view value);

/// A hexadecimal number of at most 4 digits, such as a bcdDevice "0110".
std::optional<uint16_t> HidParseHex16(std::string_view text);

/// Major and minor number of a sysfs "dev" file ("244:3").
std::optional<std::pair<uint32_t, uint32_t>> HidParseDevNumbers(std::string_view text);

/// The device instance of a hidraw syspath: the trailing counter of its HID
/// device's name ("0003:1A86:E008.0007" gives 7), which the kernel raises for
/// every new HID device, so it stays while the device is attached and is new
/// after a replug. A path without that form gives a hash of the whole path.
uint32_t HidDeviceInstanceFromSyspath(std::string_view hidrawSyspath);

/// The HID device directory of a hidraw syspath (two levels up: <hid>/hidraw/hidrawN).
std::filesystem::path HidDeviceDirOf(const std::filesystem::path& hidrawSyspath);

/// The USB device directory above a hidraw syspath: the nearest ancestor
/// holding idVendor and bcdDevice. nullopt for devices on other buses.
std::optional<std::filesystem::path> HidFindUsbParent(const std::filesystem::path& hidrawSyspath);

/// Contents of a small sysfs text file without its trailing newline; nullopt
/// when it cannot be read.
std::optional<std::string> HidReadSysfsText(const std::filesystem::path& file);

/// Contents of a binary sysfs file, at most @p limit bytes; nullopt when it
/// cannot be read.
std::optional<std::vector<uint8_t>> HidReadSysfsBytes(const std::filesystem::path& file,
                                                      std::size_t limit);
