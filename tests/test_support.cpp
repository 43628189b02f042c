#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace testing_support {

std::string Hex(std::string_view pairs) {
    std::string bytes;
    int high = -1;
    for (char ch : pairs) {
        int value;
        if (ch >= '0' && ch <= '9') {
            value = ch - '0';
        } else if (ch >= 'a' && ch <= 'f') {
            value = ch - 'a' + 10;
        } else if (ch >= 'A' && ch <= 'F') {
            value = ch - 'A' + 10;
        } else {
            continue;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    return bytes;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}

namespace {

std::optional<std::filesystem::path> ExistingFolder(const char* variable, const char* built) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') value = built;
    std::error_code error;
    if (!std::filesystem::is_directory(value, error)) return std::nullopt;
    return std::filesystem::path(value);
}

}  // namespace

std::optional<std::filesystem::path> FixturesDir() {
    return ExistingFolder("PLOTSIEVE_FIXTURES", PLOTSIEVE_FIXTURES);
}

std::optional<std::filesystem::path> SamplesDir() {
    return ExistingFolder("PLOTSIEVE_SAMPLES", PLOTSIEVE_SAMPLES);
}

std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& folder,
                                                      std::string_view extension) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == extension) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plotsieve-test-XXXXXX");
    char* made = mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_path, error);
}

std::string JoinedLines(void (*read)(ByteView, ExtractedText&), std::string_view bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    ExtractedText text;
    read(ByteView{copy.data(), copy.size()}, text);
    return text.Joined();
}

ByteView CopyingSource::Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) {
    if (offset >= m_bytes.size()) return {};
    std::string_view piece = std::string_view(m_bytes).substr(offset, count);
    // A new buffer of exactly the piece's size, so the bytes after it are
    // outside any allocation.
    scratch = std::vector<uint8_t>(piece.begin(), piece.end());
    return {scratch.data(), scratch.size()};
}

std::string DxfWithTexts(std::initializer_list<std::string_view> values) {
    std::string dxf = "  0\nSECTION\n  2\nENTITIES\n";
    for (std::string_view value : values) {
        dxf += "  0\nTEXT\n  8\n0\n 10\n0.0\n 20\n0.0\n 40\n2.5\n  1\n";
        dxf += value;
        dxf += "\n";
    }
    dxf += "  0\nENDSEC\n  0\nEOF\n";
    return dxf;
}

}  // namespace testing_support
