// Without libFuzzer: runs a fuzz target once on every file of the folders
// (or files) named on the command line, so the corpus and every crash ever
// found are checked on each build. A folder that does not exist holds no
// input (git keeps no empty folder); exit status 1 when no input was found
// at all. A broken invariant aborts.

#include "fuzz_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path place = argv[i];
        std::error_code error;
        std::vector<fs::path> files;
        if (fs::is_directory(place, error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(place, error))
                if (entry.is_regular_file(error))
                    files.push_back(entry.path());
        } else if (fs::is_regular_file(place, error)) {
            files.push_back(place);
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            std::cerr << "running " << file.string() << " (" << bytes.size() << " bytes)\n";
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    std::cout << inputs << " inputs passed\n";
    return inputs > 0 ? 0 : 1;
}
