#pragma once

// The real drawings of the fixtures folder as parameters of DWG tests: one
// test instance per drawing, named after it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tests/test_support.h"

namespace dwg_testing {

// The DWG drawings of the fixtures folder whose first six bytes are one of
// `versions` (every one when none is given), sorted by name; none when the
// folder is absent.
inline std::vector<std::filesystem::path> DwgFixturePaths(
    std::initializer_list<std::string_view> versions = {}) {
    std::vector<std::filesystem::path> paths;
    std::optional<std::filesystem::path> dir = testing_support::FixturesDir();
    if (!dir || !std::filesystem::is_directory(*dir / "dwg")) return paths;
    for (const auto& path : testing_support::FilesWithExtension(*dir / "dwg", ".dwg")) {
        std::string version(6, '\0');
        std::ifstream(path, std::ios::binary).read(version.data(), 6);
        if (versions.size() == 0 ||
            std::find(versions.begin(), versions.end(), version) != versions.end()) {
            paths.push_back(path);
        }
    }
    return paths;
}

// A drawing's test name: its file name without ".dwg", each character other
// than an ASCII letter or digit made '_' ("libredwg_example_r14").
inline std::string FixtureTestName(const testing::TestParamInfo<std::filesystem::path>& info) {
    std::string name = info.param.stem().string();
    for (char& ch : name) {
        bool letterOrDigit =
            (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
        if (!letterOrDigit) ch = '_';
    }
    return name;
}

}  // namespace dwg_testing
