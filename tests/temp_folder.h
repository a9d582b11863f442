#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

/// A new folder in the system's temporary folder, removed with all it holds
/// at the end of the test.
class TempFolder {
public:
    TempFolder()
    {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("zq-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error))
                path_ = candidate.generic_string();
        }
    }
    ~TempFolder()
    {
        std::error_code error;
        if (!path_.empty())
            std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
