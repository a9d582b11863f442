#include "app/ui/record_grid.h"

#include "app/ui/layout_fonts.h"

#include <QHeaderView>
#include <QTableView>

#include <array>

namespace {

constexpr Qt::Alignment kDefault = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

const std::array kColumns{
    RecordGridColumn{"No", 35, kRight},      RecordGridColumn{"Time", 50, kRight},
    RecordGridColumn{"Value", 48, kDefault}, RecordGridColumn{"Unit", 40, kDefault},
    RecordGridColumn{"V_Value", 51, kDefault}, RecordGridColumn{"V_Unit", 35, kDefault},
    RecordGridColumn{"I_Value", 51, kDefault}, RecordGridColumn{"I_Unit", 35, kDefault},
};

}  // namespace

std::span<const RecordGridColumn> recordGridColumns() { return kColumns; }

void setUpRecordGrid(QTableView& grid)
{
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setFrameShape(QFrame::Box);
    grid.setFrameShadow(QFrame::Plain);
    grid.setFont(arial(11));
    grid.setWordWrap(false);

    QHeaderView* rows = grid.verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(kRecordGridRowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* titles = grid.horizontalHeader();
    titles->show();
    titles->setFont(arial(12));
    QPalette palette = titles->palette();
    palette.setColor(QPalette::ButtonText, Qt::black);
    titles->setPalette(palette);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setMinimumSectionSize(1);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStretchLastSection(false);
    titles->setHighlightSections(false);
}

void applyRecordGridColumns(QTableView& grid)
{
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        grid.setColumnWidth(static_cast<int>(i), kColumns[i].width);
}
