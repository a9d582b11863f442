#include "record/record_file_input.h"

#include "record/system_files.h"

#include <cerrno>
#include <system_error>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RecordFileInput::~RecordFileInput()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool RecordFileInput::open(const std::string& path)
{
    fd_ = systemFiles::open(path, O_RDONLY);
    if (fd_ < 0) {
        failed_ = true;
        failure_ = "it cannot be opened: " + std::generic_category().message(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
        size_ = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::size_t RecordFileInput::read(char* into, std::size_t size)
{
    if (fd_ < 0 || failed_)
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, into, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR) {
            failed_ = true;  // a folder gives EISDIR here
            failure_ = "it cannot be read: " + std::generic_category().message(errno);
            return 0;
        }
    }
}
