#include "record/leftover_journal.h"

#include "record/record_journal.h"
#include "record/record_table.h"
#include "record/system_files.h"
#include "record/text_table_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

/// The Time field of one line of the record text form; empty when the line
/// holds none.
std::string timeOf(std::string_view line)
{
    RecordTable table;
    std::string bytes(TextTableFile::header());
    bytes.append(line);
    TextTableFile::parse(bytes, table);
    if (table.empty())
        return {};
    return table.fieldText(0, RecordField::Time).value_or(std::string());
}

struct Scan {
    std::uint64_t wholeSize = 0;  ///< up to and with the last line end
    std::size_t lines = 0;
    std::string firstRow;         ///< the line after the header
    std::string lastRow;          ///< the last whole line, when not the header
};

bool scan(int fd, Scan& out)
{
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    std::string line;  // the line being read, while it is one we keep
    std::uint64_t offset = 0;
    std::uint64_t lineStart = 0;
    for (;;) {
        const ssize_t n = systemFiles::readAt(fd, buffer.get(), kChunk, static_cast<off_t>(offset));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        const char* p = buffer.get();
        const char* const end = p + n;
        while (p < end) {
            const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            const char* const stop = newline ? newline + 1 : end;
            // Only the first row and the lines that may be the last are
            // kept whole; a line is short, so keeping each is cheap.
            line.append(p, static_cast<std::size_t>(stop - p));
            if (newline) {
                ++out.lines;
                if (out.lines == 2)
                    out.firstRow = line;
                if (out.lines >= 2)
                    out.lastRow.swap(line);
                line.clear();
                lineStart = offset + static_cast<std::uint64_t>(stop - buffer.get());
            } else if (line.size() > 4096) {
                line.clear();  // no line of a journal is this long; it will not be offered whole
            }
            p = stop;
        }
        offset += static_cast<std::uint64_t>(n);
    }
    out.wholeSize = lineStart;
    return true;
}

}  // namespace

LeftoverJournal::~LeftoverJournal() { release(); }

LeftoverJournal::LeftoverJournal(LeftoverJournal&& other) noexcept { *this = std::move(other); }

LeftoverJournal& LeftoverJournal::operator=(LeftoverJournal&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        lockFd_ = std::exchange(other.lockFd_, -1);
        rows_ = other.rows_;
        firstTime_ = std::move(other.firstTime_);
        lastTime_ = std::move(other.lastTime_);
        lastWritten_ = other.lastWritten_;
        cutBytes_ = other.cutBytes_;
    }
    return *this;
}

void LeftoverJournal::release()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void LeftoverJournal::discard()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
    release();
}

std::vector<LeftoverJournal> LeftoverJournal::find(const std::string& folder)
{
    std::vector<LeftoverJournal> found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return found;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > RecordJournal::kPrefix.size() + RecordJournal::kSuffix.size() &&
            name.substr(0, RecordJournal::kPrefix.size()) == RecordJournal::kPrefix &&
            name.substr(name.size() - RecordJournal::kSuffix.size()) == RecordJournal::kSuffix)
            names.emplace_back(name);
    }
    ::closedir(dir);

    for (const std::string& name : names) {
        LeftoverJournal journal;
        journal.path_ = folder + "/" + name;
        const int fd = systemFiles::open(journal.path_, O_RDWR);
        if (fd < 0)
            continue;
        // A running journal holds its lock; one that can be taken is left over.
        if (!systemFiles::lockExclusive(fd)) {
            ::close(fd);
            continue;
        }
        journal.lockFd_ = fd;
        struct stat info {};
        Scan content;
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !scan(fd, content))
            continue;
        if (content.wholeSize < static_cast<std::uint64_t>(info.st_size)) {
            if (::ftruncate(fd, static_cast<off_t>(content.wholeSize)) != 0)
                continue;
            journal.cutBytes_ = static_cast<std::uint64_t>(info.st_size) - content.wholeSize;
        }
        journal.rows_ = content.lines > 0 ? content.lines - 1 : 0;
        if (journal.rows_ == 0) {
            journal.discard();  // nothing recorded; nothing to offer
            continue;
        }
        journal.firstTime_ = timeOf(content.firstRow);
        journal.lastTime_ = timeOf(content.lastRow);
        journal.lastWritten_ = info.st_mtime;
        found.push_back(std::move(journal));
    }
    std::stable_sort(found.begin(), found.end(), [](const LeftoverJournal& a, const LeftoverJournal& b) {
        return a.lastWritten_ < b.lastWritten_;
    });
    return found;
}

std::string LeftoverJournal::question() const
{
    std::tm local{};
    systemFiles::localTime(lastWritten_, local);
    char written[40];
    std::strftime(written, sizeof written, "%Y-%m-%d %H:%M", &local);
    std::string text = "A run of this program ended without saving its readings.\n\n";
    text += std::to_string(rows_) + (rows_ == 1 ? " reading" : " readings");
    if (!firstTime_.empty() && !lastTime_.empty())
        text += rows_ == 1 ? ", recorded at " + firstTime_ : ", recorded from " + firstTime_ + " to " + lastTime_;
    text += " (last written " + std::string(written) + ")";
    if (cutBytes_ > 0)
        text += "; an unfinished last line was dropped";
    text += ".\n\nAdd them to the table?";
    return text;
}
