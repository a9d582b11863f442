#pragma once

#include <QString>

#include <memory>
#include <string_view>

class DataReport;
class ReportPageSink;

/// The file forms a report is saved or exported in.
enum class ReportFileForm { Report, Pdf, Html, Text, Csv };

/// A sink writing @p report in @p form to @p path. The file is written
/// beside @p path and takes that name only when the sink finishes, so an
/// aborted or failed export leaves whatever was there before; a device or
/// a pipe (or a link to one) is written in place.
std::unique_ptr<ReportPageSink> makeReportFileSink(ReportFileForm form, const DataReport& report,
                                                   const QString& path);

/// The usual file name suffix of @p form, without the dot.
std::string_view reportFileSuffix(ReportFileForm form);
