#pragma once

#include "report/report_rows.h"

#include <QFile>
#include <QString>

#include <memory>
#include <string>

/// The report's own file: the print date and the rows the report shows,
/// so a saved report loads back into the same pages.
///
///     ZQMETER DATA REPORT 1
///     date<TAB>12/10/26
///     fields<TAB>No<TAB>Time<TAB>Value<TAB>Unit<TAB>V_value<TAB>V_unit<TAB>I_value<TAB>I_unit
///     rows<TAB>2
///     1<TAB>10:00:01<TAB>1.23<TAB>KW<TAB>230.1<TAB>v<TAB>5.3<TAB>A
///     2<TAB>...
///
/// Lines end in a line feed; texts are 8-bit, system code page, in the
/// field form of ReportRowList::encodeField ("\N" for a missing value).
namespace ReportFileFormat {
inline constexpr const char* kMagic = "ZQMETER DATA REPORT 1";
inline constexpr const char* kSuffix = "zqr";
}  // namespace ReportFileFormat

/// Reads a saved report (ReportFileFormat) a slice at a time, so a
/// large one loads without holding up the caller's event loop. The whole
/// file is checked before anything is handed over: a file that is not a
/// saved report, or is cut short or damaged anywhere, gives no rows at all.
class ReportFileLoader {
public:
    enum class Status { Running, Done, Failed };

    /// Opens @p path and reads its header.
    explicit ReportFileLoader(const QString& path);

    /// Reads up to @p maxRows more rows.
    Status step(int maxRows);

    Status status() const { return status_; }
    std::string errorText() const { return error_; }

    /// Rows read so far and rows the file announces.
    int rowsRead() const { return rows_ ? rows_->rowCount() : 0; }
    int rowsExpected() const { return expected_; }

    /// After Done: the print date and the rows.
    const std::string& printDate() const { return printDate_; }
    std::unique_ptr<ReportRowList> takeRows() { return std::move(rows_); }

    /// Loads the whole file at once; nullptr on failure with @p error set.
    static std::unique_ptr<ReportRowList> loadAll(const QString& path, std::string& printDate,
                                                  std::string& error);

private:
    bool readLine(std::string& line);
    Status fail(std::string text);

    QFile file_;
    Status status_ = Status::Running;
    std::string error_;
    std::string printDate_;
    int expected_ = 0;
    std::unique_ptr<ReportRowList> rows_;
};
