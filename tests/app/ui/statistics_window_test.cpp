// The statistics window: the figures of the table as it records, the
// limits of the main reading with the LCD panel's frame and the events.

#include "app/ui/main_window.h"
#include "app/ui/statistics_window.h"
#include "link/hid/hid_sim_platform.h"
#include "meter/reading_number.h"
#include "record/text_table_file.h"

#include "snapshot.h"
#include "wait_for.h"
#include "temp_folder.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

constexpr const char* kFrame = "000123422205105182075418DA";


template <class T> T* child(QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

}  // namespace

TEST(StatisticsWindow, ShowsTheFiguresAsRowsAreRecordedAndMarksALimitCrossed)
{
    TFrmTest window(std::make_shared<THidSimPlatform>());
    window.show();
    for (int i = 0; i < 3; ++i)
        window.ShowDataQ7(kFrame);
    window.findChild<QAction*>(QStringLiteral("StatisticsR"))->trigger();
    StatisticsWindow* statistics = window.statisticsWindow();
    ASSERT_NE(statistics, nullptr);
    EXPECT_TRUE(statistics->isVisible());
    EXPECT_FALSE(statistics->isModal());
    QTableWidget* figures = child<QTableWidget>(*statistics, "StatisticsTable");
    ASSERT_GE(figures->rowCount(), 1);
    EXPECT_EQ(figures->item(0, 0)->text(), QStringLiteral("Value"));
    EXPECT_EQ(figures->item(0, 2)->text(), QStringLiteral("3"));

    // A number that is none is refused, and nothing changes.
    child<QLineEdit>(*statistics, "HighLimit")->setText(QStringLiteral("high"));
    child<QPushButton>(*statistics, "ApplyLimits")->click();
    EXPECT_FALSE(child<QLabel>(*statistics, "LimitError")->text().isEmpty());
    EXPECT_FALSE(window.session().limits().any());

    // A high limit below the reading: the next one crosses it.
    const double value = *readingNumber(window.session().decoder().reading().ValueText);
    char high[32];
    std::snprintf(high, sizeof high, "%.3f", value - 0.1);
    child<QLineEdit>(*statistics, "HighLimit")->setText(QString::fromLatin1(high).replace(QLatin1Char('.'), QLatin1Char(',')));
    child<QPushButton>(*statistics, "ApplyLimits")->click();
    EXPECT_TRUE(child<QLabel>(*statistics, "LimitError")->text().isEmpty());
    ASSERT_TRUE(window.session().limits().high().has_value());
    EXPECT_NEAR(*window.session().limits().high(), value - 0.1, 1e-9);
    EXPECT_FALSE(window.limitMarked());
    window.ShowDataQ7(kFrame);
    EXPECT_TRUE(window.limitMarked());
    EXPECT_TRUE(child<QWidget>(window, "LimitFrame")->isVisible());
    EXPECT_EQ(child<QListWidget>(*statistics, "LimitEvents")->count(), 1);
    EXPECT_TRUE(child<QLabel>(*statistics, "LimitState")->text().contains(QStringLiteral("above")));
    EXPECT_EQ(figures->item(0, 2)->text(), QStringLiteral("4"));
    EXPECT_TRUE(child<QLabel>(*statistics, "StatisticsSummary")->text().startsWith(QStringLiteral("4 rows")));
    EXPECT_TRUE(statistics->copyText().contains(QStringLiteral("Limit events:")));
    EXPECT_TRUE(statistics->copyText().contains(QStringLiteral("crossed")));
    saveSnapshot(*statistics, QStringLiteral("statistics_window"));
    saveSnapshot(window, QStringLiteral("statistics_limit_frame"));

    // No limits: the frame goes.
    child<QLineEdit>(*statistics, "HighLimit")->clear();
    child<QPushButton>(*statistics, "ApplyLimits")->click();
    window.ShowDataQ7(kFrame);
    EXPECT_FALSE(window.limitMarked());
}

TEST(StatisticsWindow, ALoadOfManyRowsIsCountedOnceOffTheMainThread)
{
    TempFolder folder;
    const std::string path = folder.file("day.txt");
    {
        std::ofstream out(path, std::ios::binary);
        out << TextTableFile::header();
        for (int no = 1; no <= 20000; ++no)
            out << no << "\t08:00:" << (no % 2 ? "00" : "01") << "\t1.5\tKW\t230.0\tv\t06.50\tA\r\n";
    }
    TFrmTest window(std::make_shared<THidSimPlatform>());
    window.show();
    window.StatisticsRClick();
    window.ShowDataQ7(kFrame);
    window.session().recordFiles().OpenClick(path);
    ASSERT_TRUE(waitFor([&] {
        return !window.session().recordFiles().busy() && !window.session().statisticsPending() &&
               window.session().statistics().rows() == 20001;
    })) << "rows " << window.session().cds1().rowCount() << " counted " << window.session().statistics().rows()
        << " pending " << window.session().statisticsPending() << " busy " << window.session().recordFiles().busy();
    const RecordStatistics& statistics = window.session().statistics();
    EXPECT_EQ(statistics.groups(),
              RecordStatistics::of(window.session().cds1(), window.session().cds1().rowCount()).groups());
    ASSERT_TRUE(waitFor([&] {
        return window.statisticsWindow()->findChild<QLabel*>(QStringLiteral("StatisticsSummary"))
            ->text()
            .startsWith(QStringLiteral("20001 rows"));
    }));
}

// The chart's own menu in the window: "Fit vertical axis to readings" fits
// the value axis to the readings of the page, and unticked gives the
// fixed range back.
TEST(ChartFit, TheWindowsChartFitsItsValueAxisWhenTicked)
{
    TFrmTest window(std::make_shared<THidSimPlatform>());
    window.show();
    for (int i = 0; i < 3; ++i)
        window.ShowDataQ7(kFrame);
    QAction* fit = window.findChild<QAction*>(QStringLiteral("FitValueAxis"));
    ASSERT_NE(fit, nullptr);
    EXPECT_TRUE(fit->isCheckable());
    EXPECT_FALSE(window.session().chart().fitValueAxisChecked());
    const auto fixed = window.session().chart().valueAxisRange();
    fit->trigger();
    EXPECT_TRUE(window.session().chart().fitValueAxisChecked());
    const auto fitted = window.session().chart().valueAxisRange();
    const double value = *readingNumber(window.session().decoder().reading().ValueText);
    EXPECT_LT(fitted.min, value);
    EXPECT_GT(fitted.max, value);
    EXPECT_LT(fitted.max - fitted.min, fixed.max - fixed.min);
    QCoreApplication::processEvents();
    saveSnapshot(window, QStringLiteral("chart_fitted_window"));
    fit->trigger();
    EXPECT_EQ(window.session().chart().valueAxisRange().min, fixed.min);
    EXPECT_EQ(window.session().chart().valueAxisRange().max, fixed.max);
}
