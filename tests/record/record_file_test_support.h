#pragma once

#include "record/record_table.h"

#include <dirent.h>

#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace record_file_test {

using Field = std::optional<std::string>;

/// A row from No and the seven texts; std::nullopt for a field without a value.
inline RecordRow makeRow(std::optional<std::int32_t> no, std::initializer_list<Field> texts)
{
    RecordRow row;
    if (no)
        row.setNo(*no);
    std::size_t i = 1;
    for (const Field& text : texts) {
        if (text)
            row.setText(recordField(i), *text);
        ++i;
    }
    return row;
}

/// One row as "No|Time|...|I_Unit", "~" for a field without a value.
inline std::string describe(const RecordRow& row)
{
    std::string out = row.no() ? std::to_string(*row.no()) : "~";
    for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
        const std::optional<std::string_view> text = row.text(recordField(i));
        out += '|';
        out += text ? std::string(*text) : "~";
    }
    return out;
}

/// Every row, with its state when not 4: "[0] 1|...".
inline std::vector<std::string> describe(const RecordTable& table)
{
    std::vector<std::string> rows;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        std::string prefix = table.rowState(r) == kRowInserted ? "" : "[" + std::to_string(table.rowState(r)) + "] ";
        rows.push_back(prefix + describe(table.row(r)));
    }
    return rows;
}

/// The change log as its numbers joined by blanks.
inline std::string logText(const RecordTable& table)
{
    std::string out;
    table.changeLog().forEach([&](std::int64_t record, std::int32_t replaces, std::int32_t kind) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(record) + " " + std::to_string(replaces) + " " + std::to_string(kind);
    });
    return out;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

/// The names in folder @p dir, "." and ".." left out.
inline std::vector<std::string> filesIn(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

}  // namespace record_file_test
