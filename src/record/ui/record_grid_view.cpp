#include "record/ui/record_grid_view.h"

#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
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
    if (table_)
        table_->addListener(this);
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    follow(table_ ? table_->currentRow() : std::nullopt);
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
        selected_.reset();
        verticalScrollBar()->setValue(0);
    }
    updateScrollBars();
    follow(change.currentRow);
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
        verticalScrollBar()->setValue(static_cast<int>(row));
    else if (row >= first + fit)
        verticalScrollBar()->setValue(static_cast<int>(row + 1 - fit));
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
        // its width, and the selected row stays in sight.
        layoutTitles();
        updateScrollBars();
        if (selected_)
            scrollTo(*selected_);
    }
    return QAbstractScrollArea::viewportEvent(event);
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
    if (event->button() == Qt::LeftButton && table_) {
        if (std::optional<std::size_t> row = rowAt(event->position().toPoint().y()))
            table_->setCurrentRow(*row);
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
    table_->setCurrentRow(target);
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
