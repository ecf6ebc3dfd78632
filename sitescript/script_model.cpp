#include "sitescript/script_model.h"

#include "platform/app_dir.h"
#include "platform/text.h"
#include "sitescript/tooling.h"

#include <fstream>
#include <iterator>

namespace sitescript {
namespace {

constexpr unsigned char kScrambleKey = 0x5D;

// A SITE line reads SITE "key": the key runs from the seventh character up
// to the last double quote. A line without a closing quote there names no
// key, so the next block matches no URL.
std::optional<std::u16string> siteKeyOf(const std::u16string& line) {
    constexpr std::size_t kKeyStart = 6;
    const std::size_t lastQuote = line.rfind(u'"');
    if (line.size() < kKeyStart || lastQuote == std::u16string::npos || lastQuote < kKeyStart)
        return std::nullopt;
    return line.substr(kKeyStart, lastQuote - kKeyStart);
}

// Cuts the text into lines at LF; the text ends at its first NUL byte. The
// byte before each terminator is the CR of CR LF and is dropped, whatever it
// is; lines empty after that are skipped.
std::vector<std::u16string> splitLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end - start > 1)
            lines.push_back(platform::ansiToUtf16(text.substr(start, end - start - 1)));
        start = end + 1;
    }
    return lines;
}

}  // namespace

void scramble(char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ kScrambleKey);
}

ScriptModel parseScriptText(std::string_view plainText) {
    ScriptModel model;
    std::optional<std::u16string> pendingKey;
    ScriptBlock* open = nullptr;
    for (std::u16string& line : splitLines(plainText)) {
        if (line.starts_with(u"SITE"))
            pendingKey = siteKeyOf(line);
        if (line.starts_with(u"BEGIN")) {
            model.blocks.push_back(ScriptBlock{pendingKey, {}});
            open = &model.blocks.back();
        } else if (line.starts_with(u"END;")) {
            open = nullptr;
        } else if (open) {
            open->lines.push_back(ScriptLine{std::move(line)});
        }
    }
    return model;
}

std::filesystem::path scriptFilePath() {
    return platform::dataFile("script.ent");
}

ScriptModel loadScriptModel() {
    std::ifstream in(scriptFilePath(), std::ios::binary);
    if (!in)
        return {};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return {};
    scramble(text.data(), text.size());
    return parseScriptText(text);
}

std::optional<std::size_t> findBlock(const ScriptModel& model, std::size_t first,
                                     std::u16string_view text) {
    for (std::size_t i = first; i < model.blocks.size(); ++i) {
        const auto& key = model.blocks[i].siteKey;
        if (key && text.find(*key) != std::u16string_view::npos)
            return i;
    }
    return std::nullopt;
}

}  // namespace sitescript
