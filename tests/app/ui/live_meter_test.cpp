#include "app/ui/main_window.h"
#include "link/sim/simulated_cable.h"
#include "meter/ui/bevel_panel.h"
#include "record/ui/record_grid_view.h"
#include "snapshot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProgressBar>
#include <QToolButton>

#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace {

// The window on a simulated cable whose clock the test drives: connecting
// configures the line, the meter's frames arrive through the read thread
// and the window shows them.
TEST(LiveMeter, ConnectingMirrorsTheMeter)
{
    auto platform = std::make_shared<THidSimPlatform>();
    SimulatedMeter::Options meter;
    meter.Seed = 7;
    SimulatedCable::Options options;
    options.Meter = meter;
    SimulatedCable cable(platform, options);
    cable.plug();

    TFrmTest window(platform);
    ASSERT_EQ(window.state().link().selectedDevice(), 0);
    window.Panel2Click();
    ASSERT_TRUE(window.state().link().connected());
    // the read thread starts on its own time; the line counts from its first read
    ASSERT_TRUE(platform->WaitForPendingRead(cable.deviceInstance(), std::chrono::seconds(10)));
    EXPECT_EQ(window.findChild<BevelPanel*>(QStringLiteral("Panel2"))->caption(), QStringLiteral("Disconnect"));

    // three seconds of meter time, in report-sized steps; each step waits
    // (generously, for a loaded machine) until the read thread took the
    // reports and the window handled them
    for (int ms = 0; ms < 3000 && window.state().decoder().decodedFrames() < 4; ms += 12) {
        cable.advanceTime(12);
        QDeadlineTimer deadline(10'000);
        while (platform->QueuedReportCount(cable.deviceInstance()) > 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
    }
    EXPECT_GE(window.state().decoder().decodedFrames(), 4u);
    EXPECT_EQ(window.state().decoder().droppedFrames(), 0u);
    EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("CONok"))->isHidden());
    EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("PBar2"))->maximum(), window.state().Dial().BarMax);
    saveSnapshot(window, QStringLiteral("main-window-live"));

    window.Panel2Click();
    EXPECT_FALSE(window.state().link().connected());
}

// Readings from the cable become rows of the grid, the newest selected, and
// points of the chart, page indicator following.
TEST(LiveMeter, ReadingsBecomeRowsOfTheGridAndPointsOfTheChart)
{
    auto platform = std::make_shared<THidSimPlatform>();
    SimulatedCable::Options options;
    options.Meter.Seed = 11;
    SimulatedCable cable(platform, options);
    cable.plug();

    TFrmTest window(platform);
    window.Panel2Click();
    ASSERT_TRUE(window.state().link().connected());
    ASSERT_TRUE(platform->WaitForPendingRead(cable.deviceInstance(), std::chrono::seconds(10)));
    for (int ms = 0; ms < 6000 && window.state().decoder().decodedFrames() < 6; ms += 12) {
        cable.advanceTime(12);
        QDeadlineTimer deadline(10'000);
        while (platform->QueuedReportCount(cable.deviceInstance()) > 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
    }
    window.Panel2Click();
    QCoreApplication::processEvents();

    const std::size_t rows = window.state().cds1().rowCount();
    ASSERT_GE(rows, 1u);
    auto* grid = window.findChild<RecordGridView*>(QStringLiteral("DBGrid1"));
    EXPECT_EQ(grid->shownRowCount(), rows);
    EXPECT_EQ(grid->selectedRow(), rows - 1);
    EXPECT_TRUE(grid->rowFullyVisible(rows - 1));
    EXPECT_EQ(window.state().cds1().no(rows - 1), static_cast<int32_t>(rows));

    auto* chart = window.findChild<QCustomPlot*>(QStringLiteral("Chtshow"));
    // every decoded reading is a point (the sum-of-power view is not recorded)
    EXPECT_GE(chart->graph(0)->dataCount(), static_cast<int>(rows) + 1);
    EXPECT_EQ(chart->graph(1)->dataCount(), chart->graph(0)->dataCount());
    EXPECT_EQ(window.findChild<QToolButton*>(QStringLiteral("Bt10"))->text(), QStringLiteral("1"));
    saveSnapshot(window, QStringLiteral("main-window-recording"));
}

}  // namespace
