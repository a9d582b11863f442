#include "record/ui/record_grid_view.h"

#include "record/record_sampling.h"
#include "meter/meter_reading.h"
#include "snapshot.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

/// A grid showing a table that the sampling records into.
struct RecordedGrid {
    RecordedGrid()
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

    /// One notch of the mouse wheel over the rows per step; up for > 0.
    void wheel(int notches)
    {
        for (int i = 0; i < std::abs(notches); ++i) {
            const QPointF at(20, 20);
            QWheelEvent event(at, grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(grid.viewport(), &event);
        }
    }

    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&grid, &event);
    }

    /// Presses the left button on @p widget at @p at (its own coordinates).
    static void click(QWidget* widget, QPoint at)
    {
        QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    /// Clicks row @p row, which is in sight, in its No cell.
    void clickRow(std::size_t row)
    {
        const int line = static_cast<int>(row - grid.firstVisibleRow());
        click(grid.viewport(), QPoint(10, line * RecordGridView::kRowHeight + 8));
    }

    /// Drags the scroll bar's handle to @p value.
    void drag(int value)
    {
        QScrollBar* bar = grid.verticalScrollBar();
        bar->setSliderDown(true);
        bar->setSliderPosition(value);
        bar->setSliderDown(false);
    }

    QLabel* hint() const { return grid.findChild<QLabel*>(QStringLiteral("FollowHint")); }
    /// The hint's text, empty while it is hidden.
    QString hintText() const { return hint()->isVisible() ? hint()->text() : QString(); }

    RecordTable table;
    RecordSampling sampling{table};
    RecordGridView grid;
    int offered = 0;
};

class RecordGrid : public testing::Test, protected RecordedGrid {};

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

namespace {

struct Way {
    const char* name;
    std::function<void(RecordedGrid&)> act;
};

// However the user moves away from the newest row, the grid stays where it
// was taken while rows are recorded, and says how many came meanwhile; the
// table's current row moves on as before.
TEST(RecordGridFollowing, MovingAwayStopsFollowingAndTheHintCountsTheNewRows)
{
    const Way ways[] = {
        {"the wheel up", [](RecordedGrid& g) { g.wheel(1); }},
        {"the scroll bar's handle dragged up", [](RecordedGrid& g) { g.drag(10); }},
        {"a click in the scroll bar's trough",
         [](RecordedGrid& g) { g.grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub); }},
        {"the key Up", [](RecordedGrid& g) { g.key(Qt::Key_Up); }},
        {"the key Page Up", [](RecordedGrid& g) { g.key(Qt::Key_PageUp); }},
        {"Ctrl+Home", [](RecordedGrid& g) { g.key(Qt::Key_Home, Qt::ControlModifier); }},
        {"a click on a row above", [](RecordedGrid& g) { g.clickRow(g.grid.firstVisibleRow() + 1); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        RecordedGrid g;
        g.offer(40);
        QApplication::processEvents();  // the scroll bars appear
        ASSERT_TRUE(g.grid.following());
        ASSERT_EQ(g.hintText(), QString());

        way.act(g);
        EXPECT_FALSE(g.grid.following());
        EXPECT_EQ(g.hintText(), QStringLiteral("Not following the newest row"));
        const std::optional<std::size_t> selected = g.grid.selectedRow();
        const std::size_t first = g.grid.firstVisibleRow();

        g.offer(1);
        EXPECT_EQ(g.hintText(), QStringLiteral("Not following: 1 new row"));
        g.offer(4);
        EXPECT_EQ(g.grid.shownRowCount(), 45u);
        EXPECT_EQ(g.table.currentRow(), 44u) << "the table's current row moves on";
        EXPECT_EQ(g.grid.selectedRow(), selected);
        EXPECT_EQ(g.grid.firstVisibleRow(), first);
        EXPECT_FALSE(g.grid.rowFullyVisible(44));
        EXPECT_EQ(g.grid.rowsNotFollowed(), 5u);
        EXPECT_EQ(g.hintText(), QStringLiteral("Not following: 5 new rows"));
        g.grid.repaint();
    }
}

// Back at the end, by whatever way, the grid selects the newest row, shows
// it and follows on.
TEST(RecordGridFollowing, BackAtTheEndItFollowsAgain)
{
    const Way ways[] = {
        {"the wheel down to the end",
         [](RecordedGrid& g) {
             for (int i = 0; i < 30 && !g.grid.following(); ++i)
                 g.wheel(-1);
         }},
        {"the handle dragged to the end", [](RecordedGrid& g) { g.drag(g.grid.verticalScrollBar()->maximum()); }},
        {"Ctrl+End", [](RecordedGrid& g) { g.key(Qt::Key_End, Qt::ControlModifier); }},
        {"Page Down onto the newest row", [](RecordedGrid& g) { g.key(Qt::Key_PageDown); }},
        {"a click on the hint", [](RecordedGrid& g) { RecordedGrid::click(g.hint(), QPoint(5, 5)); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        RecordedGrid g;
        g.offer(40);
        QApplication::processEvents();
        g.wheel(2);
        g.offer(5);
        ASSERT_FALSE(g.grid.following());
        ASSERT_EQ(g.grid.selectedRow(), 39u);

        way.act(g);
        EXPECT_TRUE(g.grid.following());
        EXPECT_EQ(g.hintText(), QString());
        EXPECT_EQ(g.grid.rowsNotFollowed(), 0u);
        EXPECT_EQ(g.grid.selectedRow(), 44u);
        EXPECT_EQ(g.table.currentRow(), 44u);
        EXPECT_TRUE(g.grid.rowFullyVisible(44));

        g.offer(1);
        EXPECT_EQ(g.grid.selectedRow(), 45u);
        EXPECT_TRUE(g.grid.rowFullyVisible(45));
    }
}

// With every row in sight there is nothing to scroll: choosing a row above
// is what stops the following, and choosing the newest row (which the table
// has made current already) follows again.
TEST(RecordGridFollowing, ChoosingRowsWhenAllAreInSight)
{
    RecordedGrid g;
    g.offer(3);
    ASSERT_EQ(g.grid.verticalScrollBar()->maximum(), 0);
    g.clickRow(0);
    EXPECT_FALSE(g.grid.following());
    g.offer(1);
    EXPECT_EQ(g.table.currentRow(), 3u);
    EXPECT_EQ(g.grid.selectedRow(), 0u);
    EXPECT_EQ(g.hintText(), QStringLiteral("Not following: 1 new row"));

    g.clickRow(3);
    EXPECT_TRUE(g.grid.following());
    EXPECT_EQ(g.grid.selectedRow(), 3u);
    EXPECT_EQ(g.hintText(), QString());
    g.offer(1);
    EXPECT_EQ(g.grid.selectedRow(), 4u);

    // The keys too: Up leaves the newest row, Down comes back to it.
    g.key(Qt::Key_Up);
    g.offer(1);
    EXPECT_EQ(g.grid.selectedRow(), 3u);
    g.key(Qt::Key_Down);
    EXPECT_FALSE(g.grid.following()) << "row 4 is no longer the newest";
    g.key(Qt::Key_Down);
    EXPECT_TRUE(g.grid.following());
    EXPECT_EQ(g.grid.selectedRow(), 5u);
}

// Rows that come while the views are frozen are counted like the others;
// an emptied table is followed from the start.
TEST(RecordGridFollowing, AFrozenGridCountsOnAndAnEmptiedTableIsFollowed)
{
    RecordedGrid g;
    g.offer(40);
    QApplication::processEvents();
    g.wheel(3);
    const std::size_t first = g.grid.firstVisibleRow();
    g.table.freezeViews();
    g.offer(7);
    g.table.releaseViews();
    EXPECT_EQ(g.grid.shownRowCount(), 47u);
    EXPECT_EQ(g.grid.firstVisibleRow(), first);
    EXPECT_EQ(g.hintText(), QStringLiteral("Not following: 7 new rows"));
    saveSnapshot(g.grid, QStringLiteral("record_grid_not_following"));

    g.table.clear();
    EXPECT_TRUE(g.grid.following());
    EXPECT_EQ(g.hintText(), QString());
    g.offer(12);
    EXPECT_EQ(g.grid.selectedRow(), 11u);
    EXPECT_TRUE(g.grid.rowFullyVisible(11));
}

}  // namespace
