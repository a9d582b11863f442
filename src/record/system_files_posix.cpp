#include "record/system_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace systemFiles {

namespace {

bool isAbsolute(const char* path) { return path && path[0] == '/'; }

}  // namespace

int open(const std::string& path, int flags, int mode) { return ::open(path.c_str(), flags | O_CLOEXEC, mode); }

int makeTemporary(std::string& pathTemplate) { return ::mkostemp(pathTemplate.data(), O_CLOEXEC); }

ssize_t readAt(int fd, void* into, std::size_t size, off_t offset) { return ::pread(fd, into, size, offset); }

int syncData(int fd) { return ::fdatasync(fd); }

int syncAll(int fd) { return ::fsync(fd); }

bool lockExclusive(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

int setMode(int fd, unsigned mode) { return ::fchmod(fd, static_cast<mode_t>(mode)); }

int replace(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()); }

int makeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0700); }

std::optional<std::string> linkTarget(const std::string& path)
{
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return std::nullopt;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return std::nullopt;
    std::string target = real;
    std::free(real);
    return target;
}

ReadOnlyMapping::~ReadOnlyMapping()
{
    if (start_)
        ::munmap(start_, size_);
}

bool ReadOnlyMapping::map(int fd, std::size_t size)
{
    void* const start = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (start == MAP_FAILED)
        return false;
    start_ = start;
    size_ = size;
    return true;
}

bool localTime(std::time_t time, std::tm& local) { return ::localtime_r(&time, &local) != nullptr; }

long utcOffsetSeconds(std::time_t, const std::tm& local) { return local.tm_gmtoff; }

bool isSeparator(char c) { return c == '/'; }

std::size_t lastSeparator(std::string_view path) { return path.rfind('/'); }

std::string stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (isAbsolute(state))
        return std::string(state) + "/zqmeter";
    const char* home = std::getenv("HOME");
    return std::string(isAbsolute(home) ? home : "") + "/.local/state/zqmeter";
}

}  // namespace systemFiles
