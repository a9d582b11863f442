#include "app/ui/main_window.h"
#include "link/sim/simulated_cable.h"
#include "meter/ui/bevel_panel.h"
#include "record/ui/record_grid_view.h"
#include "snapshot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QProgressBar>
#include <QToolButton>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

/// The window on a simulated cable whose clock the test drives, its meter
/// started from @p seed.
struct LiveWindow {
    std::shared_ptr<THidSimPlatform> platform = std::make_shared<THidSimPlatform>();
    SimulatedCable cable;
    std::unique_ptr<TFrmTest> frmTest;

    explicit LiveWindow(uint64_t seed) : cable(platform, optionsOf(seed))
    {
        cable.plug();
        frmTest = std::make_unique<TFrmTest>(platform);
    }

    static SimulatedCable::Options optionsOf(uint64_t seed)
    {
        SimulatedCable::Options options;
        options.Meter.Seed = seed;
        return options;
    }
    TFrmTest& window() { return *frmTest; }
    /// Clicks "Connect"; true once the read thread waits for the line's
    /// first report (it starts on its own time, and the line counts from there).
    bool connect()
    {
        frmTest->Panel2Click();
        return frmTest->session().link().connected() &&
               platform->WaitForPendingRead(cable.deviceInstance(), std::chrono::seconds(10));
    }
    /// Runs up to @p ms of meter time in report-sized steps, stopping early
    /// once @p enough says so; each step waits (generously, for a loaded
    /// machine) until the read thread took the reports and the window
    /// handled them.
    void stream(int ms, const std::function<bool()>& enough = {})
    {
        for (int t = 0; t < ms && !(enough && enough()); t += 12) {
            cable.advanceTime(12);
            QDeadlineTimer deadline(10'000);
            while (platform->QueuedReportCount(cable.deviceInstance()) > 0 && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::processEvents();
        }
    }
};

// The window on a simulated cable whose clock the test drives: connecting
// configures the line, the meter's frames arrive through the read thread
// and the window shows them.
TEST(LiveMeter, ConnectingMirrorsTheMeter)
{
    LiveWindow live(7);
    TFrmTest& window = live.window();
    ASSERT_EQ(window.session().link().selectedDevice(), 0);
    ASSERT_TRUE(live.connect());
    EXPECT_EQ(window.findChild<BevelPanel*>(QStringLiteral("Panel2"))->caption(), QStringLiteral("Disconnect"));

    live.stream(3000, [&] { return window.session().decoder().decodedFrames() >= 4; });
    EXPECT_GE(window.session().decoder().decodedFrames(), 4u);
    EXPECT_EQ(window.session().decoder().droppedFrames(), 0u);
    EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("CONok"))->isHidden());
    EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("PBar2"))->maximum(), window.session().dial().range().BarMax);
    saveSnapshot(window, QStringLiteral("main-window-live"));

    window.Panel2Click();
    EXPECT_FALSE(window.session().link().connected());
}

// Readings from the cable become rows of the grid, the newest selected, and
// points of the chart, page indicator following.
TEST(LiveMeter, ReadingsBecomeRowsOfTheGridAndPointsOfTheChart)
{
    LiveWindow live(11);
    TFrmTest& window = live.window();
    ASSERT_TRUE(live.connect());
    live.stream(6000, [&] { return window.session().decoder().decodedFrames() >= 6; });
    window.Panel2Click();
    QCoreApplication::processEvents();

    const std::size_t rows = window.session().cds1().rowCount();
    ASSERT_GE(rows, 1u);
    auto* grid = window.findChild<RecordGridView*>(QStringLiteral("DBGrid1"));
    EXPECT_EQ(grid->shownRowCount(), rows);
    EXPECT_EQ(grid->selectedRow(), rows - 1);
    EXPECT_TRUE(grid->rowFullyVisible(rows - 1));
    EXPECT_EQ(window.session().cds1().no(rows - 1), static_cast<int32_t>(rows));

    auto* chart = window.findChild<QCustomPlot*>(QStringLiteral("Chtshow"));
    // every decoded reading is a point (the sum-of-power view is not recorded)
    EXPECT_GE(chart->graph(0)->dataCount(), static_cast<int>(rows) + 1);
    EXPECT_EQ(chart->graph(1)->dataCount(), chart->graph(0)->dataCount());
    EXPECT_EQ(window.findChild<QToolButton*>(QStringLiteral("Bt10"))->text(), QStringLiteral("1"));
    saveSnapshot(window, QStringLiteral("main-window-recording"));
}

QList<QMessageBox*> openBoxes(const TFrmTest& window)
{
    QList<QMessageBox*> open;
    for (QMessageBox* box : window.findChildren<QMessageBox*>())
        if (box->isVisible())
            open << box;
    return open;
}

// A message raised while a frame is handled never holds the read thread:
// with a pasted interval text that is no number, every reading raises the
// error, yet one box shows, and while it is open every frame is decoded
// and charted (the rules record none of them). A box the user did not
// answer yet does not stop recording either.
TEST(LiveMeter, ReadingsGoOnWhileAMessageBoxIsOpen)
{
    LiveWindow live(5);
    TFrmTest& window = live.window();
    window.show();
    MeterSession& session = window.session();
    ASSERT_TRUE(live.connect());
    const ChartEngine& chart = session.chart().ChartControl().Chart();

    window.RecordSITimeChange(QStringLiteral("abc"));
    QCoreApplication::processEvents();
    ASSERT_EQ(openBoxes(window).size(), 1);
    EXPECT_EQ(openBoxes(window).front()->text(), QStringLiteral("'abc' is not a valid integer value"));

    const uint64_t decodedBefore = session.decoder().decodedFrames();
    const int64_t pointsBefore = chart.pointCount();
    const int32_t numberBefore = session.sampling().NextRecordNo();
    live.stream(5000);
    const auto decoded = static_cast<int64_t>(session.decoder().decodedFrames() - decodedBefore);
    EXPECT_GE(decoded, 5);
    EXPECT_EQ(session.decoder().droppedFrames(), 0u);
    EXPECT_EQ(live.platform->QueuedReportCount(live.cable.deviceInstance()), 0u);
    EXPECT_EQ(chart.pointCount() - pointsBefore, decoded);
    EXPECT_EQ(session.sampling().NextRecordNo(), numberBefore);
    EXPECT_TRUE(session.cds1().empty());
    ASSERT_EQ(openBoxes(window).size(), 1);
    saveSnapshot(window, QStringLiteral("main-window-message-box"));

    // Answered, the box goes; the next reading raises it once again.
    openBoxes(window).front()->accept();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.messages().showing());
    EXPECT_TRUE(openBoxes(window).isEmpty());
    live.stream(2000);
    EXPECT_EQ(openBoxes(window).size(), 1);
    openBoxes(window).front()->accept();

    // The warning of the delete command stays open while readings are
    // recorded after the table was emptied.
    window.RecordSITimeChange(QStringLiteral("0"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(openBoxes(window).isEmpty());
    window.ClearRClick();
    QCoreApplication::processEvents();
    ASSERT_EQ(openBoxes(window).size(), 1);
    EXPECT_EQ(openBoxes(window).front()->text(), QStringLiteral(" Warning:all Records will be deleted! "));
    live.stream(3000);
    EXPECT_GE(session.cds1().rowCount(), 3u);
    EXPECT_EQ(session.cds1().no(0), 1);
    EXPECT_EQ(openBoxes(window).size(), 1);

    window.Panel2Click();
}

}  // namespace
