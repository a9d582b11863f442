#pragma once

#include "report/report_row_list.h"

#include <QFile>
#include <QString>

#include <memory>
#include <string>

/// Reads a saved report (report_file_format.h) a slice at a time, so a
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

    Status status() const { return m_status; }
    std::string errorText() const { return m_error; }

    /// Rows read so far and rows the file announces.
    int rowsRead() const { return m_rows ? m_rows->rowCount() : 0; }
    int rowsExpected() const { return m_expected; }

    /// After Done: the print date and the rows.
    const std::string& printDate() const { return m_printDate; }
    std::unique_ptr<ReportRowList> takeRows() { return std::move(m_rows); }

    /// Loads the whole file at once; nullptr on failure with @p error set.
    static std::unique_ptr<ReportRowList> loadAll(const QString& path, std::string& printDate,
                                                  std::string& error);

private:
    bool readLine(std::string& line);
    Status fail(std::string text);

    QFile m_file;
    Status m_status = Status::Running;
    std::string m_error;
    std::string m_printDate;
    int m_expected = 0;
    std::unique_ptr<ReportRowList> m_rows;
};
