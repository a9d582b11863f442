#include "record/text_table_file.h"

#include "meter/whole_number.h"
#include "record/record_file_error.h"
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
/// A field without a value, in the No position too.
constexpr std::string_view kNull = "NULL";
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

/// Whether a byte of @p word is a blank.
template <class Word>
bool blankIn(Word word)
{
    constexpr Word kOnes = static_cast<Word>(0x0101010101010101u);
    word ^= static_cast<Word>(kOnes * ' ');
    // Nonzero exactly when a byte of word is zero.
    return static_cast<Word>((word - kOnes) & ~word & static_cast<Word>(kOnes << 7)) != 0;
}

/// Copies the word at @p from to @p to and tells whether it holds a blank.
template <class Word>
bool copyWord(char* to, const char* from)
{
    Word word;
    std::memcpy(&word, from, sizeof word);
    std::memcpy(to, &word, sizeof word);
    return blankIn(word);
}

/// Copies @p text, 1 to 20 bytes, to @p at and tells whether it holds a
/// blank. The writer asks this of every text, so it goes a few words at a
/// time, overlapping where they must, rather than a byte at a time.
bool copyHoldsBlank(char* at, std::string_view text)
{
    const char* const p = text.data();
    const std::size_t n = text.size();
    bool blank = false;
    if (n >= 8) {
        blank |= copyWord<std::uint64_t>(at, p);
        blank |= copyWord<std::uint64_t>(at + n - 8, p + n - 8);
        if (n > 16)
            blank |= copyWord<std::uint64_t>(at + 8, p + 8);
        return blank;
    }
    if (n >= 4) {
        blank |= copyWord<std::uint32_t>(at, p);
        blank |= copyWord<std::uint32_t>(at + n - 4, p + n - 4);
        return blank;
    }
    for (std::size_t i = 0; i < n; ++i) {
        at[i] = p[i];
        blank |= p[i] == ' ';
    }
    return blank;
}

/// Appends a trimmed, non-empty text as a field. The reader splits at
/// blanks and reads a field that starts with a quote as quoted, so such a
/// text goes out quoted, which it reads back whole; any other text goes out
/// as it is, as it always has.
char* appendText(char* at, std::string_view text)
{
    if (!copyHoldsBlank(at, text) && text.front() != '"')
        return at + text.size();
    *at++ = '"';
    for (char c : text) {
        *at++ = c;
        if (c == '"')
            *at++ = '"';
    }
    *at++ = '"';
    return at;
}

constexpr const char* kNinthField = "more than eight fields";
constexpr const char* kBadNo = "the first field (No) is neither a whole number of 32 bits nor NULL";

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
    /// Why feed() or finish() failed, and on which line.
    const RecordFileError& error() const { return error_; }

private:
    enum class State : std::uint8_t { FirstLine, Between, Plain, Quoted, QuoteInQuoted };

    static bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
    static bool isSeparator(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        return u >= 1 && u <= 32;
    }

    /// Reads the whole line at @p p when it lies in [p, end) and holds no
    /// quoted field and no NUL, the usual case: fields straight from the
    /// buffer into the table. Sets @p p past its line end, or leaves it for
    /// the byte-wise path; false for a failing line.
    enum class Fast : std::uint8_t { Done, Slow, Failed };
    Fast fastLine(const char*& p, const char* end);

    bool startField();
    void addByte(char c);
    void addBytes(const char* p, std::size_t n);
    void endField();
    bool endLine();
    /// Fails the line being read (the one after the last line end).
    bool failLine(const char* reason);

    RecordTable& table_;
    RecordFileError error_;
    std::uint64_t lineEnds_ = 0;
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
    /// Bytes of "NULL" the first field has matched so far; past 4 once it
    /// cannot be "NULL".
    std::uint8_t noNull_ = 0;

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
        if (count == kRecordFieldCount) {
            failLine(kNinthField);
            return Fast::Failed;
        }
        const char* const from = at;
        // Stops at a NUL too: no separator, but no byte the table keeps
        // either, so the byte-wise path stores that field.
        while (at < end && static_cast<unsigned char>(*at) > 32)
            ++at;
        if (at == end || *at == '\0')
            return Fast::Slow;
        const std::string_view field(from, static_cast<std::size_t>(at - from));
        if (count == 0) {
            const std::optional<std::int32_t> no = parseWholeNumber(field);
            fields.no = no.value_or(0);
            fields.hasNo = no.has_value();
            noValid = no || field == kNull;  // "NULL": a row without a No
        } else {
            // A plain field here holds no byte below 33, so cutting it is
            // all the table asks.
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
    if (count > 0 && !noValid) {
        failLine(kBadNo);
        return Fast::Failed;
    }
    ++lineEnds_;
    if (count > 0)
        table_.appendFields(fields, kRowInserted);
    return Fast::Done;
}

bool TextTableParser::startField()
{
    if (fields_ == kRecordFieldCount)
        return failLine(kNinthField);
    ++fields_;
    textLength_ = 0;
    if (fields_ == 1) {
        noValid_ = true;
        noNegative_ = false;
        noDigits_ = false;
        noMagnitude_ = 0;
        noLength_ = 0;
        noNull_ = 0;
    }
    return true;
}

void TextTableParser::addByte(char c)
{
    if (fields_ == 1) {
        const bool stillNull = noNull_ < kNull.size() && c == kNull[noNull_];
        noNull_ = static_cast<std::uint8_t>(stillNull ? noNull_ + 1 : kNull.size() + 1);
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
            noValid_ = noNull_ == kNull.size();  // "NULL": a row without a No
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
    if (wasFirst || fields_ == 0) {
        ++lineEnds_;
        return true;
    }
    const bool ok = noValid_;
    if (ok)
        table_.appendRow(row_);
    else
        failLine(kBadNo);
    // Only the fields this line set have a value to remove.
    for (std::size_t i = 0; i < fields_; ++i)
        row_.clearField(recordField(i));
    fields_ = 0;
    if (ok)
        ++lineEnds_;
    return ok;
}

bool TextTableParser::failLine(const char* reason)
{
    error_.reason = reason;
    error_.line = lineEnds_ + 1;
    return false;
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
    if (!sawByte_) {
        error_.reason = "it holds no line, not even the header";
        return false;
    }
    return !inLine_ || endLine();
}

}  // namespace

namespace {

// Longest line: No, seven tabs and texts quoted with every byte a doubled
// quote, CR LF.
constexpr std::size_t kLongestLine = 11 + 7 * (1 + 2 + 2 * kRecordTextWidth) + 2;

char* formatLine(char* at, const RecordRowAccess& rows, std::size_t row)
{
    if (const std::optional<std::int32_t> no = rows.no(row))
        at = std::to_chars(at, at + 11, *no).ptr;
    else
        at = append(at, kNull);
    for (std::size_t field = 1; field < kRecordFieldCount; ++field) {
        *at++ = '\t';
        const std::optional<std::string_view> text = rows.text(row, recordField(field));
        const std::string_view value = text ? trimmed(*text) : std::string_view();
        at = value.empty() ? append(at, kNull) : appendText(at, value);
    }
    *at++ = '\r';
    *at++ = '\n';
    return at;
}

}  // namespace

std::string_view TextTableFile::header() { return kHeader; }

void TextTableFile::appendLine(std::string& out, const RecordRowAccess& rows, std::size_t row)
{
    const std::size_t size = out.size();
    out.resize(size + kLongestLine);
    char* const start = out.data() + size;
    out.resize(size + static_cast<std::size_t>(formatLine(start, rows, row) - start));
}

bool TextTableFile::write(const RecordTableReader& rows, RecordFileOutput& out, RecordFileJobProgress* progress)
{
    out.put(kHeader);
    const std::size_t count = rows.rowCount();
    if (progress)
        progress->total.store(count, std::memory_order_relaxed);
    for (std::size_t row = 0; row < count; ++row) {
        char* const start = out.reserve(kLongestLine);
        out.advance(static_cast<std::size_t>(formatLine(start, rows, row) - start));
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

bool TextTableFile::read(RecordFileInput& in, RecordTable& table, RecordFileJobProgress* progress,
                         RecordFileError* error)
{
    if (progress)
        progress->total.store(in.size(), std::memory_order_relaxed);
    TextTableParser parser(table);
    const auto fail = [&](RecordFileError why) {
        if (error)
            *error = std::move(why);
        return false;
    };
    const std::unique_ptr<char[]> buffer(new char[kReadChunk]);
    std::uint64_t done = 0;
    for (;;) {
        const std::size_t n = in.read(buffer.get(), kReadChunk);
        if (in.failed())
            return fail({in.failure(), 0});
        if (n == 0)
            return parser.finish() || fail(parser.error());
        if (!parser.feed(buffer.get(), n))
            return fail(parser.error());
        done += n;
        if (progress) {
            if (progress->cancelRequested())
                return fail({"the load was cancelled", 0});
            progress->setDone(done);
        }
    }
}

bool TextTableFile::parse(std::string_view bytes, RecordTable& table, std::size_t chunk, RecordFileError* error)
{
    TextTableParser parser(table);
    bool ok = true;
    while (ok && !bytes.empty()) {
        const std::size_t n = std::min(chunk, bytes.size());
        ok = parser.feed(bytes.data(), n);
        bytes.remove_prefix(n);
    }
    ok = ok && parser.finish();
    if (!ok && error)
        *error = parser.error();
    return ok;
}
