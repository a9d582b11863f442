#include "app/help_file_location.h"

namespace {

constexpr std::string_view kHelpFileName = "zq7.hlp";

}  // namespace

std::string helpFileLocation(const std::string& programFolder, std::string_view dataFromProgram,
                             const std::function<bool(const std::string& path)>& exists)
{
    const std::string beside = programFolder + std::string(kHelpFileName);
    if (exists(beside) || dataFromProgram.empty())
        return beside;
    // The program folder ends in its own separator; use that one again.
    const char separator = programFolder.empty() ? '/' : programFolder.back();
    std::string installed = programFolder + std::string(dataFromProgram);
    if (installed.back() != '/' && installed.back() != '\\')
        installed += separator;
    installed += kHelpFileName;
    return exists(installed) ? installed : beside;
}
