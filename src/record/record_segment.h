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
    /// Takes no more rows and hands the dictionary back (owner only):
    /// rows and texts stay readable as before.
    void seal();
    /// Stores @p row; precondition canTake().
    void append(const RecordRow& row, RecordRowState state);
    /// The same from fields at hand; each text at most 20 bytes.
    void append(const RecordRowFields& fields, RecordRowState state);

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

    std::uint32_t intern(std::size_t field, std::string_view text);
    std::uint32_t insert(std::string_view text, std::uint64_t hash, std::size_t slot);
    void grow();

    StableChunks<Stored, 12, 10, 10> rows_;
    // Texts as a length byte and the bytes; none crosses a chunk's end.
    StableChunks<char, 16, 8, 8> arena_;
    std::uint64_t arenaSize_ = 1;  // offset 0 means "no value"
    std::size_t rowCount_ = 0;
    // Open addressing; a slot holds the text's offset in its low half and
    // the top of its hash in the high half, so most misses never touch the
    // arena. 0 = free.
    std::vector<std::uint64_t> slots_;
    std::size_t entries_ = 0;
    bool sealed_ = false;
    // The text each field got last: units and often the time repeat from
    // one row to the next, and a hit needs no hash at all.
    std::uint32_t lastText_[kRecordFieldCount - 1] = {};
};
