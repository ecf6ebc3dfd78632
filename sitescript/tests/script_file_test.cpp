// The script file: scrambling, lines, blocks and block selection.
#include "sitescript/script_model.h"
#include "sitescript/tests/engine_fixture.h"
#include "sitescript/tooling.h"

namespace sitescript_test {
namespace {

using sitescript::findBlock;
using sitescript::parseScriptText;

std::vector<std::u16string> linesOf(const sitescript::ScriptBlock& block) {
    std::vector<std::u16string> lines;
    for (const auto& line : block.lines)
        lines.push_back(line.text);
    return lines;
}

TEST(ScriptFile, ScrambleIsItsOwnInverse) {
    std::string text = std::string("SITE \"a\"\r\nBEGIN\r\n") + '\x5D' + '\0' + '\xff';
    const std::string original = text;
    sitescript::scramble(text.data(), text.size());
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 'S' ^ 0x5D);
    EXPECT_EQ(text[text.size() - 3], '\0');  // 0x5D ^ 0x5D
    sitescript::scramble(text.data(), text.size());
    EXPECT_EQ(text, original);
}

TEST(ScriptFile, LinesDropTheByteBeforeTheirEnd) {
    // CR LF lines keep their text; LF-only lines lose their last character;
    // a last line without a line end loses its last character too.
    const auto model = parseScriptText(
        "SITE \"k\"\r\nBEGIN\r\n  VAR A = \"x\"\r\nVAR B = \"y\"\nVAR C = \"z\";\r\n\r\nlast;");
    ASSERT_EQ(model.blocks.size(), 1u);
    EXPECT_EQ(linesOf(model.blocks[0]),
              (std::vector<std::u16string>{u"  VAR A = \"x\"", u"VAR B = \"y", u"VAR C = \"z\";",
                                           u"last"}));
}

TEST(ScriptFile, BlocksAndMarkers) {
    const auto model = parseScriptText(
        "ignored outside\r\n"
        "BEGIN\r\nkeyless\r\nEND;\r\n"
        "SITE \"one\"\r\nBEGIN\r\n  BEGIN\r\nSITE \"two\"\r\nEND; trailing\r\n"
        "BEGIN\r\nsecond two\r\nBEGIN\r\nthird two\r\nEND;\r\n"
        "SITE \"open\r\nBEGIN\r\nEND;\r\n"
        "SITE \"x.mp4\"\r\nBEGIN\r\nEND;\r\n");
    ASSERT_EQ(model.blocks.size(), 6u);
    EXPECT_FALSE(model.blocks[0].siteKey);
    EXPECT_EQ(*model.blocks[1].siteKey, u"one");
    // An indented BEGIN and a SITE line inside a block are statement lines.
    EXPECT_EQ(linesOf(model.blocks[1]), (std::vector<std::u16string>{u"  BEGIN", u"SITE \"two\""}));
    EXPECT_EQ(*model.blocks[2].siteKey, u"two");
    EXPECT_EQ(*model.blocks[3].siteKey, u"two");  // a BEGIN while open starts a new block
    EXPECT_EQ(linesOf(model.blocks[3]), (std::vector<std::u16string>{u"third two"}));
    EXPECT_FALSE(model.blocks[4].siteKey);  // no closing quote: no key
    EXPECT_EQ(*model.blocks[5].siteKey, u"x.mp4");
}

TEST(ScriptFile, SelectionTakesTheFirstBlockWhoseKeyOccurs) {
    const auto model = parseScriptText(
        "SITE \"video.example\"\r\nBEGIN\r\nEND;\r\n"
        "SITE \"example\"\r\nBEGIN\r\nEND;\r\nBEGIN\r\nEND;\r\n");
    EXPECT_EQ(findBlock(model, 0, u"http://video.example/x"), 0u);
    EXPECT_EQ(findBlock(model, 0, u"http://www.example/x"), 1u);
    EXPECT_EQ(findBlock(model, 2, u"http://www.example/x"), 2u);
    EXPECT_EQ(findBlock(model, 0, u"http://www.EXAMPLE/x"), std::nullopt);  // case-sensitive
}

class ScriptFileLoading : public EngineTest {};

TEST_F(ScriptFileLoading, MissingOrEmptyFileGivesAnEmptyModelAndAnEmptyRecord) {
    EXPECT_TRUE(sitescript::loadScriptModel().blocks.empty());
    Analysed result = analyse("http://example.com/");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.kind, 0);
    testing_support::writeFile(home / "script.ent", "");
    EXPECT_TRUE(sitescript::loadScriptModel().blocks.empty());
}

TEST_F(ScriptFileLoading, LoadsTheScrambledFileOfTheApplicationDirectory) {
    useScript(block("example", {"VAR A = \"1\""}));
    const auto model = sitescript::loadScriptModel();
    ASSERT_EQ(model.blocks.size(), 1u);
    EXPECT_EQ(linesOf(model.blocks[0]), (std::vector<std::u16string>{u"VAR A = \"1\""}));
}

TEST_F(ScriptFileLoading, AcceptsTheAddressesWhoseSiteKeyHasABlock) {
    EXPECT_EQ(SiteScriptAcceptsUrl(u"http://video.example/watch"), 0);  // no script file
    useScript(block("video.example", {"VAR A = \"1\""}));
    EXPECT_EQ(SiteScriptAcceptsUrl(u"http://video.example/watch"), 1);
    EXPECT_EQ(SiteScriptAcceptsUrl(u"http://other.example/watch"), 0);
    EXPECT_EQ(SiteScriptAcceptsUrl(nullptr), 0);
}

}  // namespace
}  // namespace sitescript_test
