#pragma once

// What the record file targets share: the rows of a table in a form that
// compares, the checks of a stored row, and a scratch file to write back to.

#include "fuzz_check.h"

#include "record/record_table.h"

#include <unistd.h>

#include <cstdint>
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

/// A row as the table may hold it: each text at most 20 bytes, with no
/// trailing blank, and the same through every way of reading it.
inline void checkRows(const RecordTable& table)
{
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        const RecordRow row = table.row(r);
        FUZZ_CHECK(table.no(r) == row.no());
        for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
            const auto text = row.text(recordField(i));
            FUZZ_CHECK(table.text(r, recordField(i)) == text);
            if (text) {
                FUZZ_CHECK(text->size() <= kRecordTextWidth);
                FUZZ_CHECK(storedRecordText(*text) == *text);
            }
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

/// A file of this process's own, removed at exit: in memory (/dev/shm)
/// where there is one, since a save flushes to disk every time.
inline const std::string& scratchFile(const char* extension)
{
    static std::string path;
    if (path.empty()) {
        const char* dir = getenv("TMPDIR");
        const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : dir && *dir ? dir : "/tmp";
        path = folder + "/zq-fuzz-" + std::to_string(getpid()) + extension;
        std::atexit([] { unlink(path.c_str()); });
    }
    return path;
}

}  // namespace fuzz_record
