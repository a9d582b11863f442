#include "report/report_file_loader.h"

#include "report/data_report.h"

#include <charconv>

namespace {

constexpr qint64 kMaxLineBytes = 64 * 1024;

}  // namespace

ReportFileLoader::ReportFileLoader(const QString& path) : file_(path)
{
    if (!file_.open(QIODevice::ReadOnly)) {
        fail("Cannot read " + path.toLocal8Bit().toStdString() + ": " +
             file_.errorString().toLocal8Bit().toStdString());
        return;
    }
    std::string line;
    if (!readLine(line) || line != ReportFileFormat::kMagic) {
        fail("Not a saved report.");
        return;
    }
    if (!readLine(line) || line.rfind("date\t", 0) != 0) {
        fail("The saved report has no print date.");
        return;
    }
    const auto date = ReportRowList::decodeLine(std::string_view(line).substr(5));
    if (!date || date->size() != 1) {
        fail("The saved report's print date is damaged.");
        return;
    }
    printDate_ = (*date)[0].value_or(std::string());

    if (!readLine(line) || line.rfind("fields\t", 0) != 0) {
        fail("The saved report has no field list.");
        return;
    }
    const auto names = ReportRowList::decodeLine(std::string_view(line).substr(7));
    if (!names || names->empty()) {
        fail("The saved report's field list is damaged.");
        return;
    }
    std::vector<std::string> fieldNames;
    for (const auto& name : *names) {
        if (!name) {
            fail("The saved report's field list is damaged.");
            return;
        }
        fieldNames.push_back(*name);
    }

    if (!readLine(line) || line.rfind("rows\t", 0) != 0) {
        fail("The saved report has no row count.");
        return;
    }
    const char* first = line.data() + 5;
    const char* last = line.data() + line.size();
    const auto [end, error] = std::from_chars(first, last, expected_);
    if (error != std::errc() || end != last || first == last || expected_ < 0) {
        fail("The saved report's row count is damaged.");
        return;
    }
    rows_ = std::make_unique<ReportRowList>(std::move(fieldNames));
    rows_->reserve(std::size_t(std::min(expected_, 1 << 20)));
}

bool ReportFileLoader::readLine(std::string& line)
{
    QByteArray bytes = file_.readLine(kMaxLineBytes);
    if (bytes.isEmpty() || !bytes.endsWith('\n'))
        return false;  // end of file, a cut-off last line or an overlong one
    bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    line.assign(bytes.constData(), std::size_t(bytes.size()));
    return true;
}

ReportFileLoader::Status ReportFileLoader::fail(std::string text)
{
    error_ = std::move(text);
    rows_.reset();
    status_ = Status::Failed;
    return status_;
}

ReportFileLoader::Status ReportFileLoader::step(int maxRows)
{
    if (status_ != Status::Running)
        return status_;
    std::string line;
    for (int i = 0; i < maxRows && rows_->rowCount() < expected_; ++i) {
        if (!readLine(line))
            return fail("The saved report is cut short.");
        if (!rows_->addEncodedRow(line))
            return fail("The saved report has a damaged row " + std::to_string(rows_->rowCount() + 1) + ".");
    }
    if (rows_->rowCount() < expected_)
        return status_;
    if (!file_.atEnd())
        return fail("The saved report has more rows than it announces.");
    status_ = Status::Done;
    return status_;
}

std::unique_ptr<ReportRowList> ReportFileLoader::loadAll(const QString& path, std::string& printDate,
                                                         std::string& error)
{
    ReportFileLoader loader(path);
    while (loader.step(1 << 16) == Status::Running) {
    }
    if (loader.status() != Status::Done) {
        error = loader.errorText();
        return nullptr;
    }
    printDate = loader.printDate();
    return loader.takeRows();
}
