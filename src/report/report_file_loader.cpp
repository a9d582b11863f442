#include "report/report_file_loader.h"

#include "report/data_report.h"
#include "report/report_file_format.h"

#include <charconv>

namespace {

constexpr qint64 kMaxLineBytes = 64 * 1024;

}  // namespace

ReportFileLoader::ReportFileLoader(const QString& path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly)) {
        fail("Cannot read " + path.toLocal8Bit().toStdString() + ": " +
             m_file.errorString().toLocal8Bit().toStdString());
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
    m_printDate = (*date)[0].value_or(std::string());

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
    const auto [end, error] = std::from_chars(first, last, m_expected);
    if (error != std::errc() || end != last || first == last || m_expected < 0) {
        fail("The saved report's row count is damaged.");
        return;
    }
    m_rows = std::make_unique<ReportRowList>(std::move(fieldNames));
    m_rows->reserve(std::size_t(std::min(m_expected, 1 << 20)));
}

bool ReportFileLoader::readLine(std::string& line)
{
    QByteArray bytes = m_file.readLine(kMaxLineBytes);
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
    m_error = std::move(text);
    m_rows.reset();
    m_status = Status::Failed;
    return m_status;
}

ReportFileLoader::Status ReportFileLoader::step(int maxRows)
{
    if (m_status != Status::Running)
        return m_status;
    std::string line;
    for (int i = 0; i < maxRows && m_rows->rowCount() < m_expected; ++i) {
        if (!readLine(line))
            return fail("The saved report is cut short.");
        if (!m_rows->addEncodedRow(line))
            return fail("The saved report has a damaged row " + std::to_string(m_rows->rowCount() + 1) + ".");
    }
    if (m_rows->rowCount() < m_expected)
        return m_status;
    if (!m_file.atEnd())
        return fail("The saved report has more rows than it announces.");
    m_status = Status::Done;
    return m_status;
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
