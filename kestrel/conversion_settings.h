// What a conversion should produce, as set through the Config_* calls.
#pragma once

#include <optional>

namespace kestrel {

// Codec numbers are those of the preset table (see kestrel.h); -1 asks for
// no stream of that kind, an unset codec for the container's default.
struct ConversionSettings {
    std::optional<int> videoCodec;
    std::optional<int> audioCodec;
    std::optional<int> videoProfile;
    std::optional<int> audioProfile;
    std::optional<int> videoLevel;
    bool interlaced = false;
};

}  // namespace kestrel
