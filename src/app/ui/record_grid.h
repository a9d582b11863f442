#pragma once

#include <Qt>

#include <span>

class QTableView;

/// A column of the record grid DBGrid1, in the fields' order.
struct RecordGridColumn {
    const char* title;
    int width;  ///< [px]
    Qt::Alignment alignment;
};

/// No, Time, Value, Unit, V_Value, V_Unit, I_Value, I_Unit.
std::span<const RecordGridColumn> recordGridColumns();

/// Row height of the record grid [px]; fixed, never fitted to the contents.
constexpr int kRecordGridRowHeight = 17;

/// Gives @p grid the record grid's look and behaviour: read-only, whole-row
/// selection, column titles, no row indicator, flat, its fonts and its
/// fixed row height. Call it before the grid gets a model, so rows are
/// never measured.
void setUpRecordGrid(QTableView& grid);

/// Sets the column widths of the record grid; call it after every model
/// change (a new model gets default widths).
void applyRecordGridColumns(QTableView& grid);
