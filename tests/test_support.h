#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/byte_view.h"
#include "bytes/extracted_text.h"

namespace testing_support {

// What a reader over a byte view gives for `bytes`, its lines joined with CR
// LF. The reader sees an exact-size copy, so an over-read trips the sanitizer.
std::string JoinedLines(void (*read)(ByteView, ExtractedText&), std::string_view bytes);

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

}  // namespace testing_support
