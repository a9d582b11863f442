// Reconnecting by itself after a lost link, on the simulated cable: its
// bridge stays silent until it is sent the 2400 bit/s feature report, so
// frames flowing again show that a real connect happened, not just a caption.

#include "link/cable_connection.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"
#include "link/sim/simulated_cable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A silent meter's idle reports run out the watchdog's limit in about 23 s.
constexpr uint32_t kSilenceMs = CableConnection::kIdleReportLimit * SimulatedCable::kReportPeriodMs + 1000;
const std::string kMeterNotReady(CableConnection::kMeterNotReadyText);

// The window's wiring on a driven clock: the controller's events go to the
// connection, frames and boxes are kept, and the watchdog ticks every 100 ms
// of simulated time.
struct Line {
    std::shared_ptr<THidSimPlatform> platform = std::make_shared<THidSimPlatform>();
    THidManualDispatcher dispatcher;
    SimulatedCable cable{platform};
    std::vector<std::string> frames;
    std::vector<std::string> boxes;
    bool failOnFrame = false;
    std::unique_ptr<THidDeviceController> controller;
    std::unique_ptr<CableConnection> link;
    uint64_t nextTick = 100;

    explicit Line(bool reconnect)
    {
        cable.plug();
        controller = std::make_unique<THidDeviceController>(platform, dispatcher);
        link = std::make_unique<CableConnection>([this](std::string_view frame) {
            frames.emplace_back(frame);
            if (failOnFrame)
                throw std::runtime_error("decoder out of memory");
            return FrameReceipt{};
        });
        link->onInformation = [this](std::string_view text) { boxes.emplace_back(text); };
        link->setReconnectAutomatically(reconnect);
        link->setController(controller.get());
        controller->OnArrival = THidPlugEvent::Bind<&CableConnection::HidCtlArrival>(link.get());
        controller->OnRemoval = THidPlugEvent::Bind<&CableConnection::HidCtlRemoval>(link.get());
        controller->SetOnEnumerate(THidEnumerateEvent::Bind<&CableConnection::HidCtlEnumerate>(link.get()));
        controller->SetOnDeviceDataError(
            THidDataErrorEvent::Bind<&CableConnection::HidCtlDeviceDataError>(link.get()));
        controller->SetOnDeviceChange(THidNotifyEvent::Bind<&CableConnection::HidCtlDeviceChangeEvent>(link.get()));
    }
    ~Line()
    {
        link.reset();  // releases the device objects before their controller goes
        controller.reset();
    }

    void click() { link->Panel2Click(CableConnection::kPortUsb); }

    bool settled() const
    {
        if (dispatcher.PendingCount() != 0)
            return false;
        if (!link->connected() || !cable.plugged())
            return true;
        const uint32_t instance = cable.deviceInstance();
        return platform->QueuedReportCount(instance) == 0 && platform->WaitForPendingRead(instance, 0ms);
    }
    /// Runs the hand-overs until every report sent has been read and the
    /// reader waits again.
    void settle()
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            dispatcher.RunPending();
            if (settled())
                return;
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "reports left unread at " << platform->Now() << " ms";
                return;
            }
            std::this_thread::yield();
        }
    }
    /// Advances the clock by @p ms [ms], three reports at a time, as the
    /// window's event loop would run it.
    void run(uint32_t ms)
    {
        const uint64_t end = platform->Now() + ms;
        while (platform->Now() < end) {
            cable.advanceTime(static_cast<uint32_t>(std::min<uint64_t>(36, end - platform->Now())));
            settle();
            for (; nextTick <= platform->Now(); nextTick += 100)
                link->ConTimerTimer();
        }
    }
    std::size_t featureReports() const { return platform->FeatureReports(cable.deviceInstance()).size(); }
    bool historyHas(const std::string& line) const
    {
        const auto& history = link->HistoryListBox();
        return std::find(history.begin(), history.end(), line) != history.end();
    }
    /// Connected, read from and shown as after a click on "Connect".
    void expectConnected() const
    {
        EXPECT_TRUE(link->connected());
        EXPECT_FALSE(link->linkLost());
        EXPECT_EQ(link->Panel2Caption(), "Disconnect");
        EXPECT_FALSE(link->panel2Yellow());
        EXPECT_FALSE(link->ComsetEnabled());
        ASSERT_NE(link->CurrentDevice(), nullptr);
        EXPECT_TRUE(link->CurrentDevice()->DataHandler());
    }
    /// Lost and waiting: "Connect" in yellow.
    void expectLost() const
    {
        EXPECT_FALSE(link->connected());
        EXPECT_TRUE(link->linkLost());
        EXPECT_EQ(link->Panel2Caption(), "Connect");
        EXPECT_TRUE(link->panel2Yellow());
    }
    /// Frames arrive within two seconds.
    bool framesFlow()
    {
        const std::size_t before = frames.size();
        run(2000);
        return frames.size() >= before + 3;
    }
};

TEST(CableReconnect, OffByDefault)
{
    CableConnection link([](std::string_view) { return FrameReceipt{}; });
    EXPECT_FALSE(link.reconnectAutomatically());
    EXPECT_FALSE(link.linkLost());
    EXPECT_EQ(link.reconnections(), 0u);
    link.setReconnectAutomatically(true);
    EXPECT_TRUE(link.reconnectAutomatically());
}

// The cable comes back in a pass of its own, or is pulled and plugged again
// so quickly that one device-change pass sees both.
struct Replug {
    const char* name;
    bool onePass;
};

void PrintTo(const Replug& replug, std::ostream* out) { *out << replug.name; }

class CableReconnectReplug : public testing::TestWithParam<Replug> {};

TEST_P(CableReconnectReplug, TheCableBackConnectsAgainAndFramesFlow)
{
    Line l(true);
    l.click();
    ASSERT_TRUE(l.framesFlow());

    l.cable.unplug();
    if (!GetParam().onePass) {
        l.run(1000);
        l.expectLost();
        EXPECT_EQ(l.link->HistoryListBox().back(), "Connection lost: the cable was removed");
        EXPECT_EQ(l.link->reconnections(), 0u);
    }
    const uint32_t again = l.cable.plug();
    l.run(100);
    l.expectConnected();
    EXPECT_EQ(l.link->reconnections(), 1u);
    EXPECT_TRUE(l.historyHas("Connected again to USB to Serial"));
    EXPECT_EQ(l.platform->FeatureReports(again),
              std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(CableConnection::kFeatureReport.begin(),
                                                                     CableConnection::kFeatureReport.end())});
    EXPECT_TRUE(l.framesFlow());
    EXPECT_TRUE(l.cable.configured());
    EXPECT_TRUE(l.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(, CableReconnectReplug,
                         testing::Values(Replug{"InItsOwnPass", false}, Replug{"WithinOnePass", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CableReconnect, WhenOffTheCableBackWaitsForAClick)
{
    Line l(false);
    l.click();
    ASSERT_TRUE(l.framesFlow());
    l.cable.unplug();
    l.run(1000);
    l.cable.plug();
    l.run(1000);
    l.expectLost();
    EXPECT_EQ(l.link->reconnections(), 0u);
    EXPECT_EQ(l.featureReports(), 0u);
    EXPECT_FALSE(l.framesFlow());

    l.click();
    l.expectConnected();
    EXPECT_EQ(l.link->reconnections(), 0u);
    EXPECT_TRUE(l.framesFlow());
}

// The meter is switched off with the cable plugged: the link is connected
// again at once, so the first frame after it is switched on is read. The
// box is raised once for the silence, not at each reconnection's timeout,
// and again once the meter has spoken in between.
TEST(CableReconnect, ASilentMeterIsReconnectedAtOnceAndToldOfOnce)
{
    Line l(true);
    l.click();
    ASSERT_TRUE(l.framesFlow());

    l.cable.setMeterOn(false);
    l.run(kSilenceMs);
    l.expectConnected();
    EXPECT_EQ(l.link->reconnections(), 1u);
    EXPECT_EQ(l.featureReports(), 2u);
    EXPECT_EQ(l.boxes, std::vector<std::string>{kMeterNotReady});
    EXPECT_EQ(l.link->HistoryListBox().back(), "Connected again to USB to Serial");

    l.run(2 * kSilenceMs);
    EXPECT_EQ(l.link->reconnections(), 3u);
    EXPECT_EQ(l.boxes.size(), 1u);
    l.expectConnected();

    l.cable.setMeterOn(true);
    EXPECT_TRUE(l.framesFlow());
    EXPECT_EQ(l.link->reconnections(), 3u);

    l.cable.setMeterOn(false);
    l.run(kSilenceMs);
    EXPECT_EQ(l.link->reconnections(), 4u);
    EXPECT_EQ(l.boxes, (std::vector<std::string>{kMeterNotReady, kMeterNotReady}));
}

TEST(CableReconnect, WhenOffASilentMeterDisconnectsAsBefore)
{
    Line l(false);
    l.click();
    ASSERT_TRUE(l.framesFlow());
    l.cable.setMeterOn(false);
    l.run(kSilenceMs);
    l.expectLost();
    EXPECT_EQ(l.boxes, std::vector<std::string>{kMeterNotReady});
    EXPECT_EQ(l.featureReports(), 1u);
    l.cable.setMeterOn(true);
    EXPECT_FALSE(l.framesFlow());
    EXPECT_EQ(l.link->reconnections(), 0u);
}

// A reconnection after a silence, with a box the user already has: the next
// click (theirs) makes a silent meter worth a box again.
TEST(CableReconnect, AClickReportsASilentMeterAgain)
{
    Line l(true);
    l.click();
    l.cable.setMeterOn(false);
    l.run(kSilenceMs);
    ASSERT_EQ(l.boxes.size(), 1u);
    l.click();  // disconnect
    l.click();  // connect
    l.run(kSilenceMs);
    EXPECT_EQ(l.boxes.size(), 2u);
    EXPECT_EQ(l.link->reconnections(), 2u);
}

TEST(CableReconnect, AUserDisconnectIsNotUndone)
{
    Line l(true);
    l.click();
    ASSERT_TRUE(l.framesFlow());
    l.click();
    l.cable.unplug();
    l.run(1000);
    l.cable.plug();
    l.run(1000);
    EXPECT_FALSE(l.link->connected());
    EXPECT_FALSE(l.link->linkLost());
    EXPECT_EQ(l.link->Panel2Caption(), "Connect");
    EXPECT_FALSE(l.link->panel2Yellow());
    EXPECT_EQ(l.featureReports(), 0u);
    EXPECT_EQ(l.link->reconnections(), 0u);
    EXPECT_FALSE(l.framesFlow());
}

// Clicking "Connect" while the cable is away is the user's own try: it says
// the cable is missing and ends the wait, so the cable's return connects
// nothing.
TEST(CableReconnect, AClickWhileLostEndsTheWait)
{
    Line l(true);
    l.click();
    l.cable.unplug();
    l.run(1000);
    ASSERT_TRUE(l.link->linkLost());
    l.click();
    EXPECT_EQ(l.boxes, std::vector<std::string>{std::string(CableConnection::kNotConnectedText)});
    EXPECT_FALSE(l.link->linkLost());
    l.cable.plug();
    l.run(1000);
    EXPECT_FALSE(l.link->connected());
    EXPECT_EQ(l.link->reconnections(), 0u);
}

// The reader ended by itself with the cable still plugged: the next pass
// that lists the cable (here another device arriving) connects it again.
TEST(CableReconnect, AnEndedReaderIsRestoredByTheNextPass)
{
    Line l(true);
    l.click();
    l.failOnFrame = true;
    l.run(1000);
    l.expectLost();
    EXPECT_EQ(l.link->HistoryListBox().back(), "READING STOPPED: the data handler failed: decoder out of memory");
    l.failOnFrame = false;

    THidSimDevice mouse;
    mouse.VendorID = 0x046D;
    mouse.ProductID = 0xC077;
    mouse.ProductString = u"USB Optical Mouse";
    l.platform->Plug(mouse);
    l.run(100);
    l.expectConnected();
    EXPECT_EQ(l.link->reconnections(), 1u);
    EXPECT_TRUE(l.framesFlow());
}

// The cable is back but cannot be opened for reading (no permission): it
// is not tried, no box is raised, and the link goes on waiting.
TEST(CableReconnect, ACableWithoutAccessIsNotTried)
{
    Line l(true);
    l.click();
    l.cable.unplug();
    l.run(1000);
    THidSimDevice locked = SimulatedCable::device();
    locked.Access = EHidSimAccess::QueryOnly;
    const uint32_t instance = l.platform->Plug(locked);
    l.run(1000);
    ASSERT_EQ(l.link->DevListBox().size(), 1u);
    l.expectLost();
    EXPECT_TRUE(l.platform->FeatureReports(instance).empty());
    EXPECT_TRUE(l.boxes.empty());
    EXPECT_FALSE(l.historyHas("Connected again to USB to Serial"));
    l.platform->Unplug(instance);
}

// The meter falls silent and the cable is pulled before its device-change
// pass has run: the watchdog's try cannot open it, and the connection stays
// lost, quietly, until the cable is back.
TEST(CableReconnect, ATryOnACableJustPulledFailsQuietly)
{
    Line l(true);
    l.click();
    ASSERT_TRUE(l.framesFlow());
    const uint8_t idle[8] = {0xF0};
    for (int i = 0; i < CableConnection::kIdleReportLimit; ++i)
        l.link->assembleReport(0, idle, sizeof idle);
    l.cable.unplug();  // its pass is queued, not run
    for (int i = 0; i < 3; ++i)
        l.link->ConTimerTimer();
    l.expectLost();
    EXPECT_EQ(l.link->reconnections(), 0u);
    EXPECT_EQ(l.boxes, std::vector<std::string>{kMeterNotReady});

    l.run(1000);
    l.expectLost();
    l.cable.plug();
    l.run(100);
    l.expectConnected();
    EXPECT_EQ(l.link->reconnections(), 1u);
    EXPECT_TRUE(l.framesFlow());
    EXPECT_EQ(l.boxes.size(), 1u);
}

}  // namespace
