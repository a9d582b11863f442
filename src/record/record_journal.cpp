#include "record/record_journal.h"

#include "record/system_files.h"
#include "record/text_table_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Rows a change may bring that are formatted on the table's thread; more
/// (a load appended) go to the writer thread with a reader.
constexpr std::size_t kRowsFormattedHere = 16;

/// Creates @p folder and its parents; false (errno set) when it cannot.
bool makeFolders(const std::string& folder)
{
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && !systemFiles::isSeparator(folder[at]))
            continue;
        const std::string part = folder.substr(0, at);
        struct stat existing {};
        if (::stat(part.c_str(), &existing) == 0) {
            if (S_ISDIR(existing.st_mode))
                continue;  // a drive ("C:") included, which no mkdir makes
            // A file where a folder should be: say so, on every system alike.
            errno = ENOTDIR;
            return false;
        }
        if (systemFiles::makeFolder(part) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

std::string journalName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    systemFiles::localTime(now, local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string(RecordJournal::kPrefix) + std::to_string(::getpid()) + "-" + stamp +
           std::string(RecordJournal::kSuffix);
}

}  // namespace

RecordJournal::~RecordJournal() { finish(false); }

std::string RecordJournal::defaultFolder()
{
    return systemFiles::stateFolder();
}

std::string RecordJournal::start(const std::string& folder)
{
    if (running())
        return {};
    if (!makeFolders(folder))
        return "Cannot create the folder " + folder + ": " + std::strerror(errno);
    std::string path = folder + "/" + journalName();
    // Created and locked before anything is in it, so that no other run
    // takes it for one left over.
    int fd = systemFiles::open(path, O_RDWR | O_CREAT | O_EXCL, 0600);
    for (int again = 1; fd < 0 && errno == EEXIST && again < 100; ++again) {
        path = folder + "/" + journalName().insert(kPrefix.size(), std::to_string(again) + "+");
        fd = systemFiles::open(path, O_RDWR | O_CREAT | O_EXCL, 0600);
    }
    if (fd < 0)
        return "Cannot create the journal " + path + ": " + std::strerror(errno);
    if (!systemFiles::lockExclusive(fd)) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return "Cannot lock the journal " + path + ": " + reason;
    }
    // Append: the file must stay the one that holds the lock.
    if (std::string failure = file_.open(path, AppendingFile::Mode::Append, std::string(TextTableFile::header()));
        !failure.empty()) {
        ::close(fd);
        ::unlink(path.c_str());
        return "Cannot write the journal " + path + ": " + failure;
    }
    lockFd_ = fd;
    table_.addFollower(this);
    if (!table_.empty())
        appendRows(0, table_.rowCount());
    return {};
}

void RecordJournal::finish(bool remove)
{
    if (!running())
        return;
    table_.removeFollower(this);
    const std::string path = file_.path();
    file_.close();
    if (remove)
        ::unlink(path.c_str());
    // The lock goes last: until the file is gone, no other run may take it.
    ::close(lockFd_);
    lockFd_ = -1;
}

void RecordJournal::recordTableChanged(const RecordTableChange& change)
{
    if (file_.failed())
        return;
    if (change.reset) {
        file_.restart();
        if (change.rowCount > 0)
            appendRows(0, change.rowCount);
        return;
    }
    if (change.firstNewRow < change.rowCount)
        appendRows(change.firstNewRow, change.rowCount);
}

void RecordJournal::appendRows(std::size_t first, std::size_t end)
{
    if (end - first <= kRowsFormattedHere) {
        line_.clear();
        for (std::size_t row = first; row < end; ++row)
            TextTableFile::appendLine(line_, table_, row);
        file_.append(line_);
        return;
    }
    file_.append([rows = table_.reader(), first, end](const AppendingFile::Put& put) {
        std::string lines;
        for (std::size_t row = first; row < end; ++row) {
            TextTableFile::appendLine(lines, rows, row);
            if (lines.size() >= 64 * 1024) {
                put(lines);
                lines.clear();
            }
        }
        put(lines);
    });
}
