#include "record/ui/record_grid_view.h"

#include "record/record_sampling.h"
#include "meter/meter_reading.h"
#include "snapshot.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

class RecordGrid : public testing::Test {
protected:
    RecordGrid()
    {
        grid.setObjectName(QStringLiteral("DBGrid1"));
        grid.resize(357, 129);
        grid.setTable(&table);
        grid.show();
    }

    void offer(int count)
    {
        for (int i = 0; i < count; ++i) {
            MeterReading reading;
            reading.ValueText = std::to_string(1000 + offered);
            reading.UnitText = "KW";
            reading.VValueText = "231.4";
            reading.VUnitText = "v";
            reading.IValueText = "4.56";
            reading.IUnitText = "A";
            sampling.INDataToTable(1, reading, 10 * 3600 + offered);
            ++offered;
        }
    }

    RecordTable table;
    RecordSampling sampling{table};
    RecordGridView grid;
    int offered = 0;
};

TEST_F(RecordGrid, LooksAsLaidOut)
{
    const int widths[] = {35, 50, 48, 40, 51, 35, 51, 35};
    const char* titles[] = {"No", "Time", "Value", "Unit", "V_Value", "V_Unit", "I_Value", "I_Unit"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(grid.columnWidth(i), widths[i]);
        EXPECT_EQ(grid.horizontalHeader()->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
    }
    EXPECT_EQ(grid.font().pixelSize(), 11);
    EXPECT_EQ(grid.horizontalHeader()->font().pixelSize(), 12);
    EXPECT_EQ(RecordGridView::columns()[0].alignment & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(RecordGridView::columns()[1].alignment & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(RecordGridView::columns()[2].alignment & Qt::AlignLeft, Qt::AlignLeft);
}

TEST_F(RecordGrid, NewestRowIsSelectedInSightAndAFrozenGridCatchesUp)
{
    offer(40);
    EXPECT_EQ(grid.shownRowCount(), 40u);
    EXPECT_EQ(grid.selectedRow(), 39u);
    EXPECT_TRUE(grid.rowFullyVisible(39));
    EXPECT_FALSE(grid.rowFullyVisible(0));
    QApplication::processEvents();  // the scroll bars appear
    EXPECT_TRUE(grid.rowFullyVisible(39));
    saveSnapshot(grid, QStringLiteral("record_grid_40_rows"));

    table.freezeViews();
    offer(20);
    EXPECT_EQ(grid.shownRowCount(), 40u) << "frozen: the grid keeps its picture";
    EXPECT_EQ(grid.selectedRow(), 39u);
    table.releaseViews();
    EXPECT_EQ(grid.shownRowCount(), 60u);
    EXPECT_EQ(grid.selectedRow(), 59u);
    EXPECT_TRUE(grid.rowFullyVisible(59));

    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&grid, &up);
    EXPECT_EQ(table.currentRow(), 58u);
    EXPECT_EQ(grid.selectedRow(), 58u);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
    QApplication::sendEvent(&grid, &home);
    EXPECT_EQ(grid.selectedRow(), 0u);
    EXPECT_EQ(grid.firstVisibleRow(), 0u);
}

TEST_F(RecordGrid, EmptyingIsOneResetAndAFrozenClearIsSafeToPaint)
{
    offer(10);
    table.freezeViews();
    table.clear();
    grid.repaint();  // still the ten rows it followed; must not read past the emptied table
    EXPECT_EQ(grid.shownRowCount(), 10u);
    table.releaseViews();
    EXPECT_EQ(grid.shownRowCount(), 0u);
    EXPECT_EQ(grid.selectedRow(), std::nullopt);
    grid.repaint();
}

}  // namespace
