#include "library/formats/format_presets.h"

#include <array>

namespace formats {
namespace {

// clang-format off
constexpr std::array<Preset, 37> kPresets = {{
    {"Video",  "MP4 Video (MPEG-4)",        "mp4",  true},
    {"Video",  "AVI Video (XviD)",          "avi",  true},
    {"Video",  "AVI Video (H.264)",         "havi", false},
    {"Video",  "MKV Video (H.264)",         "mkv",  false},
    {"Video",  "MOV Video (H.264)",         "mov",  false},
    {"Video",  "WMV Video",                 "wmv",  false},
    {"Video",  "ASF Video",                 "asf",  false},
    {"Video",  "MPEG Video",                "mpg",  false},
    {"Video",  "VOB Video",                 "vob",  false},
    {"Video",  "M4V Video",                 "m4v",  false},
    {"Video",  "3GP Video",                 "3gp",  false},
    {"Audio",  "MP3 Audio",                 "mp3",  true},
    {"Audio",  "WAV Audio",                 "wav",  false},
    {"Audio",  "WMA Audio",                 "wma",  false},
    {"Audio",  "M4A Audio",                 "m4a",  false},
    {"Audio",  "M4B Audio Book",            "m4b",  false},
    {"Audio",  "M4R Ringtone",              "m4r",  false},
    {"Audio",  "FLAC Audio",                "flac", false},
    {"Audio",  "OGG Vorbis Audio",          "ogg",  false},
    {"Audio",  "AAC Audio",                 "aac",  false},
    {"Audio",  "AC3 Audio",                 "ac3",  false},
    {"Audio",  "AIFF Audio",                "aiff", false},
    {"HD",     "HD MKV (H.264)",            "mkv",  false},
    {"HD",     "HD AVI (H.264)",            "havi", false},
    {"HD",     "HD MOV (H.264)",            "mov",  false},
    {"HD",     "HD Transport Stream",       "ts",   false},
    {"HD",     "HD MPEG-2 (DVD quality)",   "dvd",  false},
    {"Web",    "FLV Flash Video",           "flv",  false},
    {"Web",    "FLV Flash Video (H.264)",   "hlv",  false},
    {"Web",    "F4V Flash Video",           "f4v",  false},
    {"Web",    "SWF Flash Movie",           "swf",  false},
    {"Web",    "WebM Video",                "webm", false},
    {"Device", "Mobile Phone",              "3gp",  false},
    {"Device", "Portable Media Player",     "mov",  false},
    {"Device", "Tablet",                    "m4v",  false},
    {"Device", "Video CD Player",           "vcd",  false},
    {"Device", "DVD Player",                "dvd",  false},
}};
// clang-format on

constexpr std::array<std::string_view, 5> kCategories = {"Video", "Audio", "HD", "Web", "Device"};

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string element(int depth, std::string_view tag, std::string_view text) {
    return std::string(depth * 4, ' ') + "<" + std::string(tag) + ">" + escaped(text) + "</" +
           std::string(tag) + ">\n";
}

}  // namespace

std::span<const Preset> shippedPresets() {
    return kPresets;
}

std::string presetName(const Preset& preset) {
    return std::string(preset.label) + "---" + std::string(preset.format);
}

std::string presetIconPath(std::string_view format) {
    return "/image/format/" + std::string(format) + ".png";
}

std::string formatXmlDocument() {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<formats>\n";
    for (std::string_view category : kCategories) {
        xml += "    <" + std::string(category) + ">\n";
        for (const Preset& p : kPresets) {
            if (p.category != category)
                continue;
            xml += element(2, "icon", presetIconPath(p.format));
            xml += element(2, "name", presetName(p));
            xml += element(2, "favorite", p.favourite ? "true" : "false");
        }
        xml += "    </" + std::string(category) + ">\n";
    }
    xml += "    <Favorite>\n";
    for (const Preset& p : kPresets) {
        if (!p.favourite)
            continue;
        xml += element(2, "filepath", presetIconPath(p.format));
        xml += element(2, "name", presetName(p));
    }
    xml += "    </Favorite>\n</formats>\n";
    return xml;
}

}  // namespace formats
