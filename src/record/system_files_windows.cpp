#include "record/system_files.h"

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace systemFiles {

namespace {

/// errno for what a failing Windows call left in GetLastError, so callers
/// report it with strerror as they do on POSIX.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

int failWithLastError()
{
    errno = errnoOf(GetLastError());
    return -1;
}

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

std::string environment(const char* name)
{
    char value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

int open(const std::string& path, int flags, int mode)
{
    (void)mode;
    const int access = flags & (O_RDONLY | O_WRONLY | O_RDWR);
    const DWORD desired = access == O_WRONLY ? GENERIC_WRITE
                          : access == O_RDWR ? GENERIC_READ | GENERIC_WRITE
                                             : GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & O_CREAT) && (flags & O_EXCL))
        disposition = CREATE_NEW;
    else if ((flags & O_CREAT) && (flags & O_TRUNC))
        disposition = CREATE_ALWAYS;
    else if (flags & O_CREAT)
        disposition = OPEN_ALWAYS;
    else if (flags & O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    // Shared for deletion too: a file that is open may still be renamed
    // over or removed, which the atomic saves and the journal rely on.
    const HANDLE handle =
        CreateFileA(path.c_str(), desired, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A folder refuses a plain open as "access denied"; say what it is.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            errno = EISDIR;
            return -1;
        }
        errno = errnoOf(error);
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | (access == O_RDONLY ? _O_RDONLY : 0));
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
        return -1;
    }
    return fd;
}

int makeTemporary(std::string& pathTemplate)
{
    constexpr std::size_t kMarks = 6;
    if (pathTemplate.size() < kMarks || pathTemplate.compare(pathTemplate.size() - kMarks, kMarks, "XXXXXX") != 0) {
        errno = EINVAL;
        return -1;
    }
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned value = GetCurrentProcessId() * 7919u + GetTickCount() + temporaryCounter.fetch_add(1) * 104729u;
        for (std::size_t i = pathTemplate.size() - kMarks; i < pathTemplate.size(); ++i) {
            pathTemplate[i] = kDigits[value % 36];
            value /= 36;
        }
        const int fd = open(pathTemplate, O_RDWR | O_CREAT | O_EXCL);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

ssize_t readAt(int fd, void* into, std::size_t size, off_t offset)
{
    OVERLAPPED at{};
    const auto position = static_cast<unsigned long long>(offset);
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD got = 0;
    const DWORD wanted = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(fd), into, wanted, &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        return failWithLastError();
    }
    return static_cast<ssize_t>(got);
}

int syncData(int fd) { return FlushFileBuffers(handleOf(fd)) ? 0 : failWithLastError(); }

int syncAll(int fd) { return syncData(fd); }

bool lockExclusive(int fd)
{
    // One byte far beyond any end of file: the lock tells another run the
    // file is in use without keeping anyone from reading what is in it
    // (Windows locks keep other handles off the bytes they cover).
    OVERLAPPED beyondEnd{};
    beyondEnd.Offset = 0xFFFFFFFE;
    beyondEnd.OffsetHigh = 0x7FFFFFFF;
    if (LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &beyondEnd))
        return true;
    failWithLastError();
    if (errno == EBUSY)
        errno = EWOULDBLOCK;
    return false;
}

int setMode(int, unsigned) { return 0; }

int replace(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : failWithLastError();
}

int makeFolder(const std::string& path) { return ::_mkdir(path.c_str()); }

std::optional<std::string> linkTarget(const std::string&) { return std::nullopt; }

ReadOnlyMapping::~ReadOnlyMapping()
{
    if (start_)
        UnmapViewOfFile(start_);
}

bool ReadOnlyMapping::map(int fd, std::size_t size)
{
    const HANDLE mapping = CreateFileMappingA(handleOf(fd), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return failWithLastError() == 0;
    void* const start = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
    const DWORD error = GetLastError();
    // The view keeps the mapping alive.
    CloseHandle(mapping);
    if (!start) {
        errno = errnoOf(error);
        return false;
    }
    start_ = start;
    size_ = size;
    return true;
}

bool localTime(std::time_t time, std::tm& local) { return localtime_s(&local, &time) == 0; }

long utcOffsetSeconds(std::time_t time, const std::tm& local)
{
    // Windows' tm has no offset: the local and the UTC reading of the same
    // moment, as seconds of their calendars, differ by it.
    std::tm utc{};
    if (gmtime_s(&utc, &time) != 0)
        return 0;
    const auto secondsOf = [](const std::tm& t) {
        using namespace std::chrono;
        const sys_days day{year{t.tm_year + 1900} / month{static_cast<unsigned>(t.tm_mon + 1)} /
                           static_cast<unsigned>(t.tm_mday)};
        return day.time_since_epoch().count() * 86400LL + t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec;
    };
    return static_cast<long>(secondsOf(local) - secondsOf(utc));
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

std::string stateFolder()
{
    std::string local = environment("LOCALAPPDATA");
    if (local.empty()) {
        const std::string profile = environment("USERPROFILE");
        local = profile.empty() ? std::string(".") : profile + "\\AppData\\Local";
    }
    return local + "\\zqmeter";
}

}  // namespace systemFiles
