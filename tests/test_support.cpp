#include "tests/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "tests/block_limit_source.h"

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

std::string DescribeError(const ReadError& error) {
    switch (error.kind) {
        case ReadFailure::Missing:
            return "missing: " + error.reason;
        case ReadFailure::NotARegularFile:
            return "not a regular file: " + error.reason;
        case ReadFailure::NotAFolder:
            return "not a folder: " + error.reason;
        case ReadFailure::Other:
            break;
    }
    return "other: " + error.reason;
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

ByteView CopyingSource::Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) {
    if (offset >= m_bytes.size()) return {};
    std::string_view piece = std::string_view(m_bytes).substr(offset, count);
    // A new buffer of exactly the piece's size, so the bytes after it are
    // outside any allocation.
    scratch = std::vector<uint8_t>(piece.begin(), piece.end());
    return {scratch.data(), scratch.size()};
}

uint64_t CopyingSource::DataFrom(uint64_t offset) {
    if (offset >= m_holeStart && offset < m_holeEnd) return m_holeEnd;
    uint64_t end = offset;
    while (end < m_bytes.size() && m_bytes[end] == '\0') ++end;
    m_holeStart = offset;
    m_holeEnd = end;
    return std::min<uint64_t>(end, m_bytes.size());
}

ByteView GeneratedSource::Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) {
    if (offset >= m_size) return {};
    if (count > m_size - offset) count = static_cast<size_t>(m_size - offset);
    m_largestRead = std::max(m_largestRead, count);
    scratch.resize(count);
    for (size_t k = 0; k < count; ++k) scratch[k] = m_byteAt(offset + k);
    return {scratch.data(), count};
}

std::string JoinedLinesInBlocks(Reader read, std::string_view bytes, size_t byteLimit) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    MemorySource inMemory({copy.data(), copy.size()});
    ExtractedText inPlace(byteLimit);
    read(inMemory, inPlace);
    CopyingSource source(bytes);
    const size_t step = std::max<size_t>(1, bytes.size() / 40);
    for (size_t blockSize = 1; blockSize <= bytes.size() + 1;
         blockSize += blockSize < 128 ? 1 : step) {
        BlockLimitSource blocks(source, blockSize);
        ExtractedText inBlocks(byteLimit);
        read(blocks, inBlocks);
        bool same = inBlocks.size() == inPlace.size();
        for (size_t i = 0; same && i < inPlace.size(); ++i) {
            same = inBlocks[i].kind == inPlace[i].kind && inBlocks[i].text == inPlace[i].text;
        }
        EXPECT_TRUE(same) << "blocks of " << blockSize << " bytes give\n"
                          << inBlocks.Joined() << "\nin place\n"
                          << inPlace.Joined();
        if (!same) break;
    }
    return inPlace.Joined();
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

DeepFolder::DeepFolder(const std::filesystem::path& root, size_t bytes) : m_path(root.string()) {
    const std::string segment(200, 'd');
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_GE(folder, 0) << root;
    m_folders.push_back(folder);
    while (folder >= 0 && m_path.size() < bytes) {
        EXPECT_EQ(mkdirat(folder, segment.c_str(), 0755), 0);
        folder = openat(folder, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(folder, 0);
        if (folder >= 0) m_folders.push_back(folder);
        m_path += "/" + segment;
    }
}

DeepFolder::~DeepFolder() {
    const std::string segment(200, 'd');
    for (const std::string& name : m_files) unlinkat(m_folders.back(), name.c_str(), 0);
    for (size_t i = m_folders.size(); i-- > 0;) {
        if (i > 0) unlinkat(m_folders[i - 1], segment.c_str(), AT_REMOVEDIR);
        close(m_folders[i]);
    }
}

void DeepFolder::WriteFile(const std::string& name, std::string_view bytes) {
    int fd = openat(m_folders.back(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name;
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    m_files.push_back(name);
}

}  // namespace testing_support
