#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/byte_view.h"

namespace testing_support {

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
