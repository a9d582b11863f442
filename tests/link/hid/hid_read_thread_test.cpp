// The read thread and its hand-over: reports reach the data handler on the
// main thread, failed starts reach the error handler, and stopping serves
// queued hand-overs instead of deadlocking.

#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_device_read_thread.h"
#include "link/hid/hid_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

struct Report {
    uint8_t ReportID;
    std::vector<uint8_t> Data;
    bool operator==(const Report&) const = default;
};

struct ReadingWorld : HidWorld {
    std::unique_ptr<THidDeviceController> Controller;
    std::vector<std::unique_ptr<THidDevice>> Claimed;
    std::vector<Report> Reports;
    std::thread::id MainThread = std::this_thread::get_id();

    explicit ReadingWorld(std::vector<THidSimDevice> devices = {SimBridge(1)})
    {
        for (auto& d : devices)
            Platform->Plug(d);
        Controller = std::make_unique<THidDeviceController>(Platform, Dispatcher);
        Claimed = ClaimAll(*Controller);
    }
    ~ReadingWorld()
    {
        Claimed.clear();
        Controller.reset();
    }
    THidDataEvent Recording()
    {
        return THidDataEvent::From([this](THidDevice&, uint8_t ReportID, const uint8_t* Data, uint16_t Size) {
            EXPECT_EQ(std::this_thread::get_id(), MainThread);
            Reports.push_back({ReportID, std::vector<uint8_t>(Data, Data + Size)});
        });
    }
};

TEST(HidReadThread, ReportsArriveOnTheMainThreadIdFirst)
{
    ReadingWorld w;
    THidDevice& device = *w.Claimed.at(0);
    device.SetDataHandler(w.Recording());
    ASSERT_NE(device.ReadThread(), nullptr);
    EXPECT_EQ(device.ReadThread()->ReportBufferSize(), 9u);
    w.Platform->QueueInputReport(1, {0x00, 0xF2, 0x31, 0x32, 0, 0, 0, 0, 0});
    w.Platform->QueueInputReport(1, {0x05});  // 1 byte: Size 0
    ASSERT_TRUE(w.RunUntil([&] { return w.Reports.size() == 2; }));
    EXPECT_EQ(w.Reports[0], (Report{0x00, {0xF2, 0x31, 0x32, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(w.Reports[1], (Report{0x05, {}}));
    device.SetDataHandler({});
    EXPECT_EQ(device.ReadThread(), nullptr);
}

TEST(HidReadThread, FailedStartsReachTheErrorHandlerUntilTheyStop)
{
    ReadingWorld w;
    THidDevice& device = *w.Claimed.at(0);
    std::vector<uint32_t> errors;
    device.SetDataErrorHandler(THidDataErrorEvent::From([&](THidDevice& HidDev, uint32_t Error) {
        EXPECT_EQ(&HidDev, &device);
        errors.push_back(Error);
    }));
    w.Platform->SetReadStartFailure(1, 1167);
    device.SetDataHandler(w.Recording());
    ASSERT_TRUE(w.RunUntil([&] { return errors.size() >= 3; }));
    EXPECT_EQ(errors[0], 1167u);
    EXPECT_EQ(errors[2], 1167u);
    w.Platform->SetReadStartFailure(1, 0);
    w.Platform->QueueInputReport(1, {0x00, 0x01, 0x41});
    ASSERT_TRUE(w.RunUntil([&] { return w.Reports.size() == 1; }));
    EXPECT_EQ(w.Reports[0], (Report{0x00, {0x01, 0x41}}));
}

// The reader has a report waiting on the main thread when the stop comes:
// it is still delivered, and the stop returns.
TEST(HidReadThread, StoppingServesAQueuedDelivery)
{
    for (const bool byDeleting : {false, true}) {
        ReadingWorld w;
        THidDevice& device = *w.Claimed.at(0);
        device.SetDataHandler(w.Recording());
        w.Platform->QueueInputReport(1, {0x00, 0x02, 0x44, 0x41});
        ASSERT_TRUE(w.WaitQueued(1));
        if (byDeleting)
            w.Claimed.clear();
        else
            device.SetDataHandler({});
        EXPECT_EQ(w.Reports, (std::vector<Report>{{0x00, {0x02, 0x44, 0x41}}})) << byDeleting;
        if (!byDeleting) {
            EXPECT_EQ(device.ReadThread(), nullptr);
        }
        EXPECT_EQ(w.Dispatcher.PendingCount(), 0u);
    }
}

// A handler of device 2 stops the reader of device 1, whose delivery is
// queued behind it: the stop runs that delivery and does not deadlock.
TEST(HidReadThread, AHandlerMayStopAnotherDevicesReader)
{
    ReadingWorld w({SimBridge(1), SimBridge(2)});
    THidDevice& one = *w.Claimed.at(0);
    THidDevice& two = *w.Claimed.at(1);
    std::vector<std::string> order;
    one.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) { order.push_back("one"); }));
    two.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) {
        order.push_back("two");
        one.SetDataHandler({});
        order.push_back("one stopped");
    }));
    w.Platform->QueueInputReport(2, {0x00, 0x01});
    ASSERT_TRUE(w.WaitQueued(1));
    w.Platform->QueueInputReport(1, {0x00, 0x01});
    ASSERT_TRUE(w.WaitQueued(2));
    w.Dispatcher.RunPending();
    EXPECT_EQ(order, (std::vector<std::string>{"two", "one", "one stopped"}));
    EXPECT_EQ(one.ReadThread(), nullptr);
    EXPECT_NE(two.ReadThread(), nullptr);
}

// A failing handler ends the reader; the device keeps the ended reader
// until StopReader.
TEST(HidReadThread, AFailingHandlerEndsTheReader)
{
    ReadingWorld w;
    THidDevice& device = *w.Claimed.at(0);
    int calls = 0;
    device.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) {
        ++calls;
        throw std::runtime_error("handler failed");
    }));
    w.Platform->QueueInputReport(1, {0x00, 0x01});
    w.Platform->QueueInputReport(1, {0x00, 0x02});
    ASSERT_TRUE(w.RunUntil([&] { return device.ReadThread()->Finished(); }));
    EXPECT_EQ(calls, 1);
    EXPECT_NE(device.ReadThread()->FatalException(), nullptr);
    EXPECT_EQ(w.Platform->QueuedReportCount(1), 1u);
    device.StopReader();
    EXPECT_EQ(device.ReadThread(), nullptr);
}

// A reader that ends by itself says so through posted work, with the reason;
// one that is asked to stop does not.
TEST(HidReadThread, AReaderThatEndsByItselfIsReported)
{
    ReadingWorld w;
    THidDevice& device = *w.Claimed.at(0);
    std::vector<std::string> reasons;
    device.SetReadEndHandler(THidReadEndEvent::From([&](THidDevice& HidDev, const std::string& Reason) {
        EXPECT_EQ(&HidDev, &device);
        reasons.push_back(Reason);
    }));
    device.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) {
        throw std::runtime_error("out of paper");
    }));
    w.Platform->QueueInputReport(1, {0x00, 0x01});
    ASSERT_TRUE(w.RunUntil([&] { return !reasons.empty(); }));
    EXPECT_EQ(reasons, std::vector<std::string>{"the data handler failed: out of paper"});

    device.StopReader();
    device.SetDataHandler(w.Recording());
    ASSERT_TRUE(w.Platform->WaitForPendingRead(1, kWait));
    device.SetDataHandler({});
    w.Dispatcher.RunPending();
    EXPECT_EQ(reasons.size(), 1u);
}

// The report of an ended reader never reaches a device destroyed meanwhile.
TEST(HidReadThread, TheEndReportOfADestroyedDeviceIsDropped)
{
    ReadingWorld w;
    int reports = 0;
    THidDevice& device = *w.Claimed.at(0);
    device.SetReadEndHandler(THidReadEndEvent::From([&](THidDevice&, const std::string&) { ++reports; }));
    device.SetDataHandler(THidDataEvent::From([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) {
        throw std::runtime_error("x");
    }));
    w.Platform->QueueInputReport(1, {0x00, 0x01});
    // Serves the hand-over only; the end report stays queued.
    w.Dispatcher.ServeUntil([&] { return device.ReadThread()->Finished(); });
    ASSERT_EQ(w.Dispatcher.PendingCount(), 1u);
    w.Claimed.clear();
    w.Dispatcher.RunPending();
    EXPECT_EQ(reports, 0);
}

// The read handle closed under a waiting reader (the enumeration clean-up or
// an unplug does that) ends the wait; the reader goes on with a new read.
TEST(HidReadThread, ClosingTheReadHandleUnderTheReaderIsSafe)
{
    ReadingWorld w;
    THidDevice& device = *w.Claimed.at(0);
    device.SetDataHandler(w.Recording());
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(w.Platform->WaitForPendingRead(1, kWait));
        device.CloseOverlapped(THidDevice::EOverlappedMode::Read);
    }
    w.Platform->QueueInputReport(1, {0x00, 0x07});
    ASSERT_TRUE(w.RunUntil([&] { return w.Reports.size() == 1; }));
}

// Driven time: the source of the demo meter produces one report per period.
TEST(HidReadThread, ReportSourceFollowsDrivenTime)
{
    ReadingWorld w;
    uint8_t counter = 0;
    w.Platform->SetInputReportSource(1, 500, [&counter] { return std::vector<uint8_t>{0x00, ++counter}; });
    w.Claimed.at(0)->SetDataHandler(w.Recording());
    ASSERT_TRUE(w.Platform->WaitForPendingRead(1, kWait));
    w.Platform->AdvanceTime(499);
    w.Dispatcher.WaitAndRunPending(20ms);
    EXPECT_TRUE(w.Reports.empty());
    w.Platform->AdvanceTime(1);
    ASSERT_TRUE(w.RunUntil([&] { return w.Reports.size() == 1; }));
    w.Platform->AdvanceTime(1000);
    ASSERT_TRUE(w.RunUntil([&] { return w.Reports.size() == 3; }));
    EXPECT_EQ(w.Reports[2], (Report{0x00, {3}}));
}

}  // namespace
