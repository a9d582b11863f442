#pragma once

#include <cstdlib>
#include <string>

#include <unistd.h>

/// A new folder under /tmp, removed with all it holds at the end of the test.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/zq-test-XXXXXX";
        if (const char* made = ::mkdtemp(pattern))
            path_ = made;
    }
    ~TempFolder()
    {
        if (!path_.empty())
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
