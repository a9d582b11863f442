#include "chart/chart_control.h"
#include "chart/ui/chart_enlarger.h"
#include "chart/ui/chart_look.h"
#include "chart/ui/chart_picture.h"
#include "chart/ui/qcustomplot_chart_engine.h"
#include "snapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include <optional>

namespace {

const QColor kArea(255, 255, 128);

/// The main window's client with the chart in its place and its two pictures.
struct ChartWindow {
    ChartWindow()
    {
        window.resize(739, 503);
        plot = new QCustomPlot(&window);
        plot->setGeometry(364, 208, 371, 265);
        applyChartLook(*plot);
        TbFd = new QWidget(plot);
        TbSx = new QWidget(plot);
        TbFd->setGeometry(334, 3, 25, 25);
        TbSx->setGeometry(334, 3, 25, 25);
        TbSx->hide();
        engine.emplace(*plot);
        control.emplace(*engine, 100);
        control->SetValueMin(-1000);
        control->SetValueMax(1000);
    }

    /// A wave that stays above zero, so the area under it is plain to see.
    void addReadings(int count)
    {
        for (int i = 0; i < count; ++i)
            control->AddPoint(300 + 250 * ((i / 10) % 3));
    }

    QImage picture()
    {
        plot->replot(QCustomPlot::rpImmediateRefresh);
        return plot->toPixmap(plot->width(), plot->height(), 1.0).toImage();
    }

    QWidget window;
    QCustomPlot* plot;
    QWidget* TbFd;
    QWidget* TbSx;
    std::optional<QCustomPlotChartEngine> engine;
    std::optional<TChartControl> control;
};

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    return count;
}

/// Pixels of the chartreuse line, smoothed edges included: green high,
/// red about half, blue low (neither the yellow area nor the grey grid).
int linePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.green() > 200 && c.red() > 80 && c.red() < 180 && c.blue() < 100;
        }
    return count;
}

TEST(ChartEngineOnQCustomPlot, BothSeriesDrawFromOneContainerOfPointNumbers)
{
    ChartWindow chart;
    chart.addReadings(150);
    EXPECT_EQ(chart.plot->graph(0)->data(), chart.plot->graph(1)->data());
    EXPECT_EQ(chart.plot->graph(0)->data(), chart.engine->data());
    ASSERT_EQ(chart.plot->graph(1)->dataCount(), 151);
    EXPECT_EQ(chart.plot->graph(0)->data()->at(150)->key, 150);
    EXPECT_EQ(chart.engine->smallestX(), 0);
    EXPECT_EQ(chart.engine->largestX(), 150);
    EXPECT_EQ(chart.plot->xAxis->range(), QCPRange(101, 200));
    EXPECT_EQ(chart.plot->yAxis->range(), QCPRange(-1000, 1000));
    chart.control->ClearChart();
    EXPECT_EQ(chart.plot->graph(1)->dataCount(), 1);
    EXPECT_EQ(chart.plot->xAxis->range(), QCPRange(1, 100));
}

TEST(ChartEngineOnQCustomPlot, APageOfOnePointStillShowsIt)
{
    ChartWindow chart;
    chart.addReadings(5);
    chart.control->SetPageSize(1);
    EXPECT_EQ(chart.engine->bottomAxisRange(), (ChartAxisRange{5, 5}));
    EXPECT_EQ(chart.plot->xAxis->range(), QCPRange(4.5, 5.5));
    chart.control->PriorPage();
    EXPECT_EQ(chart.engine->bottomAxisRange(), (ChartAxisRange{4, 4}));
    EXPECT_EQ(chart.plot->xAxis->range(), QCPRange(3.5, 4.5));
}

TEST(ChartEngineOnQCustomPlot, DrawsTheAreaUnderTheLineAndHidingTheFillLeavesTheLine)
{
    ChartWindow chart;
    chart.addReadings(80);
    const QImage filled = chart.picture();
    saveSnapshot(*chart.plot, QStringLiteral("chart_first_page"));
    EXPECT_GT(pixelsOf(filled, kArea), 2000);
    EXPECT_GT(linePixels(filled), 100);

    chart.control->SetFill(false);
    const QImage bare = chart.picture();
    EXPECT_EQ(pixelsOf(bare, kArea), 0);
    EXPECT_GT(linePixels(bare), 100);

    chart.control->SetFill(true);
    EXPECT_GT(pixelsOf(chart.picture(), kArea), 2000);
}

TEST(ChartEngineOnQCustomPlot, ALaterPageShowsOnlyItsPoints)
{
    ChartWindow chart;
    chart.addReadings(230);
    const QImage last = chart.picture();
    saveSnapshot(*chart.plot, QStringLiteral("chart_later_page"));
    // Page 3 holds 30 readings: the area stops a good way short of the right edge.
    ASSERT_EQ(chart.plot->xAxis->range(), QCPRange(201, 300));
    const int rightQuarter = static_cast<int>(chart.plot->xAxis->coordToPixel(240));
    int areaRight = 0;
    for (int y = 0; y < last.height(); ++y)
        for (int x = rightQuarter; x < last.width(); ++x)
            areaRight += last.pixelColor(x, y).rgb() == kArea.rgb();
    EXPECT_EQ(areaRight, 0);
    EXPECT_GT(pixelsOf(last, kArea), 500);
}

TEST(ChartEnlarger, EnlargesOverTheWindowAndRestoresTheBounds)
{
    ChartWindow chart;
    ChartEnlarger enlarger(chart.window, *chart.plot, *chart.TbFd, *chart.TbSx);
    enlarger.TbSxClick();
    EXPECT_EQ(chart.plot->geometry(), QRect(2, 30, 739 - 12, 503 - 75));
    EXPECT_TRUE(chart.TbFd->isHidden());
    EXPECT_FALSE(chart.TbSx->isHidden());
    EXPECT_EQ(enlarger.SavedChartBounds(), QRect(364, 208, 371, 265));
    EXPECT_TRUE(enlarger.enlarged());
    chart.addReadings(120);
    saveSnapshot(*chart.plot, QStringLiteral("chart_enlarged"));

    enlarger.TbSxClick();
    EXPECT_EQ(chart.plot->geometry(), QRect(364, 208, 371, 265));
    EXPECT_FALSE(chart.TbFd->isHidden());
    EXPECT_TRUE(chart.TbSx->isHidden());
    EXPECT_FALSE(enlarger.enlarged());
}

TEST(ChartPicture, WritesABitmapAtTheChartsCurrentSize)
{
    QTemporaryDir folder;
    ChartWindow chart;
    chart.addReadings(40);
    ChartEnlarger enlarger(chart.window, *chart.plot, *chart.TbFd, *chart.TbSx);
    for (const QSize size : {QSize(371, 265), QSize(727, 428)}) {
        const QString file = folder.filePath(QStringLiteral("chart.bmp"));
        ASSERT_EQ(writeChartPicture(chartPicture(*chart.plot), file), QString());
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.read(2), QByteArray("BM"));
        const QImage image(file, "BMP");
        EXPECT_EQ(image.size(), size);
        EXPECT_GT(pixelsOf(image, kArea), 1000);
        enlarger.TbSxClick();
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("chart.bmp")});
    EXPECT_EQ(chartSavedMessage(QStringLiteral("/tmp/a.bmp")), QStringLiteral("Graphic has saved on /tmp/a.bmp"));
}

TEST(ChartPicture, AFailedSaveNamesTheFileAndLeavesNoPicture)
{
    QTemporaryDir folder;
    ChartWindow chart;
    const QString missingFolder = folder.filePath(QStringLiteral("no such folder/chart.bmp"));
    const QString error = writeChartPicture(chartPicture(*chart.plot), missingFolder);
    EXPECT_TRUE(error.contains(missingFolder)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missingFolder));

    // A full disk: the write fails and is reported, the device stays a device.
    const QString full = QStringLiteral("/dev/full");
    if (QFileInfo(full).exists()) {
        const QString diskFull = writeChartPicture(chartPicture(*chart.plot), full);
        EXPECT_TRUE(diskFull.contains(full)) << diskFull.toStdString();
        EXPECT_FALSE(QFileInfo(full).isFile());
    }

    // A folder under the chosen name is not replaced.
    const QString folderName = folder.filePath(QStringLiteral("taken"));
    QDir().mkpath(folderName);
    EXPECT_FALSE(writeChartPicture(chartPicture(*chart.plot), folderName).isEmpty());
    EXPECT_TRUE(QFileInfo(folderName).isDir());
}

}  // namespace
