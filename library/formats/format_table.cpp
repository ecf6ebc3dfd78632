#include "library/formats/format_table.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace formats {
namespace {

constexpr int kNoVideo = -1;
constexpr int kXvid = 0x44495658;  // the tag XVID, little-endian
// Video codec numbers of the engine.
constexpr int kMpeg1 = 1, kMpeg2 = 2, kH263 = 5, kMpeg4 = 13, kMsMpeg4v3 = 17, kWmv2 = 19,
              kFlv1 = 22, kH264 = 28, kVp8 = 141;
// Audio codec numbers of the engine.
constexpr int kPcmS16le = 0x10000, kAdpcmSwf = 0x1100d, kAmrNb = 0x12000, kMp2 = 0x15000,
              kMp3 = 0x15001, kAac = 0x15002, kAc3 = 0x15003, kVorbis = 0x15005, kWmav2 = 0x15008,
              kFlac = 0x1500c;
// Profiles and levels.
constexpr int kH264Baseline = 66, kH264Main = 77, kH264High = 100, kAacMain = 0, kAacLow = 1;
constexpr int kLevel31 = 31;

// clang-format off
constexpr std::array<OutputFormat, 30> kFormats = {{
    {"avi",  "avi",      kXvid,      kMp3,      "avi"},
    {"havi", "avi",      kH264,      kAc3,      "avi"},
    {"asf",  "asf",      kMsMpeg4v3, kWmav2,    "asf"},
    {"wmv",  "asf",      kWmv2,      kWmav2,    "wmv"},
    {"flv",  "flv",      kFlv1,      kAdpcmSwf, "flv"},
    {"hlv",  "flv",      kH264,      kAac,      "flv", kH264Baseline, kAacLow, kLevel31},
    {"mp4",  "mp4",      kMpeg4,     kAac,      "mp4"},
    {"mov",  "ipod",     kH264,      kAac,      "mov", kH264Main, kAacMain},
    {"3gp",  "3gp",      kH263,      kAmrNb,    "3gp"},
    {"mkv",  "matroska", kH264,      kAac,      "mkv", {}, {}, {}, true},
    {"webm", "webm",     kVp8,       kVorbis,   "webm"},
    {"vcd",  "vcd",      kMpeg1,     kMp2,      "mpg"},
    {"dvd",  "dvd",      kMpeg2,     kAc3,      "mpg", {}, {}, {}, true},
    {"mpg",  "dvd",      kMpeg2,     kAc3,      "mpg"},
    {"vob",  "dvd",      kMpeg2,     kAc3,      "vob"},
    {"ts",   "mpegts",   kH264,      kAac,      "ts",  kH264High},
    {"m4v",  "mp4",      kH264,      kAac,      "m4v"},
    {"swf",  "swf",      kFlv1,      kMp3,      "swf"},
    {"f4v",  "f4v",      kH264,      kAac,      "f4v"},
    {"wav",  "wav",      kNoVideo,   kPcmS16le, "wav"},
    {"mp3",  "mp3",      kNoVideo,   kMp3,      "mp3"},
    {"wma",  "asf",      kNoVideo,   kWmav2,    "wma"},
    {"m4a",  "mp4",      kNoVideo,   kAac,      "m4a"},
    {"m4b",  "mp4",      kNoVideo,   kAac,      "m4b"},
    {"m4r",  "mp4",      kNoVideo,   kAac,      "m4r"},
    {"flac", "flac",     kNoVideo,   kFlac,     "flac"},
    {"ogg",  "ogg",      kNoVideo,   kVorbis,   "ogg"},
    {"aac",  "adts",     kNoVideo,   kAac,      "aac"},
    {"ac3",  "ac3",      kNoVideo,   kAc3,      "ac3"},
    {"aiff", "aiff",     kNoVideo,   std::nullopt, "aiff"},
}};
// clang-format on

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

void replaceDoubleSlashes(std::string& path) {
    for (std::size_t at = path.find("//"); at != std::string::npos; at = path.find("//", at))
        path.erase(at, 1);
}

}  // namespace

std::span<const OutputFormat> outputFormats() {
    return kFormats;
}

const OutputFormat* findOutputFormat(std::string_view name) {
    const std::string lower = lowerCase(name);
    for (const OutputFormat& format : kFormats)
        if (format.name == lower)
            return &format;
    return nullptr;
}

bool applyToSettings(const OutputFormat& format, kestrel_handle config) {
    bool ok = Config_SetVideoFormat(config, format.videoCodec);
    if (format.audioCodec)
        ok = ok && Config_SetAudioFormat(config, *format.audioCodec);
    if (format.videoProfile)
        ok = ok && Config_SetVideoProfile(config, *format.videoProfile);
    if (format.audioProfile)
        ok = ok && Config_SetAudioProfile(config, *format.audioProfile);
    if (format.videoLevel)
        ok = ok && Config_SetVideoLevel(config, *format.videoLevel);
    if (format.interlaced)
        ok = ok && Config_SetVideoInterlaced(config, 1);
    return ok;
}

kestrel_handle openConversion(const OutputFormat& format, const std::string& source,
                              const std::string& target, std::string* failure) {
    const kestrel_handle converter = Converter_Create(27);
    if (!converter)
        return 0;
    const kestrel_handle config = Config_Create();
    const std::string container(format.container);
    const bool opened =
        config && applyToSettings(format, config) &&
        Converter_Open(converter, source.c_str(), target.c_str(), container.c_str(), config);
    Config_Release(config);
    if (!opened) {
        if (failure)
            *failure = *Converter_GetErrorText(converter) ? Converter_GetErrorText(converter)
                                                          : "the engine refused the settings";
        Converter_Release(converter);
        return 0;
    }
    return converter;
}

std::string outputPathFor(const std::string& sourcePath, const std::string& convertDir,
                          std::string_view extension) {
    std::string base = sourcePath.substr(sourcePath.find_last_of('/') + 1);
    if (const std::size_t dot = base.find_last_of('.'); dot != std::string::npos)
        base.resize(dot);
    const std::string ext(extension);
    std::string path = convertDir + "/" + base + "_quillmarsh." + ext;
    replaceDoubleSlashes(path);
    for (int n = 1; std::filesystem::exists(path); ++n) {
        path = convertDir + "/" + base + "_quillmarsh" + std::to_string(n) + "." + ext;
        replaceDoubleSlashes(path);
    }
    return path;
}

}  // namespace formats
