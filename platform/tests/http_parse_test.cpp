// The pure header parsers, on well-formed and hostile text.
#include "platform/http_parse.h"

#include <gtest/gtest.h>

namespace {

using namespace platform::http;

TEST(HttpParse, StatusLines) {
    auto ok = parseStatusLine("HTTP/1.1 404 Not Found\r\nServer: x\r\n");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->code, 404);
    EXPECT_EQ(ok->reason, "Not Found");
    auto bare = parseStatusLine("HTTP/2 206\r\n");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->code, 206);
    EXPECT_EQ(bare->reason, "");
    for (const char* bad : {"", "HTTP/1.1", "HTTP/1.1 20 OK", "HTTP/1.1 2000 OK", "FTP 200 OK",
                            "HTTP/1.1 -20 OK", "HTTP/1.1 abc"})
        EXPECT_FALSE(parseStatusLine(bad)) << bad;
}

TEST(HttpParse, ContentRanges) {
    auto range = parseContentRange("bytes 200-399/1003");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 200);
    EXPECT_EQ(range->last, 399);
    EXPECT_EQ(range->total, 1003);
    auto unknownTotal = parseContentRange(" Bytes 5-5/*");
    ASSERT_TRUE(unknownTotal);
    EXPECT_EQ(unknownTotal->total, -1);
    auto huge = parseContentRange("bytes 5368709120-5368709122/5368709123");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->first, std::int64_t{5} << 30);
    for (const char* bad :
         {"", "bytes */1003", "bytes 10-5/100", "bytes 0-100/100", "bytes -1-5/10", "bytes 1-2",
          "items 0-1/2", "bytes 0-1/x", "bytes 99999999999999999999-1/2", "bytes 0 - 1/2"})
        EXPECT_FALSE(parseContentRange(bad)) << bad;
}

TEST(HttpParse, ValidatorsAndTheOneForIfRange) {
    const auto headers = parseHeaders(
        "HTTP/1.1 200 OK\r\nETag: \"v2\"\r\nLast-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n");
    const Validators both = validatorsOf(headers);
    EXPECT_EQ(both.etag, "\"v2\"");
    EXPECT_EQ(both.forIfRange(), "\"v2\"");
    const Validators weak{"W/\"v2\"", "Tue, 08 Dec 2026 10:00:00 GMT"};
    EXPECT_EQ(weak.forIfRange(), "Tue, 08 Dec 2026 10:00:00 GMT");
    EXPECT_EQ((Validators{"W/\"v2\"", ""}).forIfRange(), "");
    EXPECT_TRUE(validatorsOf(parseHeaders("HTTP/1.1 200 OK\r\n")).empty());
}

TEST(HttpParse, ContentCodingsOtherThanIdentity) {
    EXPECT_EQ(contentEncodingOf(parseHeaders("Content-Encoding: gzip\r\n")), "gzip");
    EXPECT_EQ(contentEncodingOf(parseHeaders("Content-Encoding: identity\r\n")), "");
    EXPECT_EQ(contentEncodingOf(parseHeaders("content-encoding: Identity, br\r\n")), "br");
    EXPECT_EQ(contentEncodingOf(parseHeaders("Content-Type: text/plain\r\n")), "");
}

TEST(HttpParse, HeaderLinesKeepOrLowerTheirNames) {
    const auto sent = splitHeaderLines("X-Test: 1\r\n Accept-Encoding:identity\r\nnone\r\n");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].name, "Accept-Encoding");
    EXPECT_EQ(sent[1].value, "identity");
    EXPECT_EQ(parseHeaders("X-Test: 1\r\n")[0].name, "x-test");
}

}  // namespace
