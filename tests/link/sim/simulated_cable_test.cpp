// The simulated cable as the HID layer sees it: silent until the 2400 bit/s
// feature report, then the meter's frames spread over 9-byte input reports
// at the line's pace, each frame closed by an empty report.

#include "link/sim/simulated_cable.h"

#include "link/hid/hid_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr std::array<uint8_t, 10> k9600Report{0x00, 0x80, 0x25, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};

/// The cable on a driven platform, claimed through a controller; every
/// report the reader delivers is kept as report ID followed by the data.
struct CableWorld : HidWorld {
    SimulatedCable Cable;
    std::unique_ptr<THidDeviceController> Controller;
    std::vector<std::unique_ptr<THidDevice>> Claimed;
    THidDevice* Device = nullptr;
    std::vector<Bytes> Reports;
    uint64_t SentBeforeReading = 0;

    explicit CableWorld(SimulatedCable::Options options = {}) : Cable(Platform, options)
    {
        Cable.plug();
        Controller = std::make_unique<THidDeviceController>(Platform, Dispatcher);
        Claimed = ClaimAll(*Controller);
        Device = Claimed.at(0).get();
    }
    ~CableWorld()
    {
        Claimed.clear();
        Controller.reset();
    }
    void startReading()
    {
        Device->SetDataHandler(THidDataEvent::From([this](THidDevice&, uint8_t ReportID, const uint8_t* Data, uint16_t Size) {
            Bytes report{ReportID};
            report.insert(report.end(), Data, Data + Size);
            Reports.push_back(std::move(report));
        }));
        ASSERT_TRUE(Platform->WaitForPendingRead(Cable.deviceInstance(), kWait));
        SentBeforeReading = Cable.reportsSent();
    }
    /// Advances the driven clock by @p ms [ms], a few reports at a time (far
    /// fewer than the cable buffers), and waits until each has arrived.
    void run(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms;) {
            const uint32_t step = std::min<uint32_t>(ms - done, 240);
            Cable.advanceTime(step);
            done += step;
            ASSERT_TRUE(RunUntil([&] { return Reports.size() == Cable.reportsSent() - SentBeforeReading; }));
        }
    }
};

Bytes bytesOf(const MeterFrameBytes& frame)
{
    return Bytes(frame.begin(), frame.end());
}

uint8_t countOf(const Bytes& report)
{
    return report.at(1) & 0x0F;
}

/// Runs of serial bytes closed by a report without data, as the program
/// assembles frames.
std::vector<Bytes> assemble(const std::vector<Bytes>& reports)
{
    std::vector<Bytes> runs;
    Bytes run;
    for (const Bytes& report : reports) {
        const uint8_t n = countOf(report);
        if (n >= 1 && n <= 9) {
            run.insert(run.end(), report.begin() + 2, report.begin() + 2 + n);
        } else if (!run.empty()) {
            runs.push_back(std::move(run));
            run.clear();
        }
    }
    return runs;
}

/// Every report as the bridge sends it: report ID 0, count byte 0xF0 | n
/// with n <= @p maxBytes, n serial bytes, zero padding to 9 bytes.
void expectBridgeLayout(const std::vector<Bytes>& reports, uint8_t maxBytes)
{
    for (const Bytes& report : reports) {
        ASSERT_EQ(report.size(), SimulatedCable::kInputReportLength);
        EXPECT_EQ(report[0], 0x00);
        EXPECT_EQ(report[1] & 0xF0, 0xF0);
        EXPECT_LE(countOf(report), maxBytes);
        EXPECT_TRUE(std::all_of(report.begin() + 2 + countOf(report), report.end(), [](uint8_t b) { return b == 0; }));
    }
}

/// The runs are consecutive frames of the meter; the first may be the tail
/// of a frame the line was switched on in the middle of. Returns how many
/// whole frames there were.
int expectMeterFrames(const std::vector<Bytes>& runs, const SimulatedMeter& meter)
{
    std::size_t first = 0;
    if (!runs.empty() && runs[0].size() != SimulatedMeter::kFrameBytes)
        first = 1;
    if (first >= runs.size())
        return 0;
    uint64_t k = 0;
    while (k < 1000 && runs[first] != bytesOf(meter.frame(k)))
        ++k;
    EXPECT_LT(k, 1000u) << "not a frame of the meter";
    for (std::size_t i = first; i < runs.size(); ++i, ++k) {
        EXPECT_EQ(runs[i], bytesOf(meter.frame(k))) << "run " << i;
    }
    return static_cast<int>(runs.size() - first);
}

struct LineCase {
    const char* name;
    std::vector<std::array<uint8_t, 10>> features;
    bool meterOn;
    bool data;
};

// Before any feature report only empty reports come; the 2400 bit/s one
// opens the line (frames follow), any other setting closes it again, and a
// silent meter leaves the line idle.
TEST(SimulatedCable, SendsFramesOnlyOnceTheLineIsSetTo2400)
{
    const LineCase cases[] = {
        {"no feature report", {}, true, false},
        {"2400 bit/s", {SimulatedCable::kLineSettingsReport}, true, true},
        {"9600 bit/s", {k9600Report}, true, false},
        {"2400 then 9600", {SimulatedCable::kLineSettingsReport, k9600Report}, true, false},
        {"2400, meter off", {SimulatedCable::kLineSettingsReport}, false, false},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        CableWorld w;
        w.Cable.setMeterOn(c.meterOn);
        w.startReading();
        w.run(1000);
        ASSERT_GE(w.Reports.size(), 80u);
        for (const Bytes& report : w.Reports)
            ASSERT_EQ(report, (Bytes{0x00, 0xF0, 0, 0, 0, 0, 0, 0, 0}));

        for (const auto& feature : c.features)
            ASSERT_TRUE(w.Device->SendFeature(feature.data(), feature.size()));
        w.Reports.clear();
        w.SentBeforeReading = w.Cable.reportsSent();
        w.run(2000);
        EXPECT_EQ(w.Cable.configured(), !c.features.empty() && c.features.back() == SimulatedCable::kLineSettingsReport);
        expectBridgeLayout(w.Reports, SimulatedCable::kMaxSerialBytes);
        const std::vector<Bytes> runs = assemble(w.Reports);
        if (c.data)
            EXPECT_GE(expectMeterFrames(runs, w.Cable.meter()), 3);
        else
            EXPECT_TRUE(runs.empty());
    }
}

struct PaceCase {
    uint32_t periodMs;
    uint8_t maxBytes;        // most bytes one report carries
    std::size_t fewest, most;  // data reports per frame
};

// At 2400 bit/s a byte takes 4.17 ms: every 12 ms a report carries 2 or 3
// bytes, so a frame's 104 ms from first to last byte span 9 or 10 reports.
// A slower bridge packs up to 7 and keeps the rest for the next report. Either way the frame arrives whole
// and is closed by an empty report.
TEST(SimulatedCable, AFrameSpansSeveralReportsAndReassembles)
{
    for (const PaceCase c : {PaceCase{12, 3, 9, 10}, PaceCase{40, 7, 4, 5}}) {
        SCOPED_TRACE(c.periodMs);
        SimulatedCable::Options options;
        options.ReportPeriodMs = c.periodMs;
        CableWorld w(options);
        w.startReading();
        ASSERT_TRUE(w.Device->SendFeature(SimulatedCable::kLineSettingsReport.data(), 10));
        w.run(3000);
        expectBridgeLayout(w.Reports, c.maxBytes);
        EXPECT_GE(expectMeterFrames(assemble(w.Reports), w.Cable.meter()), 4);

        // Count the data reports of each whole frame and check the report after it is empty.
        std::size_t inFrame = 0, bytes = 0;
        uint8_t largest = 0;
        for (const Bytes& report : w.Reports) {
            const uint8_t n = countOf(report);
            largest = std::max(largest, n);
            if (n > 0) {
                ++inFrame;
                bytes += n;
                continue;
            }
            if (bytes == SimulatedMeter::kFrameBytes) {
                EXPECT_GE(inFrame, c.fewest);
                EXPECT_LE(inFrame, c.most);
            }
            inFrame = bytes = 0;
        }
        EXPECT_EQ(largest, c.maxBytes);
    }
}

// Reports are kept only while a handle is open, at most BufferedReports of
// them; unplugging forgets the line setting.
TEST(SimulatedCable, KeepsReportsWhileOpenAndForgetsTheLineWhenUnplugged)
{
    auto platform = std::make_shared<THidSimPlatform>();
    SimulatedCable cable(platform);
    const uint32_t instance = cable.plug();
    EXPECT_EQ(cable.plug(), instance);
    cable.advanceTime(500);
    EXPECT_EQ(platform->QueuedReportCount(instance), 0u);
    EXPECT_EQ(platform->Now(), 500u);

    const THidHandle handle = platform->CreateFile("sim:hid#" + std::to_string(instance), EHidOpenMode::MainReadWrite);
    ASSERT_NE(handle, InvalidHidHandle);
    ASSERT_TRUE(platform->SetFeature(handle, SimulatedCable::kLineSettingsReport.data(), 10));
    cable.advanceTime(120);
    EXPECT_EQ(platform->QueuedReportCount(instance), 10u);
    EXPECT_TRUE(cable.configured());
    cable.advanceTime(5000);
    EXPECT_EQ(platform->QueuedReportCount(instance), 64u);

    EXPECT_TRUE(cable.unplug());
    EXPECT_FALSE(cable.unplug());
    EXPECT_FALSE(cable.plugged());
    EXPECT_FALSE(cable.configured());
    const uint32_t again = cable.plug();
    EXPECT_NE(again, instance);
    cable.advanceTime(1000);
    EXPECT_FALSE(cable.configured());
    platform->CloseHandle(handle);
}

// Real time: the cable's own thread sends the reports; a whole frame
// arrives once the line is set.
TEST(SimulatedCable, RunsInRealTime)
{
    HidWorld w;
    w.Platform = std::make_shared<THidSimPlatform>(THidSimPlatform::ETime::Real);
    SimulatedCable cable(w.Platform);
    cable.plug();
    cable.runInRealTime();
    cable.runInRealTime();
    {
        THidDeviceController controller(w.Platform, w.Dispatcher);
        auto claimed = ClaimAll(controller);
        ASSERT_EQ(claimed.size(), 1u);
        std::vector<Bytes> reports;
        claimed[0]->SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t ReportID, const uint8_t* Data, uint16_t Size) {
            Bytes report{ReportID};
            report.insert(report.end(), Data, Data + Size);
            reports.push_back(std::move(report));
        }));
        ASSERT_TRUE(claimed[0]->SendFeature(SimulatedCable::kLineSettingsReport.data(), 10));
        ASSERT_TRUE(w.RunUntil([&] {
            const auto runs = assemble(reports);
            return std::count_if(runs.begin(), runs.end(), [](const Bytes& r) { return r.size() == 26; }) >= 2;
        }));
        expectBridgeLayout(reports, SimulatedCable::kMaxSerialBytes);
        // Real time may skip a report under load; each whole run is still a
        // frame of the meter, in order.
        uint64_t next = 0;
        for (const Bytes& run : assemble(reports)) {
            if (run.size() != SimulatedMeter::kFrameBytes)
                continue;
            uint64_t k = next;
            while (k < next + 1000 && run != bytesOf(cable.meter().frame(k)))
                ++k;
            EXPECT_LT(k, next + 1000) << "not a frame of the meter";
            next = k + 1;
        }
        claimed.clear();
    }
    cable.stopRealTime();
}

}  // namespace
