#pragma once

#include "record/record_row.h"
#include "record/stable_chunks.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

/// A run of rows of the record table with its own text dictionary. Rows and
/// texts are written once and never move (see StableChunks), so readers of
/// rows stored before them may read while the owner appends. The dictionary
/// index is for the owner alone. A segment takes rows until its dictionary
/// or text store is full; the table then starts the next one, which keeps
/// the dictionary's rehash bounded on the main thread.
class RecordSegment {
public:
    RecordSegment();

    std::size_t rowCount() const { return rowCount_; }
    /// Whether one more row fits (owner only).
    bool canTake() const;
    /// Stores @p row; precondition canTake().
    void append(const RecordRow& row, RecordRowState state);

    std::optional<std::int32_t> no(std::size_t row) const
    {
        const Stored& stored = rows_[row];
        return stored.hasNo ? std::optional<std::int32_t>(stored.no) : std::nullopt;
    }
    std::optional<std::string_view> text(std::size_t row, RecordField field) const
    {
        std::uint32_t id = rows_[row].text[recordFieldIndex(field) - 1];
        if (id == 0)
            return std::nullopt;
        const char* at = arena_.data(id);
        return std::string_view(at + 1, static_cast<unsigned char>(*at));
    }
    RecordRowState state(std::size_t row) const { return rows_[row].state; }

    std::size_t memoryBytes() const;
    std::size_t distinctTexts() const { return entries_; }

private:
    struct Stored {
        std::uint32_t text[kRecordFieldCount - 1];  ///< offset of the text in arena_, 0 = no value
        std::int32_t no;
        RecordRowState state;
        bool hasNo;
    };

    std::uint32_t intern(std::string_view text);
    void grow();

    StableChunks<Stored, 12, 10, 10> rows_;
    // Texts as a length byte and the bytes; none crosses a chunk's end.
    StableChunks<char, 16, 8, 8> arena_;
    std::uint64_t arenaSize_ = 1;  // offset 0 means "no value"
    std::size_t rowCount_ = 0;
    std::vector<std::uint32_t> slots_;  // open addressing, 0 = free
    std::size_t entries_ = 0;
};
