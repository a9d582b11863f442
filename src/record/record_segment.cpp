#include "record/record_segment.h"

#include <cstring>

namespace {

// A dictionary this size rehashes in a few milliseconds at most; a segment
// whose texts hardly repeat is closed instead of growing past it.
constexpr std::size_t kMaxEntries = std::size_t{1} << 19;
constexpr std::size_t kTextFields = kRecordFieldCount - 1;
constexpr std::uint64_t kArenaLimit = std::uint64_t{1} << 32;
constexpr std::size_t kMaxRows = (std::size_t{1} << 32) - 1;

std::uint32_t hashText(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash ^ (hash >> 15);
}

}  // namespace

RecordSegment::RecordSegment() : slots_(1024, 0) {}

bool RecordSegment::canTake() const
{
    constexpr std::uint64_t worstRow = kTextFields * (1 + kRecordTextWidth);
    return rowCount_ < kMaxRows && entries_ + kTextFields <= kMaxEntries &&
           arenaSize_ + worstRow + decltype(arena_)::kChunk < kArenaLimit;
}

void RecordSegment::append(const RecordRow& row, RecordRowState state)
{
    rows_.reserve(rowCount_);
    Stored& stored = rows_[rowCount_];
    for (std::size_t i = 0; i < kTextFields; ++i) {
        std::optional<std::string_view> text = row.text(recordField(i + 1));
        stored.text[i] = text ? intern(*text) : 0;
    }
    std::optional<std::int32_t> no = row.no();
    stored.no = no.value_or(0);
    stored.hasNo = no.has_value();
    stored.state = state;
    ++rowCount_;
}

std::uint32_t RecordSegment::intern(std::string_view text)
{
    std::size_t mask = slots_.size() - 1;
    std::size_t slot = hashText(text) & mask;
    while (std::uint32_t id = slots_[slot]) {
        const char* at = arena_.data(id);
        if (static_cast<unsigned char>(*at) == text.size() && std::memcmp(at + 1, text.data(), text.size()) == 0)
            return id;
        slot = (slot + 1) & mask;
    }

    std::uint64_t offset = arenaSize_;
    const std::size_t need = 1 + text.size();
    const std::size_t chunk = decltype(arena_)::kChunk;
    if ((offset & (chunk - 1)) + need > chunk)
        offset = (offset | (chunk - 1)) + 1;
    arena_.reserve(offset);
    char* at = arena_.data(offset);
    at[0] = static_cast<char>(text.size());
    std::memcpy(at + 1, text.data(), text.size());
    arenaSize_ = offset + need;

    const auto id = static_cast<std::uint32_t>(offset);
    slots_[slot] = id;
    if (++entries_ * 10 > slots_.size() * 7)
        grow();
    return id;
}

void RecordSegment::grow()
{
    std::vector<std::uint32_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    std::size_t mask = slots_.size() - 1;
    for (std::uint32_t id : old) {
        if (!id)
            continue;
        const char* at = arena_.data(id);
        std::size_t slot = hashText(std::string_view(at + 1, static_cast<unsigned char>(*at))) & mask;
        while (slots_[slot])
            slot = (slot + 1) & mask;
        slots_[slot] = id;
    }
}

std::size_t RecordSegment::memoryBytes() const
{
    return sizeof(*this) + rows_.bytes() + arena_.bytes() + slots_.capacity() * sizeof(std::uint32_t);
}
