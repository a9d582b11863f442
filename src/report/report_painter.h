#pragma once

#include "report/data_report.h"

class QPainter;

/// Draws the texts of @p page with @p painter, whose coordinates are taken
/// to hold @p dotsPerMm units a millimetre with the page's top-left corner
/// at the origin. Fonts are sized from their points for that scale, so the
/// page looks the same on a screen at any zoom, a printer and a PDF. Draws
/// no paper: the caller fills the background where it wants one.
void paintReportPage(QPainter& painter, const ReportPage& page, double dotsPerMm);
