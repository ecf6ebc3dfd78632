// The presets of the format chooser as shipped in "format.xml": display
// texts grouped by category, each ending in "---" and a format name of the
// output format table.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace formats {

struct Preset {
    std::string_view category;  // "Video", "Audio", "HD", "Web" or "Device"
    std::string_view label;     // the text shown for the preset
    std::string_view format;    // a name from outputFormats()
    bool favourite;             // starred, so also on the Favorite page
};

std::span<const Preset> shippedPresets();

// The preset's name as the chooser stores it: label + "---" + format name.
std::string presetName(const Preset& preset);

// The icon path of a format's presets, relative to the application
// directory.
std::string presetIconPath(std::string_view format);

// The whole "format.xml" document (UTF-8, indented by 4): the categories in
// order, each preset as icon path, name and favourite flag, then the
// "Favorite" category with a "filepath" and a "name" per starred preset.
std::string formatXmlDocument();

}  // namespace formats
