#include "record/record_segment.h"

#include <bit>
#include <cstring>

namespace {

// A dictionary this size rehashes in a few milliseconds at most; a segment
// whose texts hardly repeat is closed instead of growing past it.
constexpr std::size_t kMaxEntries = std::size_t{1} << 19;
constexpr std::size_t kTextFields = kRecordFieldCount - 1;
constexpr std::uint64_t kArenaLimit = std::uint64_t{1} << 32;
constexpr std::size_t kMaxRows = (std::size_t{1} << 32) - 1;

std::uint64_t load64(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

/// Texts are 20 bytes at most, so a word at a time with a strong final
/// mix beats any byte loop; the tail is read as overlapping words.
std::uint64_t hashText(std::string_view text)
{
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ (n * 0xFF51AFD7ED558CCDull);
    while (n > 8) {
        hash = (hash ^ load64(p)) * 0xC4CEB9FE1A85EC53ull;
        hash ^= hash >> 29;
        p += 8;
        n -= 8;
    }
    std::uint64_t tail = 0;
    if (n >= 4) {
        std::uint32_t low, high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + n - 4, 4);
        tail = (std::uint64_t{high} << 32) | low;
    } else if (n > 0) {
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        tail = (std::uint64_t{u[0]} << 16) | (std::uint64_t{u[n / 2]} << 8) | u[n - 1];
    }
    hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 32;
    hash *= 0x94D049BB133111EBull;
    hash ^= hash >> 29;
    return hash;
}

constexpr std::uint64_t tagOf(std::uint64_t hash) { return hash & 0xFFFFFFFF00000000ull; }

/// Slots are found by the top bits of the hash, which the slot keeps, so
/// growing the dictionary never reads the texts again.
std::size_t slotOf(std::uint64_t hash, std::size_t slotCount)
{
    return static_cast<std::size_t>(hash >> (64 - std::countr_zero(slotCount)));
}

}  // namespace

RecordSegment::RecordSegment() : slots_(1024, 0) {}

bool RecordSegment::canTake() const
{
    constexpr std::uint64_t worstRow = kTextFields * (1 + kRecordTextWidth);
    return !sealed_ && rowCount_ < kMaxRows && entries_ + kTextFields <= kMaxEntries &&
           arenaSize_ + worstRow + decltype(arena_)::kChunk < kArenaLimit;
}

void RecordSegment::seal()
{
    if (sealed_)
        return;
    sealed_ = true;
    std::vector<std::uint64_t>().swap(slots_);
}

void RecordSegment::append(const RecordRow& row, RecordRowState state)
{
    RecordRowFields fields;
    for (std::size_t i = 0; i < kTextFields; ++i) {
        if (std::optional<std::string_view> text = row.text(recordField(i + 1))) {
            fields.texts[i] = *text;
            fields.present = static_cast<std::uint8_t>(fields.present | (1u << i));
        }
    }
    if (std::optional<std::int32_t> no = row.no()) {
        fields.no = *no;
        fields.hasNo = true;
    }
    append(fields, state);
}

void RecordSegment::append(const RecordRowFields& fields, RecordRowState state)
{
    rows_.reserve(rowCount_);
    Stored& stored = rows_[rowCount_];
    for (std::size_t i = 0; i < kTextFields; ++i)
        stored.text[i] = (fields.present >> i) & 1u ? intern(i, fields.texts[i]) : 0;
    stored.no = fields.hasNo ? fields.no : 0;
    stored.hasNo = fields.hasNo;
    stored.state = state;
    ++rowCount_;
}

std::uint32_t RecordSegment::intern(std::size_t field, std::string_view text)
{
    if (const std::uint32_t last = lastText_[field]) {
        const char* at = arena_.data(last);
        if (static_cast<unsigned char>(*at) == text.size() && std::memcmp(at + 1, text.data(), text.size()) == 0)
            return last;
    }
    const std::uint64_t hash = hashText(text);
    const std::uint64_t tag = tagOf(hash);
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = slotOf(hash, slots_.size());
    while (const std::uint64_t entry = slots_[slot]) {
        if (tagOf(entry) == tag) {
            const auto id = static_cast<std::uint32_t>(entry);
            const char* at = arena_.data(id);
            if (static_cast<unsigned char>(*at) == text.size() &&
                std::memcmp(at + 1, text.data(), text.size()) == 0)
                return lastText_[field] = id;
        }
        slot = (slot + 1) & mask;
    }
    return lastText_[field] = insert(text, hash, slot);
}

std::uint32_t RecordSegment::insert(std::string_view text, std::uint64_t hash, std::size_t slot)
{
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
    slots_[slot] = tagOf(hash) | id;
    if (++entries_ * 10 > slots_.size() * 7)
        grow();
    return id;
}

void RecordSegment::grow()
{
    std::vector<std::uint64_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t entry : old) {
        if (!entry)
            continue;
        std::size_t slot = slotOf(entry, slots_.size());
        while (slots_[slot])
            slot = (slot + 1) & mask;
        slots_[slot] = entry;
    }
}

std::size_t RecordSegment::memoryBytes() const
{
    return sizeof(*this) + rows_.bytes() + arena_.bytes() + slots_.capacity() * sizeof(std::uint64_t);
}
