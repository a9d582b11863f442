#include "record/change_log_filter.h"

#include <cstring>
#include <limits>
#include <string_view>

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

constexpr std::string_view kParams = "PARAMS";
constexpr std::string_view kCData = "![CDATA[";
constexpr std::string_view kChangeLog = "CHANGE_LOG";

/// The character a reference (what stands between "&" and ";") stands
/// for; -1 for one the parser would refuse.
long referenced(std::string_view name)
{
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "amp")
        return '&';
    if (name == "apos")
        return '\'';
    if (name == "quot")
        return '"';
    if (name.size() < 2 || name[0] != '#')
        return -1;
    const bool hex = name[1] == 'x';
    name.remove_prefix(hex ? 2 : 1);
    if (name.empty())
        return -1;
    long code = 0;
    for (char c : name) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return -1;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF)
            return -1;
    }
    const bool isChar = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                        (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
    return isChar ? code : -1;
}

}  // namespace

ChangeLogFilter::Log* ChangeLogFilter::logFor(const char* value)
{
    if (disabled_ || value[0] != '#' || value[1] == '\0')
        return nullptr;
    std::size_t index = 0;
    for (const char* p = value + 1; *p; ++p) {
        if (*p < '0' || *p > '9' || index > logs_.size())
            return nullptr;
        index = index * 10 + static_cast<std::size_t>(*p - '0');
    }
    return index < logs_.size() ? &logs_[index] : nullptr;
}

void ChangeLogFilter::feed(const char* in, std::size_t n, std::string& out)
{
    const char* p = in;
    const char* const end = in + n;
    while (p < end) {
        switch (state_) {
        case State::Disabled:
            out.append(p, end);
            return;
        case State::Text: {
            const void* lt = std::memchr(p, '<', static_cast<std::size_t>(end - p));
            const char* stop = lt ? static_cast<const char*>(lt) + 1 : end;
            out.append(p, stop);
            p = stop;
            if (lt) {
                state_ = State::Markup;
                head_.clear();
            }
            break;
        }
        case State::Markup:
            out += *p;
            markupByte(*p++);
            break;
        case State::Comment:
        case State::CData:
        case State::Instruction: {
            const char c = *p++;
            out += c;
            if (state_ == State::Instruction) {
                closing_ = c == '?' ? 1 : (c == '>' && closing_ == 1 ? 3 : 0);
            } else {
                const char mark = state_ == State::Comment ? '-' : ']';
                closing_ = c == mark ? (closing_ < 2 ? closing_ + 1 : 2) : (c == '>' && closing_ == 2 ? 3 : 0);
            }
            if (closing_ == 3)
                state_ = State::Text;
            break;
        }
        case State::LogValue:
            // The hot part: digits and blanks, taken out of the stream.
        {
            const char* const from = p;
            while (p < end && *p != quote_)
                logByte(*p++);
            taken_ += static_cast<std::uint64_t>(p - from);
        }
            if (p < end) {
                ++p;
                endLog();
                out += '#';
                out += std::to_string(logs_.size() - 1);
                out += quote_;
                state_ = State::TagSpace;
            }
            break;
        default:
            tagByte(*p++, out);
            break;
        }
    }
}

void ChangeLogFilter::markupByte(char c)
{
    head_ += c;
    const std::string_view head = head_;
    if (head[0] == '?') {
        state_ = State::Instruction;
        closing_ = 0;
    } else if (head[0] == '!') {
        if (head.size() == 3 && head[1] == '-') {
            if (head[2] == '-') {
                state_ = State::Comment;
                closing_ = 0;
            } else {
                disabled_ = true;
                state_ = State::Disabled;
            }
        } else if (head.size() >= 2 && head[1] != '-') {
            // A document type declaration may define entities that expand
            // to markup; leave such a file to the parser alone.
            if (head != kCData.substr(0, head.size())) {
                disabled_ = true;
                state_ = State::Disabled;
            } else if (head.size() == kCData.size()) {
                state_ = State::CData;
                closing_ = 0;
            }
        }
    } else if (head.size() <= kParams.size()) {
        if (head != kParams.substr(0, head.size()))
            state_ = State::Text;
    } else {
        state_ = isSpace(c) ? State::TagSpace : State::Text;
    }
    if (state_ == State::Text && c == '<') {
        // Not well-formed, but the next markup starts here all the same.
        state_ = State::Markup;
        head_.clear();
    }
}

void ChangeLogFilter::tagByte(char c, std::string& out)
{
    out += c;
    switch (state_) {
    case State::TagSpace:
        if (isSpace(c))
            break;
        if (c == '/' || c == '>' || c == '<') {
            state_ = State::Text;
            if (c == '<') {
                state_ = State::Markup;
                head_.clear();
            }
            break;
        }
        name_.assign(1, c);
        state_ = State::AttrName;
        break;
    case State::AttrName:
        if (isSpace(c))
            state_ = State::BeforeEquals;
        else if (c == '=')
            state_ = State::AfterEquals;
        else if (c == '/' || c == '>' || c == '<' || c == '"' || c == '\'')
            state_ = State::Text;  // not well-formed: the parser will say so
        else if (name_.size() <= kChangeLog.size())
            name_ += c;
        break;
    case State::BeforeEquals:
        if (!isSpace(c))
            state_ = c == '=' ? State::AfterEquals : State::Text;
        break;
    case State::AfterEquals:
        if (isSpace(c))
            break;
        if (c != '"' && c != '\'') {
            state_ = State::Text;
            break;
        }
        quote_ = c;
        if (name_ == kChangeLog) {
            logs_.emplace_back();
            inReference_ = false;
            inNumber_ = false;
            have_ = 0;
            state_ = State::LogValue;
        } else {
            state_ = State::SkipValue;
        }
        break;
    case State::SkipValue:
        if (c == quote_)
            state_ = State::TagSpace;
        else if (c == '<')
            state_ = State::Text;  // not well-formed: the parser will say so
        break;
    default:
        break;
    }
}

void ChangeLogFilter::logByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (inReference_) {
        if (c != ';') {
            if (reference_.size() > 64 || c == '<' || c == '&' || isSpace(c)) {
                malformed_ = true;
                inReference_ = false;
            } else {
                reference_ += c;
            }
            return;
        }
        inReference_ = false;
        const long code = referenced(reference_);
        if (code < 0)
            malformed_ = true;
        else
            logChar(static_cast<int>(code));
        return;
    }
    if (c == '&') {
        inReference_ = true;
        reference_.clear();
    } else if (c == '<' || (u < 0x20 && !isSpace(c))) {
        malformed_ = true;
    } else {
        // Attribute values are normalised: tab, CR and LF read as blanks.
        logChar(isSpace(c) ? ' ' : u);
    }
}

void ChangeLogFilter::logChar(int c)
{
    Log& log = logs_.back();
    if (!log.valid)
        return;
    if (c == ' ') {
        if (inNumber_)
            endNumber();
        return;
    }
    const bool digit = c >= '0' && c <= '9';
    if (!inNumber_) {
        if (!digit && c != '-') {
            log.valid = false;
            return;
        }
        inNumber_ = true;
        negative_ = c == '-';
        digits_ = digit;
        number_ = digit ? c - '0' : 0;
        return;
    }
    if (!digit) {
        log.valid = false;
        return;
    }
    digits_ = true;
    number_ = number_ * 10 + (c - '0');
    if (number_ > std::numeric_limits<std::int32_t>::max())
        log.valid = false;
}

void ChangeLogFilter::endNumber()
{
    inNumber_ = false;
    Log& log = logs_.back();
    if (!digits_) {
        log.valid = false;
        return;
    }
    numbers_[have_++] = negative_ ? -number_ : number_;
    if (have_ < 3)
        return;
    have_ = 0;
    if (numbers_[0] < 0) {
        log.valid = false;
        return;
    }
    RecordTable::addChangeLogEntry(log.runs, static_cast<std::uint32_t>(numbers_[0]),
                                   static_cast<std::int32_t>(numbers_[1]), static_cast<std::int32_t>(numbers_[2]));
}

void ChangeLogFilter::endLog()
{
    if (inReference_) {
        malformed_ = true;
        inReference_ = false;
    }
    Log& log = logs_.back();
    if (log.valid && inNumber_)
        endNumber();
    if (have_ != 0)
        log.valid = false;
    if (!log.valid)
        log.runs = {};
}
