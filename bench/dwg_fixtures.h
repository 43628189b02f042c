#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// A real drawing of the fixtures folder, held in memory.
struct Drawing {
    std::string name;  // the file name without ".dwg"
    std::string path;
    std::string bytes;
};

// The DWG drawings of the fixtures folder (../shared/fixtures/dwg, or
// PLOTSIEVE_FIXTURES) whose first six bytes are one of `versions` (every one
// when none is given), sorted by name; none without the folder.
inline std::vector<Drawing> LoadDwgFixtures(std::initializer_list<std::string_view> versions = {}) {
    const char* place = std::getenv("PLOTSIEVE_FIXTURES");
    std::filesystem::path dir = (place && *place) ? place : PLOTSIEVE_FIXTURES;
    dir /= "dwg";
    std::vector<Drawing> drawings;
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error)) return drawings;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.path().extension() != ".dwg") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        std::string_view version = std::string_view(bytes).substr(0, 6);
        if (versions.size() != 0 &&
            std::find(versions.begin(), versions.end(), version) == versions.end()) {
            continue;
        }
        drawings.push_back({entry.path().stem().string(), entry.path().string(), std::move(bytes)});
    }
    std::sort(drawings.begin(), drawings.end(),
              [](const Drawing& a, const Drawing& b) { return a.name < b.name; });
    return drawings;
}
