#include "record/ui/record_grid_view.h"

#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <array>

namespace {

constexpr Qt::Alignment kDefault = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

const std::array kColumns{
    RecordGridView::Column{"No", 35, kRight},      RecordGridView::Column{"Time", 50, kRight},
    RecordGridView::Column{"Value", 48, kDefault}, RecordGridView::Column{"Unit", 40, kDefault},
    RecordGridView::Column{"V_Value", 51, kDefault}, RecordGridView::Column{"V_Unit", 35, kDefault},
    RecordGridView::Column{"I_Value", 51, kDefault}, RecordGridView::Column{"I_Unit", 35, kDefault},
};

// Text inset of a cell, as the item views draw it [px].
constexpr int kCellMargin = 3;
// Gap between the follow hint and the viewport's edges [px].
constexpr int kHintInset = 2;

/// Sets a flag for as long as it lives.
class FlagSet {
public:
    explicit FlagSet(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~FlagSet() { flag_ = before_; }
    FlagSet(const FlagSet&) = delete;
    FlagSet& operator=(const FlagSet&) = delete;

private:
    bool& flag_;
    const bool before_;
};

QFont arialPixels(int pixels)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    // Set every style bit, so none is inherited from the window's own font.
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

}  // namespace

std::span<const RecordGridView::Column> RecordGridView::columns() { return kColumns; }

RecordGridView::RecordGridView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setFont(arialPixels(11));
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(1);

    titleModel_ = new QStandardItemModel(0, static_cast<int>(kColumns.size()), this);
    titleModel_->setObjectName(QStringLiteral("DataSource1"));
    QStringList titles;
    for (const Column& column : kColumns)
        titles << QString::fromLatin1(column.title);
    titleModel_->setHorizontalHeaderLabels(titles);

    titles_ = new QHeaderView(Qt::Horizontal, this);
    titles_->setModel(titleModel_);
    titles_->setFont(arialPixels(12));
    QPalette palette = titles_->palette();
    palette.setColor(QPalette::ButtonText, Qt::black);
    titles_->setPalette(palette);
    titles_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles_->setMinimumSectionSize(1);
    titles_->setSectionResizeMode(QHeaderView::Interactive);
    titles_->setStretchLastSection(false);
    titles_->setHighlightSections(false);
    titles_->setSectionsClickable(false);
    titles_->setFocusPolicy(Qt::NoFocus);
    connect(titles_, &QHeaderView::sectionResized, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &RecordGridView::userScrolled);

    // A child of the viewport, so it sits over the rows and never over the
    // titles or the scroll bars; the wheel over it still scrolls the grid.
    followHint_ = new QLabel(viewport());
    followHint_->setObjectName(QStringLiteral("FollowHint"));
    followHint_->setFont(arialPixels(11));
    followHint_->setFrameShape(QFrame::Box);
    followHint_->setFrameShadow(QFrame::Plain);
    followHint_->setMargin(2);
    followHint_->setAutoFillBackground(true);
    followHint_->setBackgroundRole(QPalette::ToolTipBase);
    followHint_->setForegroundRole(QPalette::ToolTipText);
    followHint_->setCursor(Qt::PointingHandCursor);
    followHint_->setToolTip(QStringLiteral("Scroll to the end, press Ctrl+End or click here to follow the newest row"));
    followHint_->installEventFilter(this);
    followHint_->hide();

    applyRecordGridColumns();
    layoutTitles();
}

RecordGridView::~RecordGridView()
{
    if (table_)
        table_->removeListener(this);
}

void RecordGridView::setTable(RecordTable* table)
{
    if (table_)
        table_->removeListener(this);
    table_ = table;
    rows_ = table_ ? table_->reader() : RecordTableReader{};
    selected_.reset();
    following_ = true;
    if (table_)
        table_->addListener(this);
    setFirstRow(0);
    updateScrollBars();
    follow(table_ ? table_->currentRow() : std::nullopt);
    updateFollowHint();
    viewport()->update();
}

void RecordGridView::applyRecordGridColumns()
{
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        titles_->resizeSection(static_cast<int>(i), kColumns[i].width);
}

int RecordGridView::columnWidth(int column) const { return titles_->sectionSize(column); }

QSize RecordGridView::sizeHint() const { return {357, 129}; }

void RecordGridView::recordTableChanged(const RecordTableChange& change)
{
    // A reader costs a few pointers; it shows the rows as of this change
    // and keeps them readable even if the table is emptied under a freeze.
    rows_ = table_->reader();
    if (change.reset) {
        // The rows the user was reading are gone.
        selected_.reset();
        following_ = true;
        setFirstRow(0);
    }
    updateScrollBars();
    const bool newRows = !change.reset && change.firstNewRow < change.rowCount;
    if (change.reset || (following_ && newRows)) {
        follow(change.currentRow);
    } else if (!newRows) {
        // Only the current row moved (the user's choice, a save's ending):
        // shown wherever it is, and followed on from if it is the newest.
        follow(change.currentRow);
        setFollowing(!selected_ || *selected_ + 1 == rows_.rowCount());
    }
    // New rows while the user is elsewhere: the grid stays where it is.
    updateFollowHint();
    viewport()->update();
}

void RecordGridView::follow(std::optional<std::size_t> current)
{
    if (current && *current >= rows_.rowCount())
        current.reset();
    selected_ = current;
    if (selected_)
        scrollTo(*selected_);
}

void RecordGridView::followNewest()
{
    following_ = true;
    const std::size_t count = rows_.rowCount();
    if (count > 0) {
        // A frozen table tells its views nothing; the grid catches up on release.
        if (table_ && !table_->viewsFrozen())
            table_->setCurrentRow(count - 1);
        selected_ = count - 1;
        scrollTo(count - 1);
    }
    updateFollowHint();
    viewport()->update();
}

void RecordGridView::setFollowing(bool following)
{
    if (following == following_)
        return;
    following_ = following;
    leftAtRowCount_ = rows_.rowCount();
    updateFollowHint();
}

void RecordGridView::userScrolled(int value)
{
    if (ownScroll_)
        return;
    if (value < verticalScrollBar()->maximum())
        setFollowing(false);
    else if (!following_)
        followNewest();
}

void RecordGridView::choose(std::size_t row)
{
    if (!table_ || table_->viewsFrozen() || row >= rows_.rowCount())
        return;
    // When rows came while the user was away, the table has the newest row
    // current already and tells nothing: the grid selects it itself.
    table_->setCurrentRow(row);
    selected_ = row;
    scrollTo(row);
    setFollowing(row + 1 == rows_.rowCount());
    viewport()->update();
}

void RecordGridView::setFirstRow(int value)
{
    const FlagSet own(ownScroll_);
    verticalScrollBar()->setValue(value);
}

void RecordGridView::updateFollowHint()
{
    if (following_) {
        followHint_->hide();
        return;
    }
    const std::size_t unseen = rowsNotFollowed();
    followHint_->setText(unseen == 0   ? QStringLiteral("Not following the newest row")
                         : unseen == 1 ? QStringLiteral("Not following: 1 new row")
                                       : QStringLiteral("Not following: %1 new rows").arg(unseen));
    followHint_->adjustSize();
    placeFollowHint();
    followHint_->show();
}

void RecordGridView::placeFollowHint()
{
    const QSize area = viewport()->size();
    const QSize hint = followHint_->size();
    followHint_->move(std::max(0, area.width() - hint.width() - kHintInset),
                      std::max(0, area.height() - hint.height() - kHintInset));
}

int RecordGridView::fullyVisibleRows() const { return std::max(1, viewport()->height() / kRowHeight); }

int RecordGridView::visibleRowCount() const { return (viewport()->height() + kRowHeight - 1) / kRowHeight; }

std::size_t RecordGridView::firstVisibleRow() const
{
    return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value()));
}

bool RecordGridView::rowFullyVisible(std::size_t row) const
{
    std::size_t first = firstVisibleRow();
    return row >= first && row < first + static_cast<std::size_t>(fullyVisibleRows());
}

int RecordGridView::totalWidth() const { return titles_->length(); }

void RecordGridView::updateScrollBars()
{
    // One scroll step is one row, as the item views scroll per item.
    const auto rows = static_cast<std::int64_t>(rows_.rowCount());
    const std::int64_t maxFirst = std::max<std::int64_t>(0, rows - fullyVisibleRows());
    // A smaller range may pull the value back: the grid's doing, not the user's.
    const FlagSet own(ownScroll_);
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::min<std::int64_t>(maxFirst, INT32_MAX)));
    vertical->setPageStep(fullyVisibleRows());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, totalWidth() - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
}

void RecordGridView::scrollTo(std::size_t row)
{
    std::size_t first = firstVisibleRow();
    const auto fit = static_cast<std::size_t>(fullyVisibleRows());
    if (row < first)
        setFirstRow(static_cast<int>(row));
    else if (row >= first + fit)
        setFirstRow(static_cast<int>(row + 1 - fit));
}

void RecordGridView::layoutTitles()
{
    const QRect area = contentsRect();
    const int height = titles_->sizeHint().height();
    setViewportMargins(0, height, 0, 0);
    titles_->setGeometry(area.left(), area.top(), viewport()->width() > 0 ? viewport()->width() : area.width(),
                         height);
    titles_->setOffset(horizontalScrollBar()->value());
}

void RecordGridView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutTitles();
    updateScrollBars();
}

bool RecordGridView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        // Scroll bars coming or going resize the viewport: the titles follow
        // its width, and a grid that follows keeps the newest row in sight.
        layoutTitles();
        updateScrollBars();
        if (following_ && selected_)
            scrollTo(*selected_);
        placeFollowHint();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

bool RecordGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == followHint_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        followNewest();
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void RecordGridView::scrollContentsBy(int dx, int)
{
    if (dx != 0)
        titles_->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void RecordGridView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QPalette& colours = palette();
    painter.setFont(font());
    QStyleOptionViewItem option;
    option.initFrom(this);
    const QColor gridColour =
        QColor::fromRgba(static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const QFontMetrics metrics(font());

    const int xOffset = -horizontalScrollBar()->value();
    const std::size_t first = firstVisibleRow();
    const std::size_t count = rows_.rowCount();
    const int shown = visibleRowCount();
    const int columnCount = static_cast<int>(kColumns.size());

    for (int line = 0; line < shown; ++line) {
        const std::size_t row = first + static_cast<std::size_t>(line);
        if (row >= count)
            break;
        const int y = line * kRowHeight;
        const bool selected = selected_ == row;
        if (selected)
            painter.fillRect(QRect(xOffset, y, totalWidth(), kRowHeight), colours.brush(QPalette::Highlight));
        painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        for (int column = 0; column < columnCount; ++column) {
            const int x = xOffset + titles_->sectionPosition(column);
            const int width = titles_->sectionSize(column);
            if (x + width < 0 || x > viewport()->width() || width <= 0)
                continue;
            QString text;
            if (column == 0) {
                if (std::optional<std::int32_t> no = rows_.no(row))
                    text = QString::number(*no);
            } else if (std::optional<std::string_view> value = rows_.text(row, recordField(column))) {
                text = QString::fromLatin1(value->data(), static_cast<qsizetype>(value->size()));
            }
            const QRect cell(x + kCellMargin, y, width - 2 * kCellMargin - 1, kRowHeight - 1);
            painter.drawText(cell, static_cast<int>(kColumns[static_cast<std::size_t>(column)].alignment),
                             metrics.elidedText(text, Qt::ElideRight, cell.width()));
        }
    }

    // Grid lines under every row and right of every column, as far as rows go.
    const int rowsDrawn = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(shown), count - std::min(count, first)));
    if (rowsDrawn > 0) {
        painter.setPen(gridColour);
        const int bottom = rowsDrawn * kRowHeight - 1;
        for (int line = 0; line < rowsDrawn; ++line)
            painter.drawLine(xOffset, line * kRowHeight + kRowHeight - 1, xOffset + totalWidth() - 1,
                             line * kRowHeight + kRowHeight - 1);
        for (int column = 0; column < columnCount; ++column) {
            const int x = xOffset + titles_->sectionPosition(column) + titles_->sectionSize(column) - 1;
            painter.drawLine(x, 0, x, bottom);
        }
    }
}

std::optional<std::size_t> RecordGridView::rowAt(int y) const
{
    if (y < 0)
        return std::nullopt;
    std::size_t row = firstVisibleRow() + static_cast<std::size_t>(y / kRowHeight);
    if (row >= rows_.rowCount())
        return std::nullopt;
    return row;
}

void RecordGridView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (std::optional<std::size_t> row = rowAt(event->position().toPoint().y()))
            choose(*row);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void RecordGridView::moveCurrent(std::ptrdiff_t delta, bool toEnd, bool toStart)
{
    const std::size_t count = rows_.rowCount();
    if (!table_ || count == 0 || table_->viewsFrozen())
        return;
    std::size_t target = 0;
    if (toEnd) {
        target = count - 1;
    } else if (!toStart) {
        const auto from = static_cast<std::ptrdiff_t>(selected_.value_or(0));
        target = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(from + delta, 0, static_cast<std::ptrdiff_t>(count) - 1));
    }
    choose(target);
}

void RecordGridView::keyPressEvent(QKeyEvent* event)
{
    const std::ptrdiff_t page = fullyVisibleRows();
    switch (event->key()) {
    case Qt::Key_Up: moveCurrent(-1); break;
    case Qt::Key_Down: moveCurrent(1); break;
    case Qt::Key_PageUp: moveCurrent(-page); break;
    case Qt::Key_PageDown: moveCurrent(page); break;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier)
            moveCurrent(0, false, true);
        else
            horizontalScrollBar()->setValue(0);
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier)
            moveCurrent(0, true);
        else
            horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
        break;
    case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}
