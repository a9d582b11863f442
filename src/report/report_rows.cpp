#include "report/report_rows.h"

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
