// Replays the fuzzer's seed corpus and every input that once broke the plug-in, in any build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_driver.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs() {
    std::vector<fs::path> files;
    for (const char *dir : {VIBREL_FUZZ_CORPUS, VIBREL_FUZZ_REGRESSIONS})
        if (fs::is_directory(dir))
            for (const auto &e : fs::directory_iterator(dir))
                if (e.is_regular_file() && e.path().extension() != ".md") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(FuzzReplay, EveryStoredInputKeepsTheRecordsValid) {
    const std::vector<fs::path> files = inputs();
    ASSERT_FALSE(files.empty());
    for (const fs::path &file : files) {
        std::ifstream f(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        EXPECT_EQ(hardening::run_fuzz_input(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()), "")
            << file.filename();
    }
}

} // namespace
