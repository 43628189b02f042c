#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The people allowed to use the search page, from a file of lines
// "NAME:HASH", HASH a salted crypt(3) hash of the password: yescrypt ("$y$",
// as `mkpasswd -m yescrypt` makes it) or SHA-512 ("$6$"). Blank lines and
// lines starting with "#" are passed over. Checked through HTTP Basic, which
// sends the password readable by anyone on the way: beyond one machine it
// needs TLS in front (a reverse proxy).
class UserTable {
  public:
    // The users of `text`; nothing, with the reason in `error` ("line 3: ..."),
    // when a line is no NAME:HASH of a kind above or a name comes twice.
    static std::optional<UserTable> FromText(std::string_view text, std::string& error);
    // The same from a file.
    static std::optional<UserTable> Load(const std::string& path, std::string& error);

    UserTable(UserTable&& other) noexcept;
    UserTable(const UserTable&) = delete;
    UserTable& operator=(const UserTable&) = delete;

    // The user an Authorization header names, when its Basic credentials
    // hold a known name and the password that gives the name's hash; nothing
    // otherwise. A header that passed is remembered for a few minutes (by
    // its SHA-256), so that each request of a page is not hashed again.
    std::optional<std::string> Check(std::string_view authorization);

    size_t Size() const { return m_hashes.size(); }

  private:
    UserTable() = default;
    bool Verify(const std::string& name, const std::string& password) const;

    std::map<std::string, std::string, std::less<>> m_hashes;  // by name

    struct Remembered {
        std::string digest;
        std::string name;
        std::chrono::steady_clock::time_point until;
    };
    std::mutex m_mutex;
    std::vector<Remembered> m_remembered;
};

// The Basic credentials of an Authorization header value ("Basic
// base64(name:password)"); nothing when it is no such header.
struct BasicCredentials {
    std::string name;
    std::string password;
};
std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view header);
