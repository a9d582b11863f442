#pragma once

#include "record/record_table.h"

#include <QAbstractScrollArea>

#include <algorithm>
#include <optional>
#include <span>

class QHeaderView;
class QLabel;
class QStandardItemModel;

/// The record grid DBGrid1: a read-only view of a RecordTable, one row
/// selected (the table's current row), fixed 17-px rows at index x 17,
/// column titles that the user may resize, keyboard and wheel scrolling.
/// It paints only the rows in sight, so its cost does not depend on how many
/// rows the table holds. It shows the table as of the last change it heard
/// of: while the table's views are frozen it keeps its picture and catches
/// up on release; an emptied or replaced table is one reset.
///
/// It follows the newest row (selects it and scrolls it into view as it is
/// recorded) until the user moves away from it: scrolls up by wheel, keys,
/// the scroll bar or its handle, or selects another row. Then it stays where
/// the user is, so rows can be read while recording goes on, and the hint
/// "FollowHint" in its lower right corner counts the rows recorded since.
/// The table's current row still moves on to each new row; only the grid's
/// selection and scroll position stay. Scrolling back to the end, selecting
/// the newest row (Ctrl+End, a click) or clicking the hint follows again. An
/// emptied, replaced or newly set table is followed from the start.
class RecordGridView : public QAbstractScrollArea, private RecordTableListener {
    Q_OBJECT

public:
    /// A column of the grid, in the fields' order.
    struct Column {
        const char* title;
        int width;  ///< [px]
        Qt::Alignment alignment;
    };
    /// No, Time, Value, Unit, V_Value, V_Unit, I_Value, I_Unit.
    static std::span<const Column> columns();
    /// Row height [px]; fixed, never fitted to the contents.
    static constexpr int kRowHeight = 17;

    explicit RecordGridView(QWidget* parent = nullptr);
    ~RecordGridView() override;

    /// Shows @p table (nullptr: none); the grid listens to it until another
    /// table is set or the grid goes. The table must outlive the binding.
    void setTable(RecordTable* table);
    RecordTable* table() const { return table_; }

    /// Gives every column its laid-out width again.
    void applyRecordGridColumns();
    int columnWidth(int column) const;

    /// Rows the grid shows (the table's rows at the last change it followed).
    std::size_t shownRowCount() const { return rows_.rowCount(); }
    /// The selected row, none when the table is empty. While the grid does
    /// not follow, the row the user chose, which the table's current row
    /// has moved on from.
    std::optional<std::size_t> selectedRow() const { return selected_; }

    /// Whether the next new row is selected and scrolled into view.
    bool following() const { return following_; }
    /// Rows recorded since the grid stopped following; 0 while it follows.
    std::size_t rowsNotFollowed() const
    {
        return following_ ? 0 : rows_.rowCount() - std::min(rows_.rowCount(), leftAtRowCount_);
    }
    /// Follows again: selects the newest row and scrolls it into view.
    void followNewest();

    /// First row in sight and how many rows fit (partly visible included).
    std::size_t firstVisibleRow() const;
    int visibleRowCount() const;
    /// Whether row @p row lies wholly in sight.
    bool rowFullyVisible(std::size_t row) const;

    QHeaderView* horizontalHeader() const { return titles_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recordTableChanged(const RecordTableChange& change) override;
    void follow(std::optional<std::size_t> current);
    void updateScrollBars();
    void layoutTitles();
    void scrollTo(std::size_t row);
    void moveCurrent(std::ptrdiff_t delta, bool toEnd = false, bool toStart = false);
    /// The user chose @p row: it becomes the table's current row and the
    /// grid's selection, and the grid follows only if it is the newest.
    void choose(std::size_t row);
    /// Follows or stops; stopping counts the new rows from here.
    void setFollowing(bool following);
    void userScrolled(int value);
    /// Moves the vertical scroll bar as the grid's own doing, which the
    /// user's scrolling is told apart from.
    void setFirstRow(int value);
    void updateFollowHint();
    void placeFollowHint();
    std::optional<std::size_t> rowAt(int y) const;
    int fullyVisibleRows() const;
    int totalWidth() const;

    RecordTable* table_ = nullptr;
    RecordTableReader rows_;
    std::optional<std::size_t> selected_;
    bool following_ = true;
    /// Rows shown when the grid stopped following.
    std::size_t leftAtRowCount_ = 0;
    /// Set while the grid moves or re-ranges its own scroll bar.
    bool ownScroll_ = false;
    QHeaderView* titles_ = nullptr;
    QStandardItemModel* titleModel_ = nullptr;
    QLabel* followHint_ = nullptr;
};
