#pragma once

// What the record file targets share: the rows of a table in a form that
// compares, what the text form gives back of them, the checks of a stored
// row, and scratch files to write back to.

#include "fuzz_check.h"

#include "record/record_table.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz_record {

/// Every row with its state, and the change log, as texts that compare.
struct Content {
    std::vector<std::string> rows;
    std::string log;
    bool operator==(const Content&) const = default;
};

/// Each text as its length and bytes, so no text can pass for another or for
/// a missing one; a text without a value reads @p missing.
inline Content contentOf(const RecordTable& table, std::string_view missing = "~")
{
    Content content;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        const RecordRow row = table.row(r);
        std::string text = std::to_string(table.rowState(r)) + ":";
        text += row.no() ? std::to_string(*row.no()) : "~";
        for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
            const auto field = row.text(recordField(i));
            text += '|';
            text += field ? std::to_string(field->size()) + ":" + std::string(*field) : std::string(missing);
        }
        content.rows.push_back(std::move(text));
    }
    table.changeLog().forEach([&](std::int64_t record, std::int32_t replaces, std::int32_t kind) {
        content.log += std::to_string(record) + " " + std::to_string(replaces) + " " + std::to_string(kind) + ";";
    });
    return content;
}

/// The rows of @p table as a text file of them reads back: state 4, the
/// same No or none, each text without its leading blanks, and "NULL" for an
/// empty or missing one.
inline std::vector<std::string> textImageOf(const RecordTable& table)
{
    RecordTable image;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        RecordRow row;
        if (const auto no = table.no(r))
            row.setNo(*no);
        for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
            std::string_view text = table.text(r, recordField(i)).value_or("");
            while (!text.empty() && text.front() == ' ')
                text.remove_prefix(1);
            row.setText(recordField(i), text.empty() ? "NULL" : text);
        }
        image.appendRow(row);
    }
    return contentOf(image).rows;
}

/// A row as the table may hold it: each text at most 20 bytes, with no
/// control byte and no trailing blank, and the same through every way of
/// reading it.
inline void checkRows(const RecordTable& table)
{
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        const RecordRow row = table.row(r);
        FUZZ_CHECK(table.no(r) == row.no());
        for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
            const auto text = row.text(recordField(i));
            FUZZ_CHECK(table.text(r, recordField(i)) == text);
            if (text)
                FUZZ_CHECK(isStoredRecordText(*text));
        }
    }
}

/// A fuzz input of the record readers: its first byte picks the size of
/// the pieces (1 to 64 bytes) the rest is handed over in.
struct PiecedInput {
    std::size_t chunk;
    std::string_view bytes;
};

inline std::optional<PiecedInput> piecedInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return std::nullopt;
    return PiecedInput{1 + std::size_t{data[0]} % 64,
                       std::string_view(reinterpret_cast<const char*>(data + 1), size - 1)};
}

/// A file of this process's own for each @p name (its extension picks the
/// form), removed at exit: in memory (/dev/shm) where there is one, since a
/// save flushes to disk every time.
inline const std::string& scratchFile(const std::string& name)
{
    static std::map<std::string, std::string> paths;
    static const bool removedAtExit = std::atexit([] {
        for (const auto& [name, path] : paths)
            unlink(path.c_str());
    }) == 0;
    (void)removedAtExit;
    std::string& path = paths[name];
    if (path.empty()) {
        const char* dir = getenv("TMPDIR");
        const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : dir && *dir ? dir : "/tmp";
        path = folder + "/zq-fuzz-" + std::to_string(getpid()) + "-" + name;
    }
    return path;
}

}  // namespace fuzz_record
