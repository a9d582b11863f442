#include "report/report_rows.h"

#include <utility>

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

}  // namespace

int ReportRows::findField(std::string_view name) const
{
    const int count = fieldCount();
    for (int i = 0; i < count; ++i) {
        if (equalsIgnoringCase(fieldName(i), name))
            return i;
    }
    return -1;
}

ReportRowList::ReportRowList(std::vector<std::string> fieldNames)
    : fieldNames_(std::move(fieldNames))
{
}

std::string ReportRowList::fieldName(int field) const
{
    if (field < 0 || field >= fieldCount())
        return {};
    return fieldNames_[std::size_t(field)];
}

void ReportRowList::encodeField(const std::optional<std::string>& text, std::string& out)
{
    if (!text) {
        out += "\\N";
        return;
    }
    for (char c : *text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

std::optional<std::vector<std::optional<std::string>>> ReportRowList::decodeLine(std::string_view line)
{
    std::vector<std::optional<std::string>> fields;
    std::string current;
    bool absent = false;
    bool fieldHasText = false;  // "\N" must stand alone in its field
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.push_back(absent ? std::nullopt : std::optional<std::string>(std::move(current)));
            current.clear();
            absent = fieldHasText = false;
            continue;
        }
        if (absent || c == '\n' || c == '\r')
            return std::nullopt;
        if (c != '\\') {
            current += c;
            fieldHasText = true;
            continue;
        }
        if (++i == line.size())
            return std::nullopt;
        switch (line[i]) {
        case '\\': current += '\\'; break;
        case 't': current += '\t'; break;
        case 'n': current += '\n'; break;
        case 'r': current += '\r'; break;
        case 'N':
            if (fieldHasText)
                return std::nullopt;
            absent = true;
            break;
        default: return std::nullopt;
        }
        fieldHasText = true;
    }
    fields.push_back(absent ? std::nullopt : std::optional<std::string>(std::move(current)));
    return fields;
}

void ReportRowList::addRow(const std::vector<std::optional<std::string>>& fields)
{
    rowStart_.push_back(bytes_.size());
    for (int f = 0; f < fieldCount(); ++f) {
        if (f > 0)
            bytes_ += '\t';
        encodeField(std::size_t(f) < fields.size() ? fields[std::size_t(f)] : std::nullopt, bytes_);
    }
}

bool ReportRowList::addEncodedRow(std::string_view line)
{
    const auto fields = decodeLine(line);
    if (!fields || int(fields->size()) != fieldCount())
        return false;
    rowStart_.push_back(bytes_.size());
    bytes_.append(line);
    return true;
}

std::optional<std::string> ReportRowList::fieldText(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return std::nullopt;
    const std::size_t begin = rowStart_[std::size_t(row)];
    const std::size_t end = std::size_t(row) + 1 < rowStart_.size() ? rowStart_[std::size_t(row) + 1]
                                                                    : bytes_.size();
    const std::string_view line(bytes_.data() + begin, end - begin);
    // Rows were checked when added, so decoding cannot fail here.
    std::size_t start = 0;
    for (int f = 0; f < field; ++f)
        start = line.find('\t', start) + 1;
    std::size_t stop = line.find('\t', start);
    if (stop == std::string_view::npos)
        stop = line.size();
    const auto decoded = decodeLine(line.substr(start, stop - start));
    if (!decoded || decoded->empty())
        return std::nullopt;
    return (*decoded)[0];
}
