// The Linux backend's reading of sysfs and uevent files, on a fixture tree
// shaped like /sys, and enumeration on this machine.

#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_linux_sysfs.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_native_platform.h"
#include "link/hid/hid_pnp_info.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(HidLinuxSysfs, ParsesUeventAndNumbers)
{
    auto values = HidParseUevent("DRIVER=hid-generic\nHID_ID=0003:00001A86:0000E008\n"
                                 "HID_NAME=USB to Serial = x\nbroken line\n=novalue\n");
    EXPECT_EQ(values.size(), 3u);
    EXPECT_EQ(values["HID_NAME"], "USB to Serial = x");

    struct IdCase {
        const char* Text;
        bool Ok;
        uint16_t Vendor, Product;
    };
    for (const IdCase& c : {IdCase{"0003:00001A86:0000E008", true, 0x1A86, 0xE008},
                            IdCase{"0005:000004FA:00002490", true, 0x04FA, 0x2490},
                            IdCase{"0003:00011A86:0000E008", false, 0, 0},  // vendor past 16 bits
                            IdCase{"0003:1A86", false, 0, 0}, IdCase{"0003:zz:0001", false, 0, 0},
                            IdCase{"", false, 0, 0}}) {
        auto id = HidParseHidId(c.Text);
        ASSERT_EQ(id.has_value(), c.Ok) << c.Text;
        if (id) {
            EXPECT_EQ(id->VendorID, c.Vendor) << c.Text;
            EXPECT_EQ(id->ProductID, c.Product) << c.Text;
        }
    }
    EXPECT_EQ(HidParseHex16("0110"), 0x0110);
    EXPECT_EQ(HidParseHex16("10000"), std::nullopt);
    EXPECT_EQ(HidParseHex16(""), std::nullopt);
    EXPECT_EQ(HidParseDevNumbers("244:3"), std::make_pair(244u, 3u));
    EXPECT_EQ(HidParseDevNumbers("244:"), std::nullopt);
    EXPECT_EQ(HidParseDevNumbers("2x4:3"), std::nullopt);
}

TEST(HidLinuxSysfs, DeviceInstanceFollowsTheHidCounterNotTheNode)
{
    const std::string base = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/";
    const uint32_t first = HidDeviceInstanceFromSyspath(base + "0003:1A86:E008.000B/hidraw/hidraw3");
    EXPECT_EQ(first, 0x0Bu);
    // Same node after a replug: new instance. Other node, same device: same instance.
    EXPECT_NE(HidDeviceInstanceFromSyspath(base + "0003:1A86:E008.000C/hidraw/hidraw3"), first);
    EXPECT_EQ(HidDeviceInstanceFromSyspath("/elsewhere/0003:1A86:E008.000B/hidraw/hidraw7"), first);
    // Without the counter form: a stable hash of the path.
    const uint32_t odd = HidDeviceInstanceFromSyspath("/sys/devices/virtual/misc/x/hidraw/hidraw0");
    EXPECT_EQ(odd, HidDeviceInstanceFromSyspath("/sys/devices/virtual/misc/x/hidraw/hidraw0"));
}

// A /sys-shaped tree of one USB serial bridge. Its node does not exist, so
// only the query-only handle opens.
class HidLinuxFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("zq-hid-sysfs-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        usb_ = root_ / "devices/pci0000:00/0000:00:14.0/usb1/1-2";
        const fs::path hid = usb_ / "1-2:1.0/0003:1A86:E008.000B";
        syspath_ = hid / "hidraw/hidraw3";
        fs::create_directories(syspath_);
        write(usb_ / "idVendor", "1a86\n");
        write(usb_ / "idProduct", "e008\n");
        write(usb_ / "bcdDevice", "0110\n");
        write(usb_ / "product", "USB to Serial \xC3\xA4\n");
        write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=0003:00001A86:0000E008\n"
                              "HID_NAME=USB to Serial\nHID_PHYS=usb-0000:00:14.0-2/input0\n");
        const unsigned char descriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                                            0x95, 0x08, 0x81, 0x02, 0xC0};
        write(hid / "report_descriptor", std::string(std::begin(descriptor), std::end(descriptor)));
        write(syspath_ / "dev", "4095:1048000\n");
        write(syspath_ / "uevent", "MAJOR=4095\nMINOR=1048000\nDEVNAME=zq-fixture-hidraw\n");
    }
    void TearDown() override { fs::remove_all(root_); }
    static void write(const fs::path& file, const std::string& text)
    {
        std::ofstream(file, std::ios::binary) << text;
    }

    fs::path root_, usb_, syspath_;
};

TEST_F(HidLinuxFixture, FindsTheUsbParent)
{
    EXPECT_EQ(HidFindUsbParent(syspath_), usb_);
    fs::remove(usb_ / "bcdDevice");
    EXPECT_EQ(HidFindUsbParent(syspath_), std::nullopt);
}

TEST_F(HidLinuxFixture, QueryOnlyHandleAnswersFromSysfs)
{
    auto platform = CreateNativeHidPlatform();
    EXPECT_EQ(platform->CreateFile(syspath_.string(), EHidOpenMode::MainReadWrite), InvalidHidHandle);
    const THidHandle h = platform->CreateFile(syspath_.string(), EHidOpenMode::MainQueryOnly);
    ASSERT_NE(h, InvalidHidHandle);

    THidAttributes attributes;
    attributes.Size = 12;
    ASSERT_TRUE(platform->GetAttributes(h, attributes));
    EXPECT_EQ(attributes.VendorID, 0x1A86);
    EXPECT_EQ(attributes.ProductID, 0xE008);
    EXPECT_EQ(attributes.VersionNumber, 0x0110);

    char16_t text[254] = {};
    ASSERT_TRUE(platform->GetProductString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"USB to Serial \u00E4");
    EXPECT_FALSE(platform->GetSerialNumberString(h, text, sizeof text));

    char16_t languages[254];
    std::fill(std::begin(languages), std::end(languages), char16_t{0xFFFF});
    ASSERT_TRUE(platform->GetIndexedString(h, 0, languages, sizeof languages));
    EXPECT_EQ(languages[0], 0x0409);
    EXPECT_EQ(languages[1], 0);
    EXPECT_EQ(languages[2], 0xFFFF);

    THidPreparsedData data = platform->GetPreparsedData(h);
    ASSERT_NE(data, nullptr);
    THidCaps caps;
    ASSERT_TRUE(platform->GetCaps(data, caps));
    EXPECT_EQ(caps.InputReportByteLength, 9);
    platform->FreePreparsedData(data);

    const uint8_t report[2] = {0, 1};
    EXPECT_FALSE(platform->SetFeature(h, report, 2));
    EXPECT_EQ(THidPlatform::GetLastError(), static_cast<uint32_t>(EACCES));

    // The interface goes away: the open handle fails from now on.
    fs::remove(syspath_ / "dev");
    EXPECT_FALSE(platform->GetAttributes(h, attributes));
    EXPECT_EQ(THidPlatform::GetLastError(), static_cast<uint32_t>(ENODEV));
    platform->CloseHandle(h);
}

TEST_F(HidLinuxFixture, DeviceObjectFallsBackToQueryOnly)
{
    auto platform = CreateNativeHidPlatform();
    THidManualDispatcher dispatcher;
    auto info = std::make_unique<THidPnPInfo>(*platform, InvalidHidDeviceInfoSet, 0,
                                              HidDeviceInstanceFromSyspath(syspath_.string()),
                                              syspath_.string());
    THidDevice device(std::move(info), nullptr, platform, dispatcher);
    EXPECT_FALSE(device.FullAccess());
    EXPECT_EQ(device.Attributes().VendorID, 0x1A86);
    EXPECT_EQ(device.PnPInfo()->DeviceInstance, 0x0Bu);
}

TEST(HidLinuxPlatform, EnumerationOnThisMachineListsAtMostItsHidrawNodes)
{
    std::size_t nodes = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator("/sys/class/hidraw", ec); !ec && it != fs::directory_iterator(); ++it)
        ++nodes;
    THidManualDispatcher dispatcher;
    THidDeviceController controller(CreateNativeHidPlatform(), dispatcher);
    EXPECT_LE(controller.DeviceList().size(), nodes);
    if (nodes == 0) {
        EXPECT_EQ(controller.EnumerateDevices(), 0);
    }
}

}  // namespace
