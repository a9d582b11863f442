#include "app/ui/main_window.h"
#include "link/sim/simulated_cable.h"
#include "meter/ui/bevel_panel.h"
#include "record/ui/record_grid_view.h"
#include "snapshot.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QProgressBar>
#include <QTemporaryDir>
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

    // The warning of the delete command waits for its answer while readings
    // go on being recorded; Cancel keeps them all, OK deletes them all.
    window.RecordSITimeChange(QStringLiteral("0"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(openBoxes(window).isEmpty());
    live.stream(1000);
    const std::size_t before = session.cds1().rowCount();
    ASSERT_GE(before, 1u);
    window.ClearRClick();
    QCoreApplication::processEvents();
    ASSERT_EQ(openBoxes(window).size(), 1);
    QMessageBox* warning = openBoxes(window).front();
    EXPECT_EQ(warning->text(), QStringLiteral(" Warning:all Records will be deleted! "));
    live.stream(3000);
    const std::size_t rows = session.cds1().rowCount();
    EXPECT_GE(rows, before + 3);
    EXPECT_EQ(session.cds1().no(0), 1);
    ASSERT_EQ(openBoxes(window).size(), 1);
    warning->button(QMessageBox::Cancel)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(openBoxes(window).isEmpty());
    EXPECT_EQ(session.cds1().rowCount(), rows);

    window.ClearRClick();
    QCoreApplication::processEvents();
    ASSERT_EQ(openBoxes(window).size(), 1);
    openBoxes(window).front()->button(QMessageBox::Ok)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(session.cds1().empty());
    EXPECT_EQ(chart.pointCount(), 1);
    live.stream(2000);
    ASSERT_GE(session.cds1().rowCount(), 1u);
    EXPECT_EQ(session.cds1().no(0), 1);

    window.Panel2Click();
}

// The status bar on a live meter: the link, the rows against the limit,
// the rule, the journal and the time of the last row, and the notice once
// the limit stopped recording, until the limit is raised.
TEST(LiveMeter, StatusBarFollowsTheMeter)
{
    QTemporaryDir journals;
    LiveWindow live(3);
    TFrmTest& window = live.window();
    window.show();
    MeterSession& session = window.session();
    session.setTimeOfDay([] { return 9 * 3600 + 41 * 60 + 7; });
    const auto field = [&](const char* name) { return window.findChild<QLabel*>(QString::fromLatin1(name)); };
    for (const char* name : {"StatusLink", "StatusRows", "StatusRule", "StatusJournal", "StatusLastRow"})
        ASSERT_NE(field(name), nullptr) << name;
    EXPECT_EQ(field("StatusLink")->text(), QStringLiteral("Not connected"));
    EXPECT_EQ(field("StatusRows")->text(), QStringLiteral("Rows 0 / 10000"));
    EXPECT_EQ(field("StatusRule")->text(), QStringLiteral("Repeat on, interval off"));
    EXPECT_EQ(field("StatusJournal")->text(), QStringLiteral("Journal off"));
    EXPECT_EQ(field("StatusLastRow")->text(), QStringLiteral("Last row \u2014"));
    const QColor normal = field("StatusRows")->palette().color(QPalette::WindowText);
    ASSERT_EQ(session.startJournal(journals.path().toStdString()), "");
    window.renderStatus();
    const QString journal = QFile::decodeName(QByteArray::fromStdString(session.journalState().path));
    EXPECT_EQ(field("StatusJournal")->text(), QStringLiteral("Journal: ") + QFileInfo(journal).fileName());
    EXPECT_TRUE(field("StatusJournal")->toolTip().endsWith(journal));

    ASSERT_TRUE(live.connect());
    window.findChild<QAction*>(QStringLiteral("set1k"))->trigger();
    session.sampling().setRecordLimit(3);  // as the command line's --limit would
    live.stream(6000, [&] { return session.sampling().limitReached(); });
    ASSERT_TRUE(session.sampling().limitReached());
    EXPECT_EQ(field("StatusLink")->text(), QStringLiteral("Connected, reading"));
    EXPECT_EQ(field("StatusRows")->text(), QStringLiteral("Record limit 3 reached: recording stopped"));
    EXPECT_EQ(field("StatusRows")->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(field("StatusLastRow")->text(), QStringLiteral("Last row 09:41:07"));
    QCoreApplication::processEvents();  // the fields' new widths
    saveSnapshot(window, QStringLiteral("main-window-status-limit"));

    window.findChild<QAction*>(QStringLiteral("set10k"))->trigger();
    EXPECT_EQ(field("StatusRows")->text(), QStringLiteral("Rows 3 / 10000"));
    EXPECT_EQ(field("StatusRows")->palette().color(QPalette::WindowText), normal);
    window.findChild<QCheckBox*>(QStringLiteral("RecordSI"))->click();
    EXPECT_EQ(field("StatusRule")->text(), QStringLiteral("Repeat on, interval 10 s"));
    live.stream(1000);
    QCoreApplication::processEvents();
    saveSnapshot(window, QStringLiteral("main-window-status-bar"));

    window.Panel2Click();
    EXPECT_EQ(field("StatusLink")->text(), QStringLiteral("Not connected"));
}

}  // namespace
