#include "serve/users.h"

#include <crypt.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

// How long a header that passed is taken without hashing its password again,
// and how many such headers are kept.
constexpr auto kRememberFor = std::chrono::minutes(5);
constexpr size_t kRememberAtMost = 256;
// Lines longer than this are no user line.
constexpr size_t kMaxLine = 1024;

bool IsSupportedHash(std::string_view hash) {
    return hash.starts_with("$y$") || hash.starts_with("$6$");
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    size_t padding = 0;
    for (char ch : text) {
        int value;
        if (ch >= 'A' && ch <= 'Z') {
            value = ch - 'A';
        } else if (ch >= 'a' && ch <= 'z') {
            value = ch - 'a' + 26;
        } else if (ch >= '0' && ch <= '9') {
            value = ch - '0' + 52;
        } else if (ch == '+') {
            value = 62;
        } else if (ch == '/') {
            value = 63;
        } else if (ch == '=') {
            ++padding;
            continue;
        } else {
            return std::nullopt;
        }
        if (padding > 0) return std::nullopt;  // data after the padding
        bits = bits << 6 | static_cast<uint32_t>(value);
        if (++count == 4) {
            out += static_cast<char>(bits >> 16 & 0xFF);
            out += static_cast<char>(bits >> 8 & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2) return std::nullopt;
    if (count == 2) out += static_cast<char>(bits >> 4 & 0xFF);
    if (count == 3) {
        out += static_cast<char>(bits >> 10 & 0xFF);
        out += static_cast<char>(bits >> 2 & 0xFF);
    }
    return out;
}

std::string Sha256(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace

std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view header) {
    constexpr std::string_view kScheme = "Basic ";
    if (header.size() < kScheme.size() || header.size() > kMaxLine) return std::nullopt;
    for (size_t k = 0; k < kScheme.size(); ++k) {
        char a = header[k], b = kScheme[k];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return std::nullopt;
    }
    std::string_view encoded = header.substr(kScheme.size());
    while (!encoded.empty() && encoded.front() == ' ') encoded.remove_prefix(1);
    while (!encoded.empty() && encoded.back() == ' ') encoded.remove_suffix(1);
    std::optional<std::string> decoded = DecodeBase64(encoded);
    if (!decoded) return std::nullopt;
    size_t colon = decoded->find(':');
    if (colon == std::string::npos) return std::nullopt;
    return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

std::optional<UserTable> UserTable::FromText(std::string_view text, std::string& error) {
    UserTable table;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        size_t colon = line.find(':');
        if (line.size() > kMaxLine || colon == std::string_view::npos || colon == 0) {
            error = where + "not NAME:HASH";
            return std::nullopt;
        }
        std::string name(line.substr(0, colon));
        std::string hash(line.substr(colon + 1));
        if (!IsSupportedHash(hash)) {
            error = where + "the hash of " + name +
                    " is neither yescrypt ($y$) nor SHA-512 ($6$); make one with "
                    "mkpasswd -m yescrypt";
            return std::nullopt;
        }
        if (!table.m_hashes.emplace(name, hash).second) {
            error = where + name + " is named twice";
            return std::nullopt;
        }
    }
    return table;
}

std::optional<UserTable> UserTable::Load(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::optional<UserTable> table = FromText(text.str(), error);
    if (!table) error = path + ": " + error;
    return table;
}

UserTable::UserTable(UserTable&& other) noexcept : m_hashes(std::move(other.m_hashes)) {}

bool UserTable::Verify(const std::string& name, const std::string& password) const {
    auto found = m_hashes.find(name);
    if (found == m_hashes.end() || password.find('\0') != std::string::npos) return false;
    auto data = std::make_unique<crypt_data>();
    const char* hashed = crypt_r(password.c_str(), found->second.c_str(), data.get());
    if (hashed == nullptr || hashed[0] == '*') return false;
    const std::string& expected = found->second;
    return std::char_traits<char>::length(hashed) == expected.size() &&
           CRYPTO_memcmp(hashed, expected.data(), expected.size()) == 0;
}

std::optional<std::string> UserTable::Check(std::string_view authorization) {
    std::optional<BasicCredentials> credentials = ParseBasicAuthorization(authorization);
    if (!credentials) return std::nullopt;
    const std::string digest = Sha256(authorization);
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(m_mutex);
        for (const Remembered& entry : m_remembered) {
            if (entry.until > now &&
                CRYPTO_memcmp(entry.digest.data(), digest.data(), digest.size()) == 0) {
                return entry.name;
            }
        }
    }
    if (!Verify(credentials->name, credentials->password)) return std::nullopt;
    std::lock_guard lock(m_mutex);
    std::erase_if(m_remembered, [now](const Remembered& entry) { return entry.until <= now; });
    if (m_remembered.size() >= kRememberAtMost) m_remembered.erase(m_remembered.begin());
    m_remembered.push_back({digest, credentials->name, now + kRememberFor});
    return credentials->name;
}
