// The string and value functions and the file-name clean-up.
#include "sitescript/functions.h"
#include "platform/text.h"
#include "sitescript/interpreter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <set>

namespace sitescript {
namespace {

const Value kUnset;
// SUBSTR that succeeds with an unset result.
const std::optional<Value> kUnsetResult{Value{}};

TEST(Substr, PositionsMode) {
    EXPECT_EQ(substr(SubstrMode::Positions, u"abcdef", u"3", u"3"), Value(u"d"));
    EXPECT_EQ(substr(SubstrMode::Positions, u"abcdef", u"1", u"4"), Value(u"bcd"));
    EXPECT_EQ(substr(SubstrMode::Positions, u"abcdef", u"4", u"40"), Value(u"ef"));
    EXPECT_EQ(substr(SubstrMode::Positions, u"abcdef", u"9", u"12"), kUnsetResult);
    EXPECT_EQ(substr(SubstrMode::Positions, u"abcdef", u"4", u"3"), std::nullopt);  // fails
}

TEST(Substr, OccurrenceModes) {
    const Value text = u"a=1;b=2;a=3;";
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"a=", u";"), Value(u"1"));
    EXPECT_EQ(substr(SubstrMode::LastOccurrence, text, u"a=", u";"), Value(u"3"));
    // START absent: FWD gives unset, REV reads on from position length(START).
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"zz", u";"), kUnsetResult);
    EXPECT_EQ(substr(SubstrMode::LastOccurrence, text, u"zz", u";"), Value(u"1"));
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"", u";"), Value(u"a=1"));
    // END right at p gives unset; END absent or unset gives the rest.
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"a=1", u";"), kUnsetResult);
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"b=", u"#"), Value(u"2;a=3;"));
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"b=", kUnset), Value(u"2;a=3;"));
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, text, u"a=3;", u";"), kUnsetResult);
    EXPECT_EQ(substr(SubstrMode::FirstOccurrence, kUnset, u"a", u";"), kUnsetResult);
}

TEST(TextFunctions, ReplaceAddAndSearch) {
    EXPECT_EQ(replaceAll(u"aaa", u"a", u"aa"), Value(u"aaaaaa"));  // never rescanned
    EXPECT_EQ(replaceAll(u"a-b-c", u"-", kUnset), Value(u"abc"));
    EXPECT_EQ(replaceAll(u"abc", kUnset, u"x"), Value(u"abc"));
    EXPECT_EQ(replaceAll(u"abc", u"", u"x"), Value(u"abc"));
    EXPECT_EQ(addStrings(u"a", kUnset), Value(u"a"));
    EXPECT_EQ(addStrings(kUnset, kUnset), kUnset);
    EXPECT_EQ(findString(u"haystack", u"st"), kUnset);
    EXPECT_EQ(findString(u"haystack", u"zz"), Value(u"-1"));
    EXPECT_EQ(findString(kUnset, u"zz"), Value(u"-1"));
    EXPECT_EQ(lengthOf(u"abc"), Value(u"3"));
    EXPECT_EQ(reversed(u"ab\U0001F600c"), Value(u"c\U0001F600ba"));
}

TEST(TextFunctions, Decoders) {
    EXPECT_EQ(urlDecode(u"a%2fb%2F%C3%A9+"), Value(u"a/b/\u00e9+"));
    EXPECT_EQ(urlDecode(u"100%"), kUnset);
    EXPECT_EQ(urlDecode(u"5%2"), kUnset);
    EXPECT_EQ(urlDecode(u"%zz"), kUnset);
    EXPECT_EQ(hexLiteral(u"\" a+b%21 \""), Value(u"a b!"));
    EXPECT_EQ(hexLiteral(u"a+b%00"), Value(std::u16string(u"a+b\0", 4)));
    // Upper-case digits and codes below 20 stay; a decoded backslash can
    // form a new escape, which is decoded too; the decoding always ends.
    EXPECT_EQ(jsUnicodeDecode(u"\\u0041\\u00e9\\u004A\\u0010\\u005cu0041"),
              Value(u"A\u00e9\\u004A\\u0010A"));
    EXPECT_EQ(jsUnicodeDecode(u"plain"), Value(u"plain"));
    EXPECT_EQ(htmlDecode(Value(u"&lt;b&gt; &#233; &amp;eacute; &Auml;&auml;")),
              Value(u"<b> &#233; \u00e9 \u00c4\u00e4"));
    EXPECT_EQ(pageTitle(u"<TITLE>Up</TITLE>"), Value(u"Up"));
    EXPECT_EQ(pageTitle(u"<title>Mixed</TITLE>"), Value(u"Mixed"));
    EXPECT_EQ(pageTitle(u"<Title>no</Title>"), kUnset);
}

TEST(TextFunctions, Tokens) {
    EXPECT_EQ(tokenFromArray(u"a|b,,c", u"|,", u"3"), Value(u""));
    EXPECT_EQ(tokenFromArray(u"a|b,,c", u"|,", u"4"), Value(u"c"));
    EXPECT_EQ(tokenFromArray(u"a|b,,c", u"|,", u"0"), Value(u"a"));
    EXPECT_EQ(tokenFromArray(u"a|b,,c", u"|,", u"5"), kUnset);
    EXPECT_EQ(tokenFromArray(u"||", u"|", u"1"), Value(u"||"));
    // Four pairs: 35, 34 or 18 in that order, never 22.
    EXPECT_EQ(preferredQuality(u"22|hd,18|sd,5|low,43|webm"), Value(u"sd"));
    EXPECT_EQ(preferredQuality(u"17|mobile"), Value(u"mobile"));
    EXPECT_EQ(preferredQuality(u"17|,5|"), kUnset);  // two pairs: no list
    EXPECT_EQ(preferredQuality(u"17|"), kUnset);
    EXPECT_EQ(preferredQuality(u"5|,9|a,8|b,7|c"), Value(u""));  // last key, even empty
}

TEST(IdentifierFunctions, Numbers) {
    EXPECT_EQ(partNumber(u"7"), Value(u"07"));
    EXPECT_EQ(partNumber(u"12"), Value(u"12"));
    EXPECT_EQ(formatFileId(u"ABCDEFGH00IJK", u"26"), Value(u"ABCDEFGH1AIJK"));
    EXPECT_EQ(formatFileId(u"SHORT", u"1"), kUnset);
    EXPECT_EQ(increment(u"41"), Value(u"42"));
    EXPECT_EQ(increment(u"-3"), Value(u"-2"));
    // Found by fuzzing: the largest number (what any longer one reads as)
    // overflowed when raised by one.
    EXPECT_EQ(increment(u"99999999999999999999999"), Value(u"9223372036854775807"));
    EXPECT_EQ(digitDirectories(u"12345"), Value(u"3/4/5/"));
    EXPECT_EQ(idDirectories(u"12345678"), Value(u"/n1=12/n2=34/n3=56/n4=78"));
}

// Seconds, "000", milliseconds + 1000, and a random part of 1000 to 10000
// from a generator of 0 to 32767: four digits, five only for its top value.
TEST(IdentifierFunctions, SessionIdShape) {
    const std::regex shape(R"((\d{10})000(1\d{3})(\d{4,5}))");
    std::set<int> randomParts;
    for (int i = 0; i < 2000; ++i) {
        const Value sid = sessionId();
        ASSERT_TRUE(sid);
        const std::string text = platform::utf16ToUtf8(*sid);
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(text, parts, shape)) << text;
        const long long seconds = std::stoll(parts[1]);
        EXPECT_LE(std::llabs(seconds - static_cast<long long>(std::time(nullptr))), 2);
        const int random = std::stoi(parts[3]);
        EXPECT_GE(random, 1000);
        EXPECT_LE(random, 10000) << text;
        randomParts.insert(random);
    }
    EXPECT_GT(randomParts.size(), 1000u) << "the random part varies";
}

TEST(IdentifierFunctions, FileIdFromSeed) {
    // The mixed alphabet is a permutation of the 68 key characters.
    std::u16string all;
    for (int k = 0; k < 68; ++k)
        all += *fileIdFromSeed(Value(decimal(k)), u"1234");
    std::u16string sorted = all;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_EQ(all.size(), 68u);
    // Indices pick from it; a trailing '*' adds mixed[0]; out of range adds nothing.
    EXPECT_EQ(fileIdFromSeed(u"3*1*99*", u"1234"),
              Value(all.substr(3, 1) + all.substr(1, 1) + all.substr(0, 1)));
    EXPECT_NE(fileIdFromSeed(u"0*1*2*3", u"1234"), fileIdFromSeed(u"0*1*2*3", u"4321"));
}

TEST(FileName, CleanUp) {
    EXPECT_EQ(cleanFileName(u"Setup.EXE"), u"Setup_exe");
    EXPECT_EQ(cleanFileName(u"a: b? c*\"d\" <e>|f/g\\h\x01"), u"a_ b_ c__d_ _e__f_g_h_");
    EXPECT_EQ(cleanFileName(u"Tom &amp; Jerry.dll.com"), u"Tom & Jerry_dll_com");
    EXPECT_EQ(cleanFileName(u"x&#x202e;y&lrm;z"), u"x_y_;z");
}

}  // namespace
}  // namespace sitescript
