#include "chart/chart_panel_state.h"
#include "chart/memory_chart_engine.h"
#include "test_case_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ChartPanelState, FormCreateLeavesTheLayoutsStart)
{
    MemoryChartEngine chart;
    ChartPanelState panel;
    panel.ShowReading(3);
    panel.setMaxrecordText("7");
    panel.FormCreate(&chart);
    EXPECT_EQ(&panel.ChartControl().Chart(), &chart);
    EXPECT_EQ(panel.ChartControl().PageSize(), 100);
    EXPECT_EQ(chart.bottomAxisRange(), (ChartAxisRange{1, 100}));
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-11000, 11000}));
    EXPECT_EQ(chart.pointCount(), 1);
    EXPECT_EQ(panel.Bt10Caption(), "1");
    EXPECT_EQ(panel.MaxrecordText(), "100");
    EXPECT_TRUE(panel.BtFillChecked());
    EXPECT_FALSE(panel.Timer_rangeEnabled());
}

TEST(ChartPanelState, Bt10ShowsThePageOfReadingsAndPagingButNotOfAPageSizeChange)
{
    ChartPanelState panel;
    for (int i = 0; i < 149; ++i)
        panel.ShowReading(i);
    EXPECT_EQ(panel.Bt10Caption(), "2");
    EXPECT_EQ(panel.BtFirstClick(), 1);
    EXPECT_EQ(panel.Bt10Caption(), "1");
    EXPECT_EQ(panel.BTlastClick(), 2);
    EXPECT_EQ(panel.BTPreviousClick(), 1);
    EXPECT_EQ(panel.BtNextClick(), 2);
    EXPECT_EQ(panel.Bt10Caption(), "2");

    panel.setMaxrecordText("50");
    panel.Timer_rangeTimer();
    EXPECT_EQ(panel.ChartControl().CurrentPage(), 3);
    EXPECT_EQ(panel.Bt10Caption(), "2");
    panel.ShowReading(1);
    EXPECT_EQ(panel.Bt10Caption(), "3");
    panel.ShowReading(1);
    EXPECT_EQ(panel.Bt10Caption(), "4");
    EXPECT_EQ(panel.ChartControl().Chart().bottomAxisRange(), (ChartAxisRange{151, 200}));
}

struct TextCase {
    std::string name;
    std::string typed;
    std::string text;  // Maxrecord afterwards
    int32_t pageSize;
};

class PageSizeText : public testing::TestWithParam<TextCase> {};

TEST_P(PageSizeText, BecomesAPositiveWholeNumberWhenTheTimerFires)
{
    ChartPanelState panel;
    panel.setMaxrecordText(GetParam().typed);
    panel.Timer_rangeTimer();
    EXPECT_EQ(panel.MaxrecordText(), GetParam().text);
    EXPECT_EQ(panel.ChartControl().PageSize(), GetParam().pageSize);
    EXPECT_FALSE(panel.Timer_rangeEnabled());
}

INSTANTIATE_TEST_SUITE_P(ChartPanelState, PageSizeText,
                         testing::Values(TextCase{"fifty", "50", "50", 50},
                                         TextCase{"one", "1", "1", 1},
                                         TextCase{"leading zeros", "007", "7", 7},
                                         TextCase{"plus sign", "+25", "25", 25},
                                         TextCase{"empty", "", "100", 100},
                                         TextCase{"zero", "0", "100", 100},
                                         TextCase{"negative", "-5", "100", 100},
                                         TextCase{"letters", "12a", "100", 100},
                                         TextCase{"blanks", " 40", "100", 100},
                                         TextCase{"decimal", "2.5", "100", 100},
                                         TextCase{"beyond 32 bits", "99999999999", "100", 100},
                                         TextCase{"largest", "2147483647", "2147483647", 2147483647}),
                         CaseName());

TEST(ChartPanelState, TimerRangeRestartsOnEveryChangeAndStopsWhenItFires)
{
    ChartPanelState panel;
    panel.setMaxrecordText("100");  // unchanged: no change event
    EXPECT_FALSE(panel.Timer_rangeEnabled());
    panel.setMaxrecordText("1");
    EXPECT_TRUE(panel.Timer_rangeEnabled());
    EXPECT_EQ(panel.ChartControl().PageSize(), 100);  // not before the timer
    panel.setMaxrecordText("10");
    panel.Timer_rangeTimer();
    EXPECT_FALSE(panel.Timer_rangeEnabled());
    EXPECT_EQ(panel.ChartControl().PageSize(), 10);
    // Rewriting the text ("010" -> "10") changes it again, yet the timer stops.
    panel.setMaxrecordText("010");
    panel.Timer_rangeTimer();
    EXPECT_EQ(panel.MaxrecordText(), "10");
    EXPECT_FALSE(panel.Timer_rangeEnabled());
}

TEST(ChartPanelState, MaxrecordKeepsOnlyDigitsAndBackspace)
{
    for (int c = 0; c < 256; ++c) {
        const char key = static_cast<char>(c);
        const bool kept = (c >= '0' && c <= '9') || c == 8;
        EXPECT_EQ(ChartPanelState::MaxrecordKeyPress(key), kept) << c;
    }
}

TEST(ChartPanelState, FitValueAxisIsOffUntilTickedAndAgainOnANewChart)
{
    MemoryChartEngine chart;
    ChartPanelState panel;
    panel.FormCreate(&chart);
    EXPECT_FALSE(panel.fitValueAxisChecked());
    panel.ChartControl().SetValueMin(-1000);
    panel.ChartControl().SetValueMax(1000);
    panel.ShowReading(1200);
    EXPECT_EQ(panel.valueAxisRange(), (ChartAxisRange{-1000, 1000}));
    panel.fitValueAxisClick(true);
    EXPECT_TRUE(panel.fitValueAxisChecked());
    EXPECT_EQ(panel.valueAxisRange(), (ChartAxisRange{1140, 1260}));
    panel.fitValueAxisClick(false);
    EXPECT_EQ(panel.valueAxisRange(), (ChartAxisRange{-1000, 1000}));
    panel.fitValueAxisClick(true);
    panel.FormCreate(nullptr);
    EXPECT_FALSE(panel.fitValueAxisChecked());
}

TEST(ChartPanelState, FillBoxShowsAndHidesTheArea)
{
    ChartPanelState panel;
    const ChartEngine& chart = panel.ChartControl().Chart();
    panel.BtFillClick(false);
    EXPECT_FALSE(panel.BtFillChecked());
    EXPECT_FALSE(chart.areaVisible());
    panel.BtFillClick(true);
    EXPECT_TRUE(chart.areaVisible());
}

}  // namespace
