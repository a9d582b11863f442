#include "chart/chart_panel_state.h"
#include "chart/ui/chart_context_menu.h"
#include "chart/ui/chart_look.h"
#include "chart/ui/qcustomplot_chart_engine.h"
#include "chart/value_axis_fit.h"
#include "snapshot.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include <memory>
#include <optional>

namespace {

/// The window's chart at its place with its panel state and its menu.
struct FittedChart {
    FittedChart()
    {
        window.resize(739, 503);
        plot = new QCustomPlot(&window);
        plot->setGeometry(364, 208, 371, 265);
        applyChartLook(*plot);
        engine.emplace(*plot);
        panel.FormCreate(&*engine);
        menu = std::make_unique<ChartContextMenu>(*plot, panel);
        panel.ChartControl().SetValueMin(-1000);
        panel.ChartControl().SetValueMax(1000);
        window.show();
    }

    /// A right click in the middle of the chart.
    QMenu* rightClick()
    {
        const QPoint at = plot->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, plot->mapToGlobal(at));
        QCoreApplication::sendEvent(plot, &event);
        return menu->ChartMenu();
    }

    QWidget window;
    QCustomPlot* plot;
    std::optional<QCustomPlotChartEngine> engine;
    ChartPanelState panel;
    std::unique_ptr<ChartContextMenu> menu;
};

TEST(ChartContextMenu, ARightClickOffersTheFitAndItsTickFitsTheAxis)
{
    FittedChart chart;
    // A 1.2 kW load, drawn flat on zero in the unit's range.
    for (int i = 0; i < 80; ++i)
        chart.panel.ShowReading(1200 + 100 * ((i / 10) % 3));
    EXPECT_EQ(chart.plot->yAxis->range(), QCPRange(-1000, 1000));
    chart.plot->replot(QCustomPlot::rpImmediateRefresh);
    saveSnapshot(*chart.plot, QStringLiteral("chart_not_fitted"));

    QMenu* menu = chart.rightClick();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("ChartMenu"));
    EXPECT_TRUE(menu->isVisible());
    QAction* fit = menu->findChild<QAction*>(QStringLiteral("FitValueAxis"));
    ASSERT_EQ(fit, chart.menu->FitValueAxis());
    EXPECT_EQ(fit->text(), QStringLiteral("Fit vertical axis to readings"));
    EXPECT_TRUE(fit->isCheckable());
    EXPECT_FALSE(fit->isChecked());

    fit->trigger();
    menu->hide();
    EXPECT_TRUE(chart.panel.fitValueAxisChecked());
    const QCPRange fitted = chart.plot->yAxis->range();
    EXPECT_EQ(fitted, QCPRange(1190, 1410));
    // New readings on the page widen it.
    chart.panel.ShowReading(1600);
    EXPECT_EQ(chart.plot->yAxis->range(), QCPRange(1180, 1620));
    chart.plot->replot(QCustomPlot::rpImmediateRefresh);
    saveSnapshot(*chart.plot, QStringLiteral("chart_fitted"));

    EXPECT_TRUE(chart.rightClick()->isVisible());
    EXPECT_TRUE(fit->isChecked());
    fit->trigger();
    chart.menu->ChartMenu()->hide();
    EXPECT_FALSE(chart.panel.fitValueAxisChecked());
    EXPECT_EQ(chart.plot->yAxis->range(), QCPRange(-1000, 1000));
}

TEST(ChartContextMenu, TheMenuShowsTheStateItWasGivenWhenItOpens)
{
    FittedChart chart;
    chart.panel.fitValueAxisClick(true);
    EXPECT_TRUE(chart.rightClick()->isVisible());
    EXPECT_TRUE(chart.menu->FitValueAxis()->isChecked());
    chart.menu->ChartMenu()->hide();
    chart.panel.FormCreate(&*chart.engine);
    chart.rightClick();
    EXPECT_FALSE(chart.menu->FitValueAxis()->isChecked());
    chart.menu->ChartMenu()->hide();
}

// The fitted range lies wholly below the unit's: the axis must not swap the
// ends it is given on the way back.
TEST(ChartContextMenu, EndingTheFitBelowTheUnitsRangeGivesItBackWhole)
{
    FittedChart chart;
    chart.panel.fitValueAxisClick(true);
    for (int i = 0; i < 20; ++i)
        chart.panel.ShowReading(-1300 + i);
    const ChartAxisRange fitted = chart.engine->valueAxisRange();
    EXPECT_LT(fitted.max, -1000);
    chart.panel.fitValueAxisClick(false);
    EXPECT_EQ(chart.plot->yAxis->range(), QCPRange(-1000, 1000));
    // And from above.
    chart.panel.ChartControl().ClearChart();
    chart.panel.fitValueAxisClick(true);
    for (int i = 0; i < 20; ++i)
        chart.panel.ShowReading(3000 + i);
    chart.panel.fitValueAxisClick(false);
    EXPECT_EQ(chart.plot->yAxis->range(), QCPRange(-1000, 1000));
}

}  // namespace
