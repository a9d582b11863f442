#pragma once

#include <functional>
#include <string>
#include <string_view>

/// Where the window finds "zq7.hlp": beside the program first (the build
/// tree puts it there, and a copy put there by hand wins), then in the
/// installed data folder, @p dataFromProgram relative to the program's
/// folder ("../share/zqmeter" under a /usr prefix). @p programFolder ends in
/// a separator. The first of the two that @p exists; beside the program
/// when neither does, so the message about it names the usual place.
std::string helpFileLocation(const std::string& programFolder, std::string_view dataFromProgram,
                             const std::function<bool(const std::string& path)>& exists);
