// The users file and HTTP Basic credentials.
#include "serve/users.h"

#include <crypt.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A hash of `password` of the kind `prefix` names ("$y$", "$6$"), with a
// fresh salt, as mkpasswd makes it.
std::string HashOf(const std::string& password, const char* prefix) {
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (crypt_gensalt_rn(prefix, 0, nullptr, 0, salt, sizeof salt) == nullptr) return "";
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_r(password.c_str(), salt, data.get());
    return hash != nullptr ? hash : "";
}

std::string Basic(const std::string& credentials) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < credentials.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(credentials[i]) << 16;
        if (i + 1 < credentials.size()) group |= static_cast<uint8_t>(credentials[i + 1]) << 8;
        if (i + 2 < credentials.size()) group |= static_cast<uint8_t>(credentials[i + 2]);
        out += kDigits[group >> 18 & 63];
        out += kDigits[group >> 12 & 63];
        out += i + 1 < credentials.size() ? kDigits[group >> 6 & 63] : '=';
        out += i + 2 < credentials.size() ? kDigits[group & 63] : '=';
    }
    return "Basic " + out;
}

}  // namespace

TEST(UserTable, LetsInTheRightPasswordOfEachHashKindAndNothingElse) {
    std::string error;
    std::optional<UserTable> users = UserTable::FromText(
        "# the office\n\n"
        "tanaka:" +
            HashOf("山の上", "$y$") + "\r\n" + "suzuki:" + HashOf("pa:ss", "$6$") + "\n",
        error);
    ASSERT_TRUE(users) << error;
    EXPECT_EQ(users->Size(), 2u);
    EXPECT_EQ(users->Check(Basic("tanaka:山の上")), "tanaka");
    EXPECT_EQ(users->Check(Basic("suzuki:pa:ss")), "suzuki");  // the first colon splits
    // Asked again: remembered, and still the same answer.
    EXPECT_EQ(users->Check(Basic("tanaka:山の上")), "tanaka");
    EXPECT_EQ(users->Check(Basic("tanaka:山の下")), std::nullopt);
    EXPECT_EQ(users->Check(Basic("tanaka:")), std::nullopt);
    EXPECT_EQ(users->Check(Basic("sato:山の上")), std::nullopt);
    EXPECT_EQ(users->Check(Basic("suzuki:pa")), std::nullopt);
    EXPECT_EQ(users->Check(""), std::nullopt);
    EXPECT_EQ(users->Check("Bearer abc"), std::nullopt);
    EXPECT_EQ(users->Check("Basic !!!!"), std::nullopt);
    // A NUL in the password would let crypt see a shorter one.
    EXPECT_EQ(users->Check(Basic(std::string("tanaka:山の上\0x", 12))), std::nullopt);
}

TEST(UserTable, RefusesLinesItCannotCheckSafely) {
    std::string error;
    EXPECT_FALSE(UserTable::FromText("tanaka\n", error));
    EXPECT_EQ(error, "line 1: not NAME:HASH");
    EXPECT_FALSE(UserTable::FromText("# x\ntanaka:plaintext\n", error));
    EXPECT_NE(error.find("line 2: the hash of tanaka is neither yescrypt"), std::string::npos);
    // DES and MD5 crypt hashes are too weak to keep.
    EXPECT_FALSE(UserTable::FromText("a:" + HashOf("x", "$1$") + "\n", error));
    EXPECT_FALSE(UserTable::FromText(":" + HashOf("x", "$6$") + "\n", error));
    std::string hash = HashOf("x", "$6$");
    EXPECT_FALSE(UserTable::FromText("a:" + hash + "\na:" + hash + "\n", error));
    EXPECT_EQ(error, "line 2: a is named twice");
    EXPECT_FALSE(UserTable::Load("/nonexistent/users", error));
}

TEST(ParseBasicAuthorization, DecodesTheSchemeInAnyCaseAndRefusesBadBase64) {
    std::optional<BasicCredentials> credentials = ParseBasicAuthorization("basic dTpwOnE=");
    ASSERT_TRUE(credentials);
    EXPECT_EQ(credentials->name, "u");
    EXPECT_EQ(credentials->password, "p:q");
    EXPECT_FALSE(ParseBasicAuthorization("Basic dTpw=A"));    // data after padding
    EXPECT_FALSE(ParseBasicAuthorization("Basic dXNlcg=="));  // no colon
    EXPECT_FALSE(ParseBasicAuthorization("Digest dTpw"));
}
