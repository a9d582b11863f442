#include "record/text_table_file.h"

#include "record/record_file_input.h"
#include "record/record_file_job_progress.h"
#include "record/record_file_output.h"
#include "record/record_table.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr std::string_view kHeader = "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n";
constexpr std::size_t kReadChunk = std::size_t{1} << 20;

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

char* append(char* at, std::string_view text)
{
    for (char c : text)
        *at++ = c;
    return at;
}

/// Splits the file into lines and fields as the bytes arrive, so neither a
/// long line nor the file is ever held: a field keeps only what the table
/// stores of it (20 bytes of a text; No is read digit by digit).
class TextTableParser {
public:
    explicit TextTableParser(RecordTable& table) : table_(table) {}

    /// False at the first failing line; then stop feeding.
    bool feed(const char* p, std::size_t n);
    /// End of the file. False for a file without any line or a failing
    /// last line.
    bool finish();

private:
    enum class State : std::uint8_t { FirstLine, Between, Plain, Quoted, QuoteInQuoted };

    static bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
    static bool isSeparator(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        return u >= 1 && u <= 32;
    }

    /// Reads the whole line at @p p when it lies in [p, end) and holds no
    /// quote, the usual case: fields straight from the buffer into the
    /// table. Sets @p p past its line end, or leaves it for the byte-wise
    /// path; false for a failing line.
    enum class Fast : std::uint8_t { Done, Slow, Failed };
    Fast fastLine(const char*& p, const char* end);

    bool startField();
    void addByte(char c);
    void addBytes(const char* p, std::size_t n);
    void endField();
    bool endLine();

    RecordTable& table_;
    State state_ = State::FirstLine;
    bool sawByte_ = false;
    bool afterCr_ = false;  ///< the byte before was CR: an LF now is part of that line end
    bool inLine_ = false;   ///< the current line has bytes

    std::size_t fields_ = 0;
    // The field being read.
    char text_[kRecordTextWidth];
    std::size_t textLength_ = 0;
    // No, read as it comes: an optional sign and digits within 32 bits.
    bool noValid_ = true;
    bool noNegative_ = false;
    bool noDigits_ = false;
    std::int64_t noMagnitude_ = 0;
    std::size_t noLength_ = 0;

    RecordRow row_;
};

TextTableParser::Fast TextTableParser::fastLine(const char*& p, const char* const end)
{
    RecordRowFields fields;
    std::size_t count = 0;
    bool noValid = true;
    const char* at = p;
    for (;;) {
        while (at < end && isSeparator(*at) && !isLineEnd(*at))
            ++at;
        if (at == end || *at == '"')
            return Fast::Slow;
        if (isLineEnd(*at))
            break;
        if (count == kRecordFieldCount)
            return Fast::Failed;  // a ninth field
        const char* const from = at;
        while (at < end && !isSeparator(*at))
            ++at;
        if (at == end)
            return Fast::Slow;
        const std::string_view field(from, static_cast<std::size_t>(at - from));
        if (count == 0) {
            // An optional sign and digits within 32 bits, as the byte-wise path reads it.
            std::size_t i = 0;
            const bool negative = field[0] == '-';
            if (field[0] == '-' || field[0] == '+')
                i = 1;
            std::int64_t magnitude = 0;
            noValid = i < field.size();
            for (; noValid && i < field.size(); ++i) {
                const unsigned digit = static_cast<unsigned char>(field[i]) - unsigned{'0'};
                magnitude = magnitude * 10 + digit;
                noValid = digit <= 9 && magnitude <= (std::int64_t{1} << 31);
            }
            const std::int64_t value = negative ? -magnitude : magnitude;
            noValid = noValid && value >= INT32_MIN && value <= INT32_MAX;
            fields.no = static_cast<std::int32_t>(value);
            fields.hasNo = noValid;
        } else {
            // A plain field holds no blank, so cutting it is all the table asks.
            fields.texts[count - 1] = field.substr(0, kRecordTextWidth);
            fields.present = static_cast<std::uint8_t>(fields.present | (1u << (count - 1)));
        }
        ++count;
    }
    // *at is the line end.
    sawByte_ = true;
    if (*at == '\r') {
        if (at + 1 < end) {
            if (at[1] == '\n')
                ++at;
        } else {
            afterCr_ = true;
        }
    }
    p = at + 1;
    if (count == 0)
        return Fast::Done;
    if (!noValid)
        return Fast::Failed;
    table_.appendFields(fields, kRowInserted);
    return Fast::Done;
}

bool TextTableParser::startField()
{
    if (fields_ == kRecordFieldCount)
        return false;  // a ninth field
    ++fields_;
    textLength_ = 0;
    if (fields_ == 1) {
        noValid_ = true;
        noNegative_ = false;
        noDigits_ = false;
        noMagnitude_ = 0;
        noLength_ = 0;
    }
    return true;
}

void TextTableParser::addByte(char c)
{
    if (fields_ == 1) {
        if (!noValid_)
            return;
        if (noLength_++ == 0 && (c == '-' || c == '+')) {
            noNegative_ = c == '-';
        } else if (c >= '0' && c <= '9') {
            noDigits_ = true;
            noMagnitude_ = noMagnitude_ * 10 + (c - '0');
            if (noMagnitude_ > std::int64_t{1} << 31)
                noValid_ = false;
        } else {
            noValid_ = false;
        }
        return;
    }
    if (textLength_ < kRecordTextWidth)
        text_[textLength_++] = c;
}

void TextTableParser::addBytes(const char* p, std::size_t n)
{
    if (fields_ == 1) {
        for (std::size_t i = 0; i < n; ++i)
            addByte(p[i]);
        return;
    }
    const std::size_t room = kRecordTextWidth - textLength_;
    const std::size_t take = n < room ? n : room;
    std::memcpy(text_ + textLength_, p, take);
    textLength_ += take;
}

void TextTableParser::endField()
{
    if (fields_ == 1) {
        const std::int64_t value = noNegative_ ? -noMagnitude_ : noMagnitude_;
        if (noValid_ && noDigits_ && value <= INT32_MAX)
            row_.setNo(static_cast<std::int32_t>(value));
        else
            noValid_ = false;
    } else if (fields_ >= 2) {
        row_.setText(recordField(fields_ - 1), std::string_view(text_, textLength_));
    }
}

bool TextTableParser::endLine()
{
    const bool wasFirst = state_ == State::FirstLine;
    if (state_ == State::Plain || state_ == State::Quoted || state_ == State::QuoteInQuoted)
        endField();
    state_ = State::Between;
    inLine_ = false;
    if (wasFirst || fields_ == 0)
        return true;
    const bool ok = noValid_;
    if (ok)
        table_.appendRow(row_);
    // Only the fields this line set have a value to remove.
    for (std::size_t i = 0; i < fields_; ++i)
        row_.clearField(recordField(i));
    fields_ = 0;
    return ok;
}

bool TextTableParser::feed(const char* p, std::size_t n)
{
    const char* const end = p + n;
    if (n > 0)
        sawByte_ = true;
    while (p < end) {
        const char c = *p;
        if (afterCr_) {
            afterCr_ = false;
            if (c == '\n') {
                ++p;
                continue;
            }
        }
        if (isLineEnd(c)) {
            afterCr_ = c == '\r';
            ++p;
            if (!endLine())
                return false;
            continue;
        }
        if (state_ == State::Between && !inLine_) {
            const Fast fast = fastLine(p, end);
            if (fast == Fast::Failed)
                return false;
            if (fast == Fast::Done)
                continue;
        }
        inLine_ = true;
        switch (state_) {
        case State::FirstLine:
            ++p;
            break;
        case State::Between:
            ++p;
            if (isSeparator(c))
                break;
            if (!startField())
                return false;
            state_ = c == '"' ? State::Quoted : State::Plain;
            if (c != '"')
                addByte(c);
            break;
        case State::Plain: {
            // The common case: find the field's end, then take it in one go.
            const char* const from = p;
            while (p < end && !isSeparator(*p))
                ++p;
            addBytes(from, static_cast<std::size_t>(p - from));
            if (p < end && !isLineEnd(*p)) {
                endField();
                state_ = State::Between;
                ++p;
            }
            break;
        }
        case State::Quoted:
            ++p;
            if (c == '"')
                state_ = State::QuoteInQuoted;
            else
                addByte(c);
            break;
        case State::QuoteInQuoted:
            if (c == '"') {
                addByte('"');
                state_ = State::Quoted;
                ++p;
                break;
            }
            // The closing quote ended the field; what follows starts anew.
            endField();
            state_ = State::Between;
            break;
        }
    }
    return true;
}

bool TextTableParser::finish()
{
    if (!sawByte_)
        return false;
    return !inLine_ || endLine();
}

}  // namespace

bool TextTableFile::write(const RecordTableReader& rows, RecordFileOutput& out, RecordFileJobProgress* progress)
{
    out.put(kHeader);
    const std::size_t count = rows.rowCount();
    if (progress)
        progress->total.store(count, std::memory_order_relaxed);
    // Longest line: No, seven tabs and texts, CR LF.
    constexpr std::size_t kLongestLine = 11 + 7 * (1 + kRecordTextWidth) + 2;
    for (std::size_t row = 0; row < count; ++row) {
        char* const start = out.reserve(kLongestLine);
        char* at = start;
        if (const std::optional<std::int32_t> no = rows.no(row))
            at = std::to_chars(at, at + 11, *no).ptr;
        for (std::size_t field = 1; field < kRecordFieldCount; ++field) {
            *at++ = '\t';
            const std::optional<std::string_view> text = rows.text(row, recordField(field));
            const std::string_view value = text ? trimmed(*text) : std::string_view();
            at = append(at, value.empty() ? std::string_view("NULL") : value);
        }
        *at++ = '\r';
        *at++ = '\n';
        out.advance(static_cast<std::size_t>(at - start));
        if ((row & 0xFFFF) == 0xFFFF && progress) {
            if (progress->cancelRequested())
                return false;
            progress->setDone(row + 1);
        }
    }
    if (progress)
        progress->setDone(count);
    return !out.failed();
}

bool TextTableFile::read(RecordFileInput& in, RecordTable& table, RecordFileJobProgress* progress)
{
    if (progress)
        progress->total.store(in.size(), std::memory_order_relaxed);
    TextTableParser parser(table);
    const std::unique_ptr<char[]> buffer(new char[kReadChunk]);
    std::uint64_t done = 0;
    for (;;) {
        const std::size_t n = in.read(buffer.get(), kReadChunk);
        if (in.failed())
            return false;
        if (n == 0)
            return parser.finish();
        if (!parser.feed(buffer.get(), n))
            return false;
        done += n;
        if (progress) {
            if (progress->cancelRequested())
                return false;
            progress->setDone(done);
        }
    }
}

bool TextTableFile::parse(std::string_view bytes, RecordTable& table, std::size_t chunk)
{
    TextTableParser parser(table);
    while (!bytes.empty()) {
        const std::size_t n = std::min(chunk, bytes.size());
        if (!parser.feed(bytes.data(), n))
            return false;
        bytes.remove_prefix(n);
    }
    return parser.finish();
}
