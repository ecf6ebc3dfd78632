#include "platform/text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Text, Utf8RoundTripIncludingSurrogatePairs) {
    const std::string text = "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x8E\xAC";
    std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(wide, u"caf\u00e9 \u4e2d \U0001F3AC");
    EXPECT_EQ(utf16ToUtf8(wide), text);
}

TEST(Text, InvalidInputIsReplacedNotDropped) {
    EXPECT_EQ(utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("a\xE4\xB8"), u"a\uFFFD\uFFFD");  // truncated sequence
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong
    const char16_t lone[] = {u'x', 0xD800, u'y', 0};
    EXPECT_EQ(utf16ToUtf8(lone), "x\xEF\xBF\xBDy");
}

TEST(Text, FormatSizeThresholdsAreStrict) {
    EXPECT_EQ(formatSize(0), "0.00B");
    EXPECT_EQ(formatSize(1024), "1024.00B");
    EXPECT_EQ(formatSize(1025), "1.00KB");
    EXPECT_EQ(formatSize(1048576), "1024.00KB");
    EXPECT_EQ(formatSize(1572864), "1.50MB");
    EXPECT_EQ(formatSize(3LL * 1073741824), "3.00GB");
}
