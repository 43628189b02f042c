#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/byte_source.h"
#include "bytes/byte_view.h"
#include "bytes/extracted_text.h"
#include "platform/read_result.h"

namespace testing_support {

// A source over bytes that serves every read as a fresh copy of exactly the
// bytes asked for, and holds no in-memory view: a reader that walks it block
// by block and reads past a block trips the sanitizer. It tells every run of
// zero bytes as a hole (DataFrom), as a sparse file would its holes, so the
// readers that pass over holes are tested on every one.
class CopyingSource final : public ByteSource {
  public:
    explicit CopyingSource(std::string_view bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override;
    uint64_t DataFrom(uint64_t offset) override;

  private:
    std::string m_bytes;
    uint64_t m_holeStart = 0;  // the last run of zeros told, kept for the reads after
    uint64_t m_holeEnd = 0;
};

// A source of `size` bytes that are never held: the byte at each offset is
// `byteAt(offset)`, made when it is read. Stands for drawings of many
// megabytes (or gigabytes) in tests of memory bounds.
class GeneratedSource final : public ByteSource {
  public:
    GeneratedSource(uint64_t size, std::function<uint8_t(uint64_t)> byteAt)
        : m_size(size), m_byteAt(std::move(byteAt)) {}
    uint64_t Size() const override { return m_size; }
    ByteView Read(uint64_t offset, size_t count, std::vector<uint8_t>& scratch) override;
    // The largest read asked for.
    size_t LargestRead() const { return m_largestRead; }

  private:
    uint64_t m_size;
    std::function<uint8_t(uint64_t)> m_byteAt;
    size_t m_largestRead = 0;
};

// A reader: what one drawing type's reader is.
using Reader = void (*)(ByteSource&, ExtractedText&);

// What `read` gives for `bytes` in place (from a MemorySource over an
// exact-size copy, so an over-read trips the sanitizer), its lines joined
// with CR LF; and checks (as a test failure naming the block size) that it
// gives the same lines, kind by kind, reading a CopyingSource through a
// BlockLimitSource of every block size from 1 to 128 and then of sizes spread
// up to the size of the data: every piece of the data falls across a block
// boundary somewhere. Each reading fills a text of `byteLimit`.
std::string JoinedLinesInBlocks(Reader read, std::string_view bytes,
                                size_t byteLimit = ExtractedText::kDefaultByteLimit);
// A minimal ASCII DXF (LF line ends) whose ENTITIES section holds one TEXT
// entity per value, in order: what the tests of the search give as drawings.
std::string DxfWithTexts(std::initializer_list<std::string_view> values);

// A read error as its kind and reason: "missing: No such file or directory".
std::string DescribeError(const ReadError& error);

// Bytes from hex pairs, spaces ignored: Hex("0D 0A 20 31").
std::string Hex(std::string_view pairs);

// The whole file at `path` (fails the test when it cannot be read).
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// The folder of real drawings and the project's samples/, when they exist.
// The build passes their places in; the environment variables
// PLOTSIEVE_FIXTURES and PLOTSIEVE_SAMPLES override them.
std::optional<std::filesystem::path> FixturesDir();
std::optional<std::filesystem::path> SamplesDir();

// Files in `folder` whose name ends in `extension`, sorted.
std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& folder,
                                                      std::string_view extension);

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// A chain of folders under `root`, each named by 200 "d", deep enough that
// the path of the last one is at least `bytes` long (past PATH_MAX, 4,096,
// for the tests of long paths). Made and removed through descriptors
// (mkdirat, openat, unlinkat), as no call takes such a path whole; to be
// destroyed before its root (declared after a TempDir that holds it).
class DeepFolder {
  public:
    DeepFolder(const std::filesystem::path& root, size_t bytes);
    ~DeepFolder();  // removes the chain and the files written into it
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    // The last folder's path, without a final separator.
    const std::string& path() const { return m_path; }
    // Writes a file into the last folder (fails the test when it cannot).
    void WriteFile(const std::string& name, std::string_view bytes);

  private:
    std::vector<int> m_folders;  // the root, then each folder of the chain
    std::vector<std::string> m_files;
    std::string m_path;
};

}  // namespace testing_support
