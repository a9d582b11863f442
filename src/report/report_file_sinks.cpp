#include "report/report_file_sinks.h"

#include "report/data_report.h"
#include "report/report_file_loader.h"
#include "report/report_job.h"
#include "report/report_painter.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace {

/// A sink that writes a file. The file is written beside the chosen name
/// and takes that name only when finish() succeeds, so an aborted or
/// failed export leaves whatever was there before. A device or a pipe is
/// written in place instead: a new file renamed over it would leave a
/// plain file where it was, and what it took cannot be taken back.
class ReportFileSink : public ReportPageSink {
public:
    ReportFileSink(const DataReport& report, const QString& path);
    ~ReportFileSink() override;

    bool begin() override;
    bool writePage(int number) override;
    bool finish() override;
    void abort() override;
    std::string errorText() const override { return error_; }

protected:
    /// Hooks of the form: its start, one page, its end.
    virtual bool writeStart() { return true; }
    virtual bool writeReportPage(int number) = 0;
    virtual bool writeEnd() { return true; }
    /// Called before the file is committed or dropped, for forms that keep
    /// a writer of their own on the device.
    virtual void closeWriter() {}

    const DataReport& report() const { return report_; }
    QIODevice& device() { return file(); }
    /// Appends @p bytes; false (with the error noted) when the write fails.
    bool write(std::string_view bytes);
    void setError(std::string text) { error_ = std::move(text); }

private:
    QFileDevice& file() { return inPlace_ ? static_cast<QFileDevice&>(deviceFile_) : file_; }
    void noteFileError();
    bool commit();
    void drop();

    const DataReport& report_;
    const bool inPlace_;
    QSaveFile file_;
    QFile deviceFile_;
    std::string error_;
    bool open_ = false;
};

// Symbolic links are followed: a link to a pipe is written into the pipe.
bool isDeviceOrPipe(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

ReportFileSink::ReportFileSink(const DataReport& report, const QString& path)
    : report_(report), inPlace_(isDeviceOrPipe(path)), file_(path), deviceFile_(path)
{
}

ReportFileSink::~ReportFileSink()
{
    if (open_)
        abort();
}

void ReportFileSink::noteFileError()
{
    error_ = "Cannot write " + file().fileName().toLocal8Bit().toStdString() + ": " +
             file().errorString().toLocal8Bit().toStdString();
}

bool ReportFileSink::commit()
{
    if (!inPlace_)
        return file_.commit();
    // Closing alone would hide a failed flush of the last buffered bytes.
    const bool flushed = deviceFile_.flush();
    if (!flushed)
        noteFileError();
    deviceFile_.close();
    return flushed;
}

void ReportFileSink::drop()
{
    if (inPlace_) {
        deviceFile_.close();
        return;
    }
    file_.cancelWriting();
    file_.commit();  // with writing cancelled this only removes the temporary file
}

bool ReportFileSink::begin()
{
    if (!file().open(QIODevice::WriteOnly)) {
        noteFileError();
        return false;
    }
    open_ = true;
    return writeStart();
}

bool ReportFileSink::writePage(int number)
{
    return open_ && writeReportPage(number);
}

bool ReportFileSink::finish()
{
    if (!open_)
        return false;
    const bool ended = writeEnd();
    closeWriter();
    open_ = false;
    if (!ended) {
        drop();
        return false;
    }
    if (!commit()) {
        if (!inPlace_)
            noteFileError();
        return false;
    }
    return true;
}

void ReportFileSink::abort()
{
    if (!open_)
        return;
    closeWriter();
    open_ = false;
    drop();
}

bool ReportFileSink::write(std::string_view bytes)
{
    if (file().write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        noteFileError();
        return false;
    }
    return true;
}

/// Plain text: each line of a page as one line of text, each text at the
/// character column of its place on the page (2 mm a column from the left
/// margin), pages parted by a form feed.
class ReportTextSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

    /// Millimetres a character column stands for.
    static constexpr double kColumnMm = 2.0;

protected:
    bool writeReportPage(int number) override;

private:
    int pagesWritten_ = 0;
};

// Texts whose tops lie closer than this share a line (the title and the
// print date of the page header do).
constexpr double kSameLineMm = 4.0;

int columnOf(double leftMm)
{
    return std::max(0, int(std::lround((leftMm - DataReport::kMarginMm) / ReportTextSink::kColumnMm)));
}

void place(std::string& line, int column, const std::string& text)
{
    // A text that runs into the next keeps one blank before it.
    int at = column;
    if (!line.empty() && at < int(line.size()) + 1)
        at = int(line.size()) + 1;
    line.append(std::size_t(at) - line.size(), ' ');
    // A line break or form feed inside a text would break the page apart.
    for (char c : text)
        line += (c == '\n' || c == '\r' || c == '\f' || c == '\t') ? ' ' : c;
}

bool ReportTextSink::writeReportPage(int number)
{
    const ReportPage page = report().page(number);
    std::string out;
    if (pagesWritten_++ > 0)
        out += '\f';
    std::string line;
    double lineTop = -100.0;
    for (const ReportItem& item : page.items) {
        if (item.topMm - lineTop >= kSameLineMm) {
            if (lineTop >= 0.0)
                out += line + '\n';
            line.clear();
            lineTop = item.topMm;
        }
        int column = columnOf(item.leftMm);
        if (item.hasBox()) {
            const int width = int(std::lround(item.boxWidthMm / kColumnMm));
            column += std::max(0, (width - int(item.text.size())) / 2);
        }
        place(line, column, item.text);
    }
    if (lineTop >= 0.0)
        out += line + '\n';
    return write(out);
}

/// Comma-separated values: the column header line once, then one line per
/// row of the report, fields parted by ",". A field holding a comma, a
/// quote or a line break is quoted, its quotes doubled.
class ReportCsvSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
};

void appendField(std::string& out, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

bool ReportCsvSink::writeStart()
{
    std::string out;
    for (int c = 0; c < DataReport::kColumnCount; ++c) {
        if (c > 0)
            out += ',';
        appendField(out, DataReport::kColumns[std::size_t(c)].header);
    }
    out += "\r\n";
    return write(out);
}

bool ReportCsvSink::writeReportPage(int number)
{
    const DataReport::DetailRows rows = report().detailRowsOf(number);
    std::string out;
    for (int row = rows.first; row < rows.end; ++row) {
        for (int c = 0; c < DataReport::kColumnCount; ++c) {
            if (c > 0)
                out += ',';
            appendField(out, report().detailText(row, c).value_or(std::string()));
        }
        out += "\r\n";
    }
    return write(out);
}

/// HTML: one sheet of A4 per page, each text placed where the page has it.
/// The texts stay in the system code page, which the document declares.
class ReportHtmlSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
    bool writeEnd() override;
};

void appendEscaped(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

std::string number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

bool ReportHtmlSink::writeStart()
{
    return write(
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"windows-1252\">\n"
        "<title>Data Report</title>\n<style>\n"
        "body { background: #808080; margin: 0; }\n"
        ".page { position: relative; width: 210mm; height: 297mm; margin: 5mm auto; background: #fff;"
        " overflow: hidden; page-break-after: always; }\n"
        ".page div { position: absolute; white-space: pre; color: #000;"
        " font-family: Arial, 'Liberation Sans', sans-serif; line-height: 1.15; }\n"
        "@media print { body { background: none; } .page { margin: 0; } }\n"
        "@page { size: A4; margin: 0; }\n"
        "</style>\n</head>\n<body>\n");
}

bool ReportHtmlSink::writeReportPage(int pageNumber)
{
    const ReportPage page = report().page(pageNumber);
    std::string out = "<div class=\"page\">\n";
    for (const ReportItem& item : page.items) {
        out += "<div style=\"left:" + number(item.leftMm) + "mm;top:" + number(item.topMm) +
               "mm;font-size:" + number(item.font.pointSize) + "pt";
        if (item.font.bold)
            out += ";font-weight:bold";
        if (item.hasBox())
            out += ";width:" + number(item.boxWidthMm) + "mm;height:" + number(item.boxHeightMm) +
                   "mm;line-height:" + number(item.boxHeightMm) + "mm;text-align:center";
        out += "\">";
        appendEscaped(out, item.text);
        out += "</div>\n";
    }
    out += "</div>\n";
    return write(out);
}

bool ReportHtmlSink::writeEnd()
{
    return write("</body>\n</html>\n");
}

/// The report's own file form, which ReportFileLoader reads back.
class ReportSaveSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
};

bool ReportSaveSink::writeStart()
{
    std::string out = ReportFileFormat::kMagic;
    out += "\ndate\t";
    ReportRowList::encodeField(report().printDate(), out);
    out += "\nfields";
    for (const DataReport::Column& column : DataReport::kColumns) {
        out += '\t';
        out += column.field;
    }
    out += "\nrows\t" + std::to_string(report().rowCount()) + '\n';
    return write(out);
}

bool ReportSaveSink::writeReportPage(int number)
{
    const DataReport::DetailRows rows = report().detailRowsOf(number);
    std::string out;
    for (int row = rows.first; row < rows.end; ++row) {
        for (int c = 0; c < DataReport::kColumnCount; ++c) {
            if (c > 0)
                out += '\t';
            ReportRowList::encodeField(report().detailText(row, c), out);
        }
        out += '\n';
    }
    return write(out);
}

/// PDF on A4 portrait, one page per report page, fonts embedded.
class ReportPdfSink final : public ReportFileSink {
public:
    ReportPdfSink(const DataReport& report, const QString& path);
    ~ReportPdfSink() override;

    /// Dots per inch of the PDF's coordinates.
    static constexpr int kResolution = 1200;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
    bool writeEnd() override;
    void closeWriter() override;

private:
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    int pagesWritten_ = 0;
};

ReportPdfSink::ReportPdfSink(const DataReport& report, const QString& path)
    : ReportFileSink(report, path)
{
}

ReportPdfSink::~ReportPdfSink()
{
    // Ends the painter and the writer before the file goes.
    closeWriter();
}

bool ReportPdfSink::writeStart()
{
    writer_ = std::make_unique<QPdfWriter>(&device());
    writer_->setTitle(QStringLiteral("Data Report"));
    writer_->setCreator(QStringLiteral("zqmeter"));
    writer_->setResolution(kResolution);
    writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get())) {
        setError("Cannot start the PDF.");
        return false;
    }
    return true;
}

bool ReportPdfSink::writeReportPage(int number)
{
    if (!painter_ || !painter_->isActive())
        return false;
    // The first page written opens the document, whatever its number.
    if (pagesWritten_ > 0 && !writer_->newPage()) {
        setError("Cannot start a new PDF page.");
        return false;
    }
    ++pagesWritten_;
    paintReportPage(*painter_, report().page(number), kResolution / 25.4);
    return true;
}

bool ReportPdfSink::writeEnd()
{
    if (!painter_ || !painter_->end()) {
        setError("Cannot complete the PDF.");
        return false;
    }
    return true;
}

void ReportPdfSink::closeWriter()
{
    if (painter_ && painter_->isActive())
        painter_->end();
    painter_.reset();
    writer_.reset();
}

}  // namespace

std::unique_ptr<ReportPageSink> makeReportFileSink(ReportFileForm form, const DataReport& report,
                                                   const QString& path)
{
    switch (form) {
    case ReportFileForm::Report: return std::make_unique<ReportSaveSink>(report, path);
    case ReportFileForm::Pdf: return std::make_unique<ReportPdfSink>(report, path);
    case ReportFileForm::Html: return std::make_unique<ReportHtmlSink>(report, path);
    case ReportFileForm::Text: return std::make_unique<ReportTextSink>(report, path);
    case ReportFileForm::Csv: return std::make_unique<ReportCsvSink>(report, path);
    }
    return nullptr;
}

std::string_view reportFileSuffix(ReportFileForm form)
{
    switch (form) {
    case ReportFileForm::Report: return ReportFileFormat::kSuffix;
    case ReportFileForm::Pdf: return "pdf";
    case ReportFileForm::Html: return "html";
    case ReportFileForm::Text: return "txt";
    case ReportFileForm::Csv: return "csv";
    }
    return {};
}
