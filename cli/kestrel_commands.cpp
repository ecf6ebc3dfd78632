// clipwright-cli info and thumb: the media engine's probe on the command
// line.
#include "cli/command.h"
#include "kestrel/kestrel.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

namespace {

// A probe opened on a file, released on every way out.
class OpenProbe {
public:
    explicit OpenProbe(const std::string& path) : handle_(Info_Create(-1)) {
        opened_ = handle_ && Info_Open(handle_, path.c_str());
    }
    ~OpenProbe() {
        Info_Close(handle_);
        Info_Release(handle_);
    }
    OpenProbe(const OpenProbe&) = delete;
    OpenProbe& operator=(const OpenProbe&) = delete;

    bool opened() const { return opened_; }
    kestrel_handle handle() const { return handle_; }

private:
    kestrel_handle handle_;
    bool opened_ = false;
};

int runInfo(const std::vector<std::string>& args);
int runThumb(const std::vector<std::string>& args);

const cli::Command kInfo{"info", "FILE", "print a media file's duration, format and video facts",
                         runInfo};
const cli::Command kThumb{"thumb", "FILE SECONDS OUT.bmp",
                          "write the video frame nearest a time as a BMP file", runThumb};
const cli::Registrar infoRegistrar(kInfo);
const cli::Registrar thumbRegistrar(kThumb);

int runInfo(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 1 || !arguments.unknown({}).empty())
        return cli::usageError(kInfo);
    const std::string& path = arguments.positional()[0];
    OpenProbe probe(path);
    if (!probe.opened()) {
        std::cerr << "info: cannot read " << path << " as media\n";
        return 1;
    }
    const kestrel_handle h = probe.handle();
    std::cout << "{\"durationUs\":" << Info_GetDuration(h)
              << ",\"format\":" << cli::jsonString(Info_GetFormatName(h))
              << ",\"width\":" << Info_GetVideoWidth(h) << ",\"height\":" << Info_GetVideoHeight(h)
              << ",\"videoBitRate\":" << Info_GetVideoBitRate(h)
              << ",\"canSeek\":" << (Info_CanSeek(h) ? "true" : "false") << "}\n";
    return 0;
}

std::optional<double> parseSeconds(const std::string& text) {
    try {
        std::size_t used = 0;
        const double seconds = std::stod(text, &used);
        if (used == text.size() && seconds >= 0)
            return seconds;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

int runThumb(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 3 || !arguments.unknown({}).empty())
        return cli::usageError(kThumb);
    const std::string& path = arguments.positional()[0];
    const std::optional<double> seconds = parseSeconds(arguments.positional()[1]);
    const std::string& out = arguments.positional()[2];
    if (!seconds)
        return cli::usageError(kThumb);
    OpenProbe probe(path);
    if (!probe.opened()) {
        std::cerr << "thumb: cannot read " << path << " as media\n";
        return 1;
    }
    const auto timeUs = static_cast<std::int64_t>(*seconds * 1e6);
    const unsigned char* bmp = Info_GetVideoImage(probe.handle(), timeUs, 0, 0, 0);
    if (!bmp) {
        std::cerr << "thumb: no video frame in " << path << "\n";
        return 1;
    }
    std::uint32_t pixelBytes = 0;
    std::memcpy(&pixelBytes, bmp + 34, sizeof pixelBytes);  // little-endian, as is the machine
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bmp), 54 + static_cast<std::streamsize>(pixelBytes));
    if (!file.flush()) {
        std::cerr << "thumb: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}

}  // namespace
