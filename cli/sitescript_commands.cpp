// clipwright-cli commands of the site-script engine: analyse a page, pack
// and unpack the script file, probe a file's type, merge downloaded pieces.
#include "cli/command.h"

#include "platform/atomic_file.h"
#include "platform/text.h"
#include "sitescript/sitescript.h"
#include "sitescript/tooling.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

const ISiteScript& engine() {
    return *CreateSiteScriptHandle();
}

std::string jsonText(const char16_t* text) {
    return text ? cli::jsonString(platform::utf16ToUtf8(text)) : "null";
}

// {"status":S,"kind":K,"length":L,"url":U,"playPath":P,"name":N,"format":F,"parts":[...]}
std::string resultJson(int status, const VideoInfo& info) {
    std::ostringstream out;
    out << "{\"status\":" << status << ",\"kind\":" << info.kind << ",\"length\":" << info.length
        << ",\"url\":" << jsonText(info.url) << ",\"playPath\":" << jsonText(info.playPath)
        << ",\"name\":" << jsonText(info.name) << ",\"format\":" << jsonText(info.format)
        << ",\"parts\":[";
    for (const VideoPart* part = info.parts; part; part = part->next) {
        out << (part == info.parts ? "" : ",") << "{\"index\":" << jsonText(part->index)
            << ",\"url\":" << jsonText(part->url) << "}";
    }
    out << "]}";
    return out.str();
}

struct Credentials {
    std::u16string user;
    std::u16string password;
};

int answerLogin(const char16_t** user, const char16_t** password, std::intptr_t context) {
    const auto* credentials = reinterpret_cast<const Credentials*>(context);
    *user = credentials->user.c_str();
    *password = credentials->password.c_str();
    return 0;
}

void traceToStandardError(const std::string& line, int status, void*) {
    std::cerr << "[" << status << "] " << line << "\n";
}

extern const cli::Command kAnalyse;
int analyse(const std::vector<std::string>& args) {
    const cli::Arguments parsed(args, {"trace"});
    if (!parsed.ok() || parsed.positional().size() != 1 ||
        !parsed.unknown({"user", "password", "trace"}).empty())
        return cli::usageError(kAnalyse);
    const Credentials credentials{platform::utf8ToUtf16(parsed.option("user").value_or("")),
                                  platform::utf8ToUtf16(parsed.option("password").value_or(""))};
    if (parsed.flag("trace"))
        sitescript::setTraceSink(traceToStandardError, nullptr);
    const std::u16string url = platform::utf8ToUtf16(parsed.positional()[0]);
    VideoInfo* info = nullptr;
    const int status = engine().AnalyseUrl(answerLogin, url.c_str(), &info,
                                           reinterpret_cast<std::intptr_t>(&credentials));
    std::cout << resultJson(status, *info) << std::endl;
    engine().FreeVideoInfo(&info);
    return status >= 0 ? 0 : 1;
}
const cli::Command kAnalyse{"analyse", "URL [--user NAME --password PW] [--trace]",
                            "runs the site script for a page and prints the stream as JSON",
                            analyse};

// pack and unpack are the same scrambling, which is its own inverse.
int scrambleFile(const cli::Command& command, const std::vector<std::string>& args) {
    const cli::Arguments parsed(args);
    if (!parsed.ok() || parsed.positional().size() != 2 || !parsed.unknown({}).empty())
        return cli::usageError(command);
    const std::string& input = parsed.positional()[0];
    std::ifstream in(input, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        std::cerr << "clipwright-cli: cannot read " << input << "\n";
        return 1;
    }
    sitescript::scramble(data.data(), data.size());
    std::string error;
    if (!platform::writeFileAtomically(parsed.positional()[1], data, &error)) {
        std::cerr << "clipwright-cli: " << error << "\n";
        return 1;
    }
    return 0;
}

extern const cli::Command kPack, kUnpack;
const cli::Command kPack{"pack", "IN OUT", "scrambles a plain site-script file into script.ent",
                         [](const std::vector<std::string>& a) { return scrambleFile(kPack, a); }};
const cli::Command kUnpack{
    "unpack", "IN OUT", "unscrambles script.ent into plain text",
    [](const std::vector<std::string>& a) { return scrambleFile(kUnpack, a); }};

extern const cli::Command kProbe;
int probe(const std::vector<std::string>& args) {
    const cli::Arguments parsed(args);
    if (!parsed.ok() || parsed.positional().size() != 1 || !parsed.unknown({}).empty())
        return cli::usageError(kProbe);
    const std::u16string path = platform::utf8ToUtf16(parsed.positional()[0]);
    const int code = engine().ProbeFileType(path.c_str());
    std::cout << code << std::endl;
    return code >= 0 ? 0 : 1;
}
const cli::Command kProbe{"probe", "FILE",
                          "prints the container type: -1 unreadable, 0 other, 1 FLV, 2 F4F, 3 MP4",
                          probe};

extern const cli::Command kMerge;
int merge(const std::vector<std::string>& args) {
    const cli::Arguments parsed(args);
    const auto& words = parsed.positional();
    const std::optional<std::string> modeText = parsed.option("mode");
    int mode = 0;
    if (!parsed.ok() || words.size() < 2 || words.size() > 3 || !modeText ||
        !parsed.unknown({"mode"}).empty())
        return cli::usageError(kMerge);
    const auto [end, error] =
        std::from_chars(modeText->data(), modeText->data() + modeText->size(), mode);
    if (error != std::errc() || end != modeText->data() + modeText->size())
        return cli::usageError(kMerge);
    const std::u16string output = platform::utf8ToUtf16(words[0]);
    const std::u16string input1 = platform::utf8ToUtf16(words[1]);
    const std::u16string input2 = words.size() > 2 ? platform::utf8ToUtf16(words[2]) : u"";
    const int result = engine().MergeStreams(output.c_str(), input1.c_str(),
                                             words.size() > 2 ? input2.c_str() : nullptr, mode);
    std::cout << result << std::endl;
    return result == 0 ? 0 : 1;
}
const cli::Command kMerge{
    "merge", "OUTPUT INPUT1 [INPUT2] --mode N",
    "joins pieces with ffmpeg: mode 3 muxes INPUT1 and INPUT2, other modes concatenate the "
    "list file INPUT1",
    merge};

const cli::Registrar registerAnalyse(kAnalyse);
const cli::Registrar registerPack(kPack);
const cli::Registrar registerUnpack(kUnpack);
const cli::Registrar registerProbe(kProbe);
const cli::Registrar registerMerge(kMerge);

}  // namespace
