#include "serve/http_text.h"

#include <gtest/gtest.h>

TEST(ContentDisposition, GivesAnAsciiNameAndTheExactNameInRfc5987Form) {
    EXPECT_EQ(ContentDisposition("plan A.dxf"),
              "attachment; filename=\"plan A.dxf\"; filename*=UTF-8''plan%20A.dxf");
    EXPECT_EQ(ContentDisposition("平面図.dxf"),
              "attachment; filename=\"___.dxf\"; "
              "filename*=UTF-8''%E5%B9%B3%E9%9D%A2%E5%9B%B3.dxf");
    // Quotes, backslashes and control characters cannot break the header.
    EXPECT_EQ(ContentDisposition("a\"b\\c\r\nd;e.dxf"),
              "attachment; filename=\"a_b_c__d;e.dxf\"; "
              "filename*=UTF-8''a%22b%5Cc%0D%0Ad%3Be.dxf");
    // A name that is no UTF-8 gives U+FFFD for its stray byte.
    EXPECT_EQ(ContentDisposition("\x95\xBD.dxf"),
              "attachment; filename=\"__.dxf\"; filename*=UTF-8''%EF%BF%BD%EF%BF%BD.dxf");
}

TEST(ParseListenAddress, TakesHostAndPortOrBracketedIpv6) {
    std::optional<ListenAddress> v4 = ParseListenAddress("0.0.0.0:8080");
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4->host, "0.0.0.0");
    EXPECT_EQ(v4->port, 8080);
    std::optional<ListenAddress> v6 = ParseListenAddress("[::1]:0");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->port, 0);
    for (const char* bad :
         {"8080", "host:", ":80", "::1:80", "[::1]80", "[::1]", "a:65536", "a:12x", "a:123456"}) {
        EXPECT_FALSE(ParseListenAddress(bad)) << bad;
    }
    EXPECT_TRUE(IsLoopbackHost("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackHost("::1"));
    EXPECT_FALSE(IsLoopbackHost("0.0.0.0"));
    EXPECT_FALSE(IsLoopbackHost("192.168.1.2"));
}
