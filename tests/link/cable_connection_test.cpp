#include "link/cable_connection.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// Stands in for the frame decoding and the window: takes the frames, and
// keeps the port kind and the information boxes the connection raised.
struct FakeHost {
    int8_t portKindValue = 5;
    std::vector<std::string> frames;
    std::vector<std::string> boxes;
    bool dropFrames = false;
    bool failOnFrame = false;

    FrameSink sink()
    {
        return [this](std::string_view frame) {
            frames.emplace_back(frame);
            if (failOnFrame)
                throw std::runtime_error("decoder out of memory");
            return dropFrames ? FrameReceipt{true, "bad digit"} : FrameReceipt{};
        };
    }
    void collect(CableConnection& link)
    {
        link.onInformation = [this](std::string_view text) { boxes.emplace_back(text); };
    }
};

// The serial bytes of a meter frame: low nibble the frame's digit.
Bytes frameBytes(const std::string& frame)
{
    Bytes bytes;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const char c = frame[i];
        const uint8_t digit = static_cast<uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10);
        bytes.push_back(static_cast<uint8_t>((i % 16) << 4 | digit));
    }
    return bytes;
}

// Data reports with at most @p perReport serial bytes each, count byte F0 | n.
std::vector<Bytes> dataReports(const Bytes& serial, std::size_t perReport)
{
    std::vector<Bytes> reports;
    for (std::size_t at = 0; at < serial.size(); at += perReport) {
        const std::size_t n = std::min(perReport, serial.size() - at);
        Bytes report{static_cast<uint8_t>(0xF0 | n)};
        report.insert(report.end(), serial.begin() + static_cast<long>(at), serial.begin() + static_cast<long>(at + n));
        report.resize(8, 0);
        reports.push_back(report);
    }
    return reports;
}

const Bytes kEmptyReport{0xF0, 0, 0, 0, 0, 0, 0, 0};
constexpr const char* kFrame = "000123422205105182075418DA";

struct Assembly {
    FakeHost host;
    CableConnection link{host.sink()};

    void feed(const Bytes& data) { link.assembleReport(0, data.data(), static_cast<uint16_t>(data.size())); }
    void feedAll(const std::vector<Bytes>& reports)
    {
        for (const Bytes& report : reports)
            feed(report);
    }
};

TEST(FrameAssembly, FrameSplitOverReportsIsDecodedOnceWhenClosed)
{
    Assembly a;
    a.feedAll(dataReports(frameBytes(kFrame), 3));  // F3 x 8, F2
    EXPECT_TRUE(a.host.frames.empty());
    EXPECT_TRUE(a.link.FramePending());
    a.feed(kEmptyReport);
    EXPECT_EQ(a.host.frames, std::vector<std::string>{kFrame});
    EXPECT_EQ(a.link.Label5Caption(), kFrame);
    EXPECT_EQ(a.link.RsUsbCaption(), "USB");
    EXPECT_TRUE(a.link.LinkIconLit());
    // nine data reports, each on the history list
    EXPECT_EQ(a.link.HistoryListBox().size(), 9u);
    a.feed(kEmptyReport);
    EXPECT_EQ(a.host.frames.size(), 1u);
}

TEST(FrameAssembly, OnlyTheFirst26BytesOfARunCount)
{
    Assembly a;
    Bytes serial = frameBytes(kFrame);
    serial.push_back(0x37);
    a.feedAll(dataReports(serial, 7));
    a.feed(kEmptyReport);
    EXPECT_EQ(a.host.frames, std::vector<std::string>{kFrame});
}

TEST(FrameAssembly, ShortOrUnterminatedRunsAreDroppedSilently)
{
    Assembly a;
    a.feedAll(dataReports(frameBytes(std::string(kFrame).substr(0, 25)), 7));
    a.feed(kEmptyReport);
    EXPECT_TRUE(a.host.frames.empty());
    EXPECT_EQ(a.link.Label5Caption().size(), 25u);

    a.feedAll(dataReports(frameBytes("000123422205105182075418DB"), 7));
    a.feed(kEmptyReport);
    EXPECT_TRUE(a.host.frames.empty());
    EXPECT_EQ(a.link.MeterFrame(), "000123422205105182075418DB");
}

TEST(FrameAssembly, CountBytesAndIdleReports)
{
    Assembly a;
    a.feed({0xF1, 0x30});
    EXPECT_TRUE(a.link.FramePending());
    a.feed({0x3A, 0x41, 0x42});  // low digit A: no data, closes the run
    EXPECT_FALSE(a.link.FramePending());
    EXPECT_EQ(a.link.MeterFrame(), "0");
    EXPECT_EQ(a.link.IdleReportCount(), 1);

    a.feed({0xF2, 0x31, 0x32});
    EXPECT_EQ(a.link.IdleReportCount(), 0);
    a.link.assembleReport(0, nullptr, 0);  // Size 0 closes but is not counted
    EXPECT_FALSE(a.link.FramePending());
    EXPECT_EQ(a.link.IdleReportCount(), 0);
    EXPECT_EQ(a.link.MeterFrame(), "12");

    a.feed({0xF5, 0x31, 0x32, 0x33});  // announces 5, carries 3
    a.feed(kEmptyReport);
    EXPECT_EQ(a.link.MeterFrame(), "123");
}

TEST(FrameAssembly, ReportLineShowsEveryByte)
{
    Assembly a;
    a.feed({0xF2, 0x31, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00});
    ASSERT_EQ(a.link.HistoryListBox().size(), 1u);
    EXPECT_EQ(a.link.HistoryListBox().back(), "R 00  F2 31 32 00 00 00 00 00 ");
    EXPECT_EQ(a.link.HistoryListBox().back().size(), 30u);
}

TEST(FrameAssembly, DroppedFramesAreCountedOnTheHistoryList)
{
    Assembly a;
    a.host.dropFrames = true;
    a.feedAll(dataReports(frameBytes(kFrame), 7));
    a.feed(kEmptyReport);
    EXPECT_EQ(a.host.frames.size(), 1u);
    EXPECT_EQ(a.link.HistoryListBox().back(), std::string("FRAME DROPPED: bad digit (") + kFrame + ")");
    EXPECT_FALSE(a.link.LinkIconLit());
}

// --- with the HID layer ----------------------------------------------------

THidSimDevice device(const char16_t* product, uint16_t vid = 0x1A86, uint16_t pid = 0xE008)
{
    THidSimDevice d;
    d.VendorID = vid;
    d.ProductID = pid;
    if (product)
        d.ProductString = product;
    return d;
}

// The main window's wiring: the controller's events go to the connection.
struct Connected {
    std::shared_ptr<THidSimPlatform> platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher dispatcher;
    FakeHost host;
    std::unique_ptr<THidDeviceController> controller;
    std::unique_ptr<CableConnection> link;

    explicit Connected(const std::vector<THidSimDevice>& devices = {device(u"USB to Serial")})
    {
        for (const THidSimDevice& d : devices)
            platform->Plug(d);
        controller = std::make_unique<THidDeviceController>(platform, dispatcher);
        link = std::make_unique<CableConnection>(host.sink());
        host.collect(*link);
        link->setController(controller.get());
        controller->OnArrival = THidPlugEvent::Bind<&CableConnection::HidCtlArrival>(link.get());
        controller->OnRemoval = THidPlugEvent::Bind<&CableConnection::HidCtlRemoval>(link.get());
        controller->SetOnEnumerate(THidEnumerateEvent::Bind<&CableConnection::HidCtlEnumerate>(link.get()));
        controller->SetOnDeviceDataError(
            THidDataErrorEvent::Bind<&CableConnection::HidCtlDeviceDataError>(link.get()));
        controller->SetOnDeviceChange(THidNotifyEvent::Bind<&CableConnection::HidCtlDeviceChangeEvent>(link.get()));
    }
    ~Connected()
    {
        link.reset();  // releases the device objects before their controller goes
        controller.reset();
    }
    uint32_t selectedInstance() const
    {
        return link->DevListBox()[static_cast<std::size_t>(link->selectedDevice())].device->PnPInfo()->DeviceInstance;
    }
    /// The cable sends kFrame in reports of 7 bytes and an empty report.
    void sendFrame(uint32_t cable)
    {
        for (const Bytes& report : dataReports(frameBytes(kFrame), 7)) {
            Bytes withId{0};
            withId.insert(withId.end(), report.begin(), report.end());
            platform->QueueInputReport(cable, withId);
        }
        platform->QueueInputReport(cable, Bytes{0, 0xF0, 0, 0, 0, 0, 0, 0, 0});
    }
    /// A click on Panel2 with the port kind selected.
    void click()
    {
        link->Panel2Click(host.portKindValue);
    }
    /// One tick of the watchdog's timer.
    void tick()
    {
        link->ConTimerTimer();
    }
    /// Runs the checks of the watchdog until it has checked once more.
    void checkLink()
    {
        for (int i = 0; i < 3; ++i)
            tick();
    }
};

TEST(CableConnection, ConnectSendsTheFeatureReportAndReads)
{
    Connected c;
    ASSERT_EQ(c.link->selectedDevice(), 0);
    const uint32_t cable = c.selectedInstance();
    c.click();
    EXPECT_TRUE(c.link->connected());
    EXPECT_EQ(c.link->Panel2Caption(), "Disconnect");
    EXPECT_FALSE(c.link->ComsetEnabled());
    const auto sent = c.platform->FeatureReports(cable);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Bytes(CableConnection::kFeatureReport.begin(), CableConnection::kFeatureReport.end()));
    EXPECT_EQ(c.link->HistoryListBox().back(), "60 09 00 00 03 00 00 00 00 ");
    EXPECT_TRUE(c.host.boxes.empty());

    c.sendFrame(cable);
    EXPECT_TRUE(c.dispatcher.RunUntil([&] { return !c.host.frames.empty(); }, 10s));
    EXPECT_EQ(c.host.frames, std::vector<std::string>{kFrame});

    c.click();  // disconnect sends the report once more
    EXPECT_FALSE(c.link->connected());
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
    EXPECT_EQ(c.platform->FeatureReports(cable).size(), 2u);
}

TEST(CableConnection, ConnectWithoutCableShowsOneBox)
{
    Connected c(std::vector<THidSimDevice>{});
    EXPECT_EQ(c.link->selectedDevice(), -1);
    c.click();
    EXPECT_EQ(c.host.boxes, std::vector<std::string>{std::string(CableConnection::kNotConnectedText)});
    EXPECT_FALSE(c.link->connected());
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
    EXPECT_FALSE(c.link->panel2Yellow());
}

TEST(CableConnection, ComPortKindsDoNotConnect)
{
    Connected c;
    c.host.portKindValue = 2;
    c.click();
    EXPECT_FALSE(c.link->connected());
    EXPECT_TRUE(c.platform->FeatureReports(c.selectedInstance()).empty());
}

TEST(CableConnection, DeviceListCaptionsAndPreselection)
{
    THidSimDevice withSerial = device(u"USB to Serial");
    withSerial.SerialNumberString = u"A17";
    Connected c({device(u"USB to Serial"), device(nullptr, 0x1A2B, 0x00C3), device(u"USB to Serial"), withSerial});
    ASSERT_EQ(c.link->DevListBox().size(), 4u);
    std::vector<std::string> captions;
    for (const auto& entry : c.link->DevListBox())
        captions.push_back(entry.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"USB to Serial", "Device VID=1A2B PID=00C3", "USB to Serial",
                                                  "USB to Serial (Serial=A17)"}));
    EXPECT_EQ(c.link->selectedDevice(), 2);
}

TEST(CableConnection, WatchdogToleratesAnIdleRunOf1899)
{
    Connected c;
    c.click();
    for (int i = 0; i < 1899; ++i)
        c.link->assembleReport(0, kEmptyReport.data(), 8);
    c.checkLink();
    EXPECT_TRUE(c.link->connected());
    EXPECT_TRUE(c.host.boxes.empty());
    EXPECT_FALSE(c.link->LinkIconLit());

    c.link->assembleReport(0, kEmptyReport.data(), 8);
    c.tick();  // between checks nothing happens
    EXPECT_TRUE(c.link->connected());
    c.tick();
    c.tick();
    EXPECT_FALSE(c.link->connected());
    EXPECT_EQ(c.host.boxes, std::vector<std::string>{std::string(CableConnection::kMeterNotReadyText)});
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
    EXPECT_TRUE(c.link->panel2Yellow());
    EXPECT_EQ(c.link->IdleReportCount(), 0);
    EXPECT_FALSE(c.link->DevListBox()[0].device->DataHandler());
}

TEST(CableConnection, UnplugWhileConnectedFallsBackToConnect)
{
    Connected c;
    const uint32_t cable = c.selectedInstance();
    c.click();
    ASSERT_TRUE(c.link->connected());
    c.platform->Unplug(cable);
    c.dispatcher.RunUntil([&] { return c.link->DevListBox().empty(); }, 10s);
    EXPECT_TRUE(c.link->DevListBox().empty());
    EXPECT_FALSE(c.link->connected());
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
    EXPECT_TRUE(c.link->panel2Yellow());
    EXPECT_TRUE(c.link->ComsetEnabled());
    EXPECT_EQ(c.link->HistoryListBox().back(), "Connection lost: the cable was removed");

    c.click();  // no cable: the box, and still not connected
    EXPECT_EQ(c.host.boxes.size(), 1u);
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
}

TEST(CableConnection, AnotherDeviceArrivingKeepsTheLinkReading)
{
    Connected c;
    const uint32_t cable = c.selectedInstance();
    c.click();
    c.platform->Plug(device(u"USB Optical Mouse", 0x046D, 0xC077));
    c.dispatcher.RunUntil([&] { return c.link->DevListBox().size() == 2; }, 10s);
    ASSERT_EQ(c.link->DevListBox().size(), 2u);
    EXPECT_TRUE(c.link->connected());
    EXPECT_EQ(c.link->Panel2Caption(), "Disconnect");
    EXPECT_EQ(c.selectedInstance(), cable);
    EXPECT_EQ(c.link->CurrentDevice(), c.link->DevListBox()[static_cast<std::size_t>(c.link->selectedDevice())].device.get());
    EXPECT_TRUE(c.link->CurrentDevice()->DataHandler());

    c.sendFrame(cable);
    EXPECT_TRUE(c.dispatcher.RunUntil([&] { return !c.host.frames.empty(); }, 10s));
}

// A connect starts reading wherever the line is: what was gathered before
// belongs to a frame whose rest is lost and must not be finished with the
// new bytes.
TEST(CableConnection, APartialFrameDoesNotOutliveItsReader)
{
    Connected c;
    const uint32_t cable = c.selectedInstance();
    c.click();
    const std::vector<Bytes> reports = dataReports(frameBytes(kFrame), 7);  // 7, 7, 7 and 5 bytes
    auto queue = [&](const Bytes& report) {
        Bytes withId{0};
        withId.insert(withId.end(), report.begin(), report.end());
        c.platform->QueueInputReport(cable, withId);
    };
    auto deliver = [&](std::size_t historyLines) {
        return c.dispatcher.RunUntil([&] { return c.link->HistoryListBox().size() == historyLines; }, 10s);
    };
    std::size_t lines = c.link->HistoryListBox().size();
    queue(reports[0]);
    queue(reports[1]);
    ASSERT_TRUE(deliver(lines + 2));
    ASSERT_TRUE(c.link->FramePending());

    c.click();  // disconnect
    c.click();  // connect: two history lines of the feature report
    ASSERT_TRUE(c.link->connected());
    EXPECT_FALSE(c.link->FramePending());
    lines = c.link->HistoryListBox().size();
    // The rest of a frame: spliced to the first half it would pass as one.
    queue(reports[2]);
    queue(reports[3]);
    queue(kEmptyReport);
    ASSERT_TRUE(deliver(lines + 2));
    c.sendFrame(cable);
    EXPECT_TRUE(c.dispatcher.RunUntil([&] { return !c.host.frames.empty(); }, 10s));
    c.dispatcher.RunUntil([&] { return c.platform->QueuedReportCount(cable) == 0; }, 10s);
    EXPECT_EQ(c.host.frames, std::vector<std::string>{kFrame});
}

// The data handler throws: the reader ends, the history says why and the
// connection falls back to "Connect" in yellow, as after a lost link.
TEST(CableConnection, AFailingHandlerEndsTheConnectionVisibly)
{
    Connected c;
    const uint32_t cable = c.selectedInstance();
    c.click();
    ASSERT_TRUE(c.link->connected());
    c.host.failOnFrame = true;
    c.sendFrame(cable);
    ASSERT_TRUE(c.dispatcher.RunUntil([&] { return !c.link->connected(); }, 10s));
    EXPECT_EQ(c.link->HistoryListBox().back(), "READING STOPPED: the data handler failed: decoder out of memory");
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
    EXPECT_TRUE(c.link->panel2Yellow());
    EXPECT_TRUE(c.link->ComsetEnabled());
    EXPECT_FALSE(c.link->CurrentDevice()->DataHandler());
    EXPECT_TRUE(c.host.boxes.empty());

    // Connecting again reads again.
    c.host.failOnFrame = false;
    c.host.frames.clear();
    c.click();
    ASSERT_TRUE(c.link->connected());
    c.sendFrame(cable);
    EXPECT_TRUE(c.dispatcher.RunUntil([&] { return !c.host.frames.empty(); }, 10s));
}

// The cable goes between the listing and the click on Connect: nothing
// throws, the bridge cannot be opened, so no reader starts and the panel
// stays at "Connect"; the pending device-change pass then drops the entry.
TEST(CableConnection, ACableGoneBeforeConnectDoesNotConnect)
{
    Connected c;
    const uint32_t cable = c.selectedInstance();
    c.platform->Unplug(cable);  // its device-change pass is queued, not run
    EXPECT_NO_THROW(c.click());
    EXPECT_FALSE(c.link->connected());
    EXPECT_EQ(c.link->Panel2Caption(), "Connect");
    EXPECT_TRUE(c.platform->FeatureReports(cable).empty());
    ASSERT_NE(c.link->CurrentDevice(), nullptr);
    EXPECT_EQ(c.link->CurrentDevice()->ReadThread(), nullptr);

    c.dispatcher.RunPending();
    EXPECT_TRUE(c.link->DevListBox().empty());
    EXPECT_EQ(c.link->HistoryListBox().back(), "Removal of USB to Serial");
}

}  // namespace
