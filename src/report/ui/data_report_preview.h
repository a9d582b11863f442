#pragma once

class QWidget;
class RecordTable;

/// The window's "Print Data" command (MajPrintClick): freezes the views of
/// @p table, shows the preview of its data report over the rows it holds
/// now, and releases the views when the preview is closed. Returns then;
/// events go on being handled meanwhile, so readings keep being decoded
/// and recorded (they reach the grid once the preview is closed).
void showDataReportPreview(RecordTable& table, QWidget* parent);
