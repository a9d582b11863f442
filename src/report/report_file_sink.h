#pragma once

#include "report/report_page_sink.h"

#include <QSaveFile>
#include <QString>

#include <string>
#include <string_view>

class DataReport;

/// A sink that writes a file. The file is written beside the chosen name
/// and takes that name only when finish() succeeds, so an aborted or
/// failed export leaves whatever was there before.
class ReportFileSink : public ReportPageSink {
public:
    ReportFileSink(const DataReport& report, const QString& path);
    ~ReportFileSink() override;

    bool begin() override;
    bool writePage(int number) override;
    bool finish() override;
    void abort() override;
    std::string errorText() const override { return m_error; }

protected:
    /// Hooks of the form: its start, one page, its end.
    virtual bool writeStart() { return true; }
    virtual bool writeReportPage(int number) = 0;
    virtual bool writeEnd() { return true; }
    /// Called before the file is committed or dropped, for forms that keep
    /// a writer of their own on the device.
    virtual void closeWriter() {}

    const DataReport& report() const { return m_report; }
    QIODevice& device() { return m_file; }
    /// Appends @p bytes; false (with the error noted) when the write fails.
    bool write(std::string_view bytes);
    void setError(std::string text) { m_error = std::move(text); }

private:
    const DataReport& m_report;
    QSaveFile m_file;
    std::string m_error;
    bool m_open = false;
};
