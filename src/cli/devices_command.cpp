#include "cli/devices_command.h"

#include "cli/command_help.h"
#include "link/cable_connection.h"
#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_native_platform.h"
#include "link/hid/hid_text.h"
#include "link/sim/hid_demo_platform.h"

#include <cstdio>
#include <ostream>
#include <string_view>

namespace {

const std::string kUsage = commandUsage("devices");

// USB HID serial bridges the meter cable is built on (vendor, product).
constexpr std::pair<uint16_t, uint16_t> kKnownBridges[] = {{0x1A86, 0xE008}, {0x04FA, 0x2490}};

struct Row {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t Version = 0;
    std::string Product;
    std::string Serial;
    std::string Path;
    bool FullAccess = false;
    std::string Caption;  // as the program's device list shows it
};

std::string hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%.4X", value);
    return text;
}

// Device texts are untrusted: keep each on one line, quotes escaped.
std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return out + '"';
}

bool isKnownBridge(const Row& row)
{
    for (const auto& [vendor, product] : kKnownBridges)
        if (row.VendorID == vendor && row.ProductID == product)
            return true;
    return false;
}

}  // namespace

int runDevicesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const bool demo = args.size() == 1 && args[0] == "--demo";
    if (!args.empty() && !demo && (args.size() > 1 || (args[0] != "-h" && args[0] != "--help"))) {
        err << kUsage;
        return 2;
    }
    return runDevicesCommand(demo ? std::vector<std::string>{} : args, out, err,
                             demo ? CreateDemoHidPlatform() : CreateNativeHidPlatform());
}

int runDevicesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      std::shared_ptr<THidPlatform> platform)
{
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        out << commandHelpText(*commandHelp("devices"));
        return 0;
    }
    if (!args.empty()) {
        err << kUsage;
        return 2;
    }

    std::vector<Row> rows;
    try {
        THidManualDispatcher dispatcher;
        THidDeviceController controller(std::move(platform), dispatcher);
        // Inside the visit the device may be queried without claiming it.
        controller.SetOnEnumerate(THidEnumerateEvent::From([&rows](THidDevice& HidDev, int32_t) {
            Row row;
            row.VendorID = HidDev.Attributes().VendorID;
            row.ProductID = HidDev.Attributes().ProductID;
            row.Version = HidDev.Attributes().VersionNumber;
            row.Product = HidUtf16ToUtf8(HidDev.GetProductString());
            row.Serial = HidUtf16ToUtf8(HidDev.GetSerialNumberString());
            row.Path = HidDev.PnPInfo()->DevicePath;
            row.FullAccess = HidDev.FullAccess();
            row.Caption = CableConnection::DeviceCaption(HidDev);
            rows.push_back(std::move(row));
            return true;
        }));
        controller.EnumerateDevices();
    } catch (const EHidControllerError& e) {
        err << "zqmeter-cli devices: " << e.what() << '\n';
        return 1;
    }

    if (rows.empty()) {
        out << "No HID devices found.\n";
        return 0;
    }
    // The program pre-selects the last entry whose caption is the cable's.
    std::size_t preselected = rows.size();
    for (std::size_t i = rows.size(); i-- > 0;) {
        if (rows[i].Caption == CableConnection::kCableCaption) {
            preselected = i;
            break;
        }
    }
    bool bridgeWithoutAccess = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        out << (i == preselected ? "* " : "  ") << hex4(row.VendorID) << ':' << hex4(row.ProductID)
            << "  version " << hex4(row.Version) << "  product " << quoted(row.Product) << "  serial "
            << quoted(row.Serial) << "  " << quoted(row.Path) << "  "
            << (row.FullAccess ? "read-write" : "query-only") << "  caption " << quoted(row.Caption) << '\n';
        bridgeWithoutAccess = bridgeWithoutAccess || (isKnownBridge(row) && !row.FullAccess);
    }
    if (preselected < rows.size())
        out << "\n* the cable the program selects for connecting\n";
    if (bridgeWithoutAccess) {
        out << "\nThe meter cable can only be queried, not read: this user may not open it for\n"
               "reading and writing. Install the udev rule 70-zqmeter.rules (copy it to\n"
               "/etc/udev/rules.d/ or let 'cmake --install' put it in place), run\n"
               "'sudo udevadm control --reload-rules', then plug the cable in again.\n";
    }
    return 0;
}
