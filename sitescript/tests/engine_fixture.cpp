#include "sitescript/tests/engine_fixture.h"

#include "sitescript/tooling.h"

namespace sitescript_test {

std::string block(const std::string& key, const std::vector<std::string>& lines) {
    std::string text = "SITE \"" + key + "\"\nBEGIN\n";
    for (const std::string& line : lines)
        text += line + "\n";
    return text + "END;\n";
}

std::string packScript(const std::string& plain) {
    std::string crlf;
    for (char c : plain)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    sitescript::scramble(crlf.data(), crlf.size());
    return crlf;
}

std::optional<std::string> narrow(const char16_t* text) {
    if (!text)
        return std::nullopt;
    return platform::utf16ToUtf8(text);
}

Analysed analyse(const std::string& url, LoginCallback login, std::intptr_t context) {
    const ISiteScript* engine = CreateSiteScriptHandle();
    const std::u16string wide = platform::utf8ToUtf16(url);
    VideoInfo* info = nullptr;
    Analysed result;
    result.status = engine->AnalyseUrl(login, wide.c_str(), &info, context);
    EXPECT_NE(info, nullptr);
    if (!info)
        return result;
    result.kind = info->kind;
    result.length = info->length;
    result.url = narrow(info->url);
    result.playPath = narrow(info->playPath);
    result.name = narrow(info->name);
    result.format = narrow(info->format);
    for (const VideoPart* part = info->parts; part; part = part->next)
        result.parts.emplace_back(*narrow(part->index), *narrow(part->url));
    engine->FreeVideoInfo(&info);
    EXPECT_EQ(info, nullptr);
    return result;
}

EngineTest::EngineTest() : homeVariable("CLIPWRIGHT_HOME", home.path().string()) {}

void EngineTest::useScript(const std::string& plain) {
    testing_support::writeFile(home / "script.ent", packScript(plain));
}

}  // namespace sitescript_test
