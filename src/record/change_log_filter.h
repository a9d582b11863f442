#pragma once

#include "record/record_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Takes the CHANGE_LOG attribute out of a data packet's bytes on their way
/// to the XML parser, and reads it itself as it streams past. The log of a
/// table of ten million rows is a 120 MB attribute; left in, the parser
/// would hold that one start tag whole, several times over, and rescan it
/// at every buffer it grows by. What the parser gets in its place is
/// "#k", k counting the CHANGE_LOG attributes taken out; logFor() gives
/// the entries read for it.
///
/// Only markup is touched: the bytes of comments, CDATA sections and
/// processing instructions pass unchanged, and after a document type
/// declaration (which could define entities) nothing is taken out at all.
/// The attribute value is read as the parser would hand it over: tab, CR
/// and LF are blanks, character references and the five predefined
/// entities stand for their character.
class ChangeLogFilter {
public:
    struct Log {
        std::vector<RecordChangeRun> runs;
        bool valid = true;  ///< three whole numbers an entry, a record number not negative
    };

    /// Appends to @p out what the parser gets for @p n bytes at @p in.
    void feed(const char* in, std::size_t n, std::string& out);
    /// Whether a taken-out value held bytes the parser would have refused
    /// (a "<", a control byte, a broken reference): the packet is then not
    /// well-formed, as the parser would have said.
    bool malformed() const { return malformed_; }
    /// Whether anything may have been taken out; when not, a value "#k" is
    /// the file's own.
    bool active() const { return !disabled_; }
    /// Bytes taken out so far.
    std::uint64_t taken() const { return taken_; }
    /// The log read for the replacement value @p value ("#k"); null for
    /// any other value.
    Log* logFor(const char* value);

private:
    enum class State : std::uint8_t {
        Text, Markup, Comment, CData, Instruction,
        TagSpace, AttrName, BeforeEquals, AfterEquals, SkipValue, LogValue,
        Disabled,
    };

    void markupByte(char c);
    void tagByte(char c, std::string& out);
    void logChar(int c);
    void logByte(char c);
    void endNumber();
    void endLog();

    State state_ = State::Text;
    std::string head_;  ///< bytes after "<", until the kind of markup is known
    std::string name_;  ///< the attribute name being read (its start only)
    char quote_ = 0;
    int closing_ = 0;   ///< bytes of the end of a comment, CDATA or instruction seen
    bool disabled_ = false;
    bool malformed_ = false;
    std::uint64_t taken_ = 0;

    // The log value being read.
    std::vector<Log> logs_;
    std::string reference_;  ///< a reference after "&", until ";"
    bool inReference_ = false;
    bool inNumber_ = false;
    bool negative_ = false;
    bool digits_ = false;
    std::int64_t number_ = 0;
    std::int64_t numbers_[3] = {};
    int have_ = 0;
};
