#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

/// The file-system calls of the record files, the journal and the log that
/// POSIX and Windows spell differently. Descriptors are C library ones
/// (read, write, lseek, ftruncate, fstat and close work on them everywhere);
/// a failing call returns -1 or false with errno set, as POSIX calls do.
///
/// On Windows every file is opened in binary mode (bytes as they are, no
/// CR before a line end) and shared for reading, writing and deletion, so a
/// file that is open may be renamed over or removed, as on POSIX.
namespace systemFiles {

/// open(2) with @p flags (O_RDONLY, O_WRONLY or O_RDWR, with O_CREAT,
/// O_EXCL, O_TRUNC); never inherited by a child process.
int open(const std::string& path, int flags, int mode = 0644);

/// A new file named after @p pathTemplate, whose last six characters are
/// "XXXXXX" and are replaced; read and write, not inherited.
int makeTemporary(std::string& pathTemplate);

/// pread(2): up to @p size bytes from @p offset. On Windows the file
/// position moves; callers seek before they write.
ssize_t readAt(int fd, void* into, std::size_t size, off_t offset);

/// What was written reaches the disk (fdatasync(2)).
int syncData(int fd);
/// What was written and the file's own record reach the disk (fsync(2)).
int syncAll(int fd);

/// Takes the exclusive lock of the file, without waiting; false when
/// another open file holds it. The lock goes with the descriptor.
bool lockExclusive(int fd);

/// Gives the file the permission bits @p mode where the system has them.
int setMode(int fd, unsigned mode);

/// Puts @p from in the place of @p to, in one step, replacing what is there.
int replace(const std::string& from, const std::string& to);

/// Creates the folder @p path (only for the user where the system knows it).
int makeFolder(const std::string& path);

/// The file a symbolic link @p path points to; nothing when @p path is no link.
std::optional<std::string> linkTarget(const std::string& path);

/// localtime_r(3).
bool localTime(std::time_t time, std::tm& local);

/// Seconds east of UTC of @p local, the local time of @p time (tm_gmtoff).
long utcOffsetSeconds(std::time_t time, const std::tm& local);

/// True for the character between folder names: "/", and "\\" on Windows too.
bool isSeparator(char c);

/// Where the last folder name of @p path ends (std::string::npos: none):
/// "/" on every system, and "\" on Windows too.
std::size_t lastSeparator(std::string_view path);

/// A whole file read through memory, not copied: a log of millions of rows
/// is hundreds of megabytes.
class ReadOnlyMapping {
public:
    ReadOnlyMapping() = default;
    ~ReadOnlyMapping();
    ReadOnlyMapping(const ReadOnlyMapping&) = delete;
    ReadOnlyMapping& operator=(const ReadOnlyMapping&) = delete;
    /// Maps the first @p size bytes of @p fd (not 0); false (errno set) when it cannot.
    bool map(int fd, std::size_t size);
    std::string_view bytes() const { return {static_cast<const char*>(start_), size_}; }

private:
    void* start_ = nullptr;
    std::size_t size_ = 0;
};

/// The folder for the program's state that outlives a run (the journals):
/// $XDG_STATE_HOME/zqmeter or ~/.local/state/zqmeter; %LOCALAPPDATA%\zqmeter
/// on Windows.
std::string stateFolder();

}  // namespace systemFiles
