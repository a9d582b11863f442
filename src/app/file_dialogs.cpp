#include "app/file_dialogs.h"

#include <array>

namespace {

constexpr const char* kRecordFilter = "Excel File(*.xls)|*.xls|XML(*.xml)|*.xml|Txt File(*.txt)|*.txt";

constexpr std::array kDialogs{
    FileDialogLayout{"SaveDialog2", true, kRecordFilter, "xls", true},
    FileDialogLayout{"OpenDialog1", false, kRecordFilter, "", false},
    FileDialogLayout{"SavePictureDialog1", true, "Bitmaps (*.bmp)|*.bmp", "bmp", false},
};

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::span<const FileDialogLayout> fileDialogLayouts() { return kDialogs; }

const FileDialogLayout* fileDialogLayout(std::string_view name)
{
    for (const FileDialogLayout& dialog : kDialogs)
        if (name == dialog.name)
            return &dialog;
    return nullptr;
}

std::vector<std::string> nameFilters(std::string_view filter)
{
    std::vector<std::string> filters;
    const std::vector<std::string_view> parts = split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        for (std::string_view pattern : split(parts[i + 1], ';')) {
            pattern = trimmed(pattern);
            if (pattern.empty())
                continue;
            if (!patterns.empty())
                patterns += ' ';
            patterns += pattern;
        }
        if (patterns.empty())
            continue;
        const std::string_view description = trimmed(parts[i]);
        const std::string suffix = "(" + patterns + ")";
        if (description.ends_with(suffix))
            filters.emplace_back(description);
        else if (description.empty())
            filters.push_back(suffix);
        else
            filters.push_back(std::string(description) + " " + suffix);
    }
    return filters;
}

std::string defaultSuffixOf(std::string_view nameFilter)
{
    const std::size_t open = nameFilter.rfind('(');
    const std::size_t close = nameFilter.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {};
    std::string_view pattern = nameFilter.substr(open + 1, close - open - 1);
    pattern = pattern.substr(0, pattern.find(' '));
    if (!pattern.starts_with("*."))
        return {};
    pattern.remove_prefix(2);
    if (pattern.empty() || pattern.find_first_of("*?[.") != std::string_view::npos)
        return {};
    return std::string(pattern);
}
