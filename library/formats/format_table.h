// The output formats a file can be converted to: each format name's
// container, codecs and extension, how a format becomes media-engine
// settings, and how the converted file is named. Shared by the program's
// conversion job and the command-line tool.
#pragma once

#include "kestrel/kestrel.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace formats {

struct OutputFormat {
    std::string_view name;          // lower case, as the format chooser hands it over
    std::string_view container;     // the engine's muxer name
    int videoCodec;                 // engine codec number; -1 for no video stream
    std::optional<int> audioCodec;  // engine codec number; unset: the container's default
    std::string_view extension;     // of the output file, without the dot
    std::optional<int> videoProfile;
    std::optional<int> audioProfile;
    std::optional<int> videoLevel;
    bool interlaced = false;
};

// Every format, in table order.
std::span<const OutputFormat> outputFormats();

// The format of that name, compared without regard to case; null for a name
// not in the table.
const OutputFormat* findOutputFormat(std::string_view name);

// Fills engine settings `config` with the format's codecs and extras.
// Returns false when the engine refuses one of them.
bool applyToSettings(const OutputFormat& format, kestrel_handle config);

// Creates an engine converter and opens it for converting `source` into
// `target` in the format, releasing the settings it made. Returns the
// converter handle, or 0 on failure (nothing is left to release then; the
// engine's reason goes to `failure` when it is given).
kestrel_handle openConversion(const OutputFormat& format, const std::string& source,
                              const std::string& target, std::string* failure = nullptr);

// The output path of a conversion: the source's file name up to its last
// "." (the whole name when it has none), in `convertDir`, followed by
// "_quillmarsh." and the extension; every "//" is reduced to "/". When that
// file exists, "_quillmarsh1.", "_quillmarsh2." ... are tried in turn.
std::string outputPathFor(const std::string& sourcePath, const std::string& convertDir,
                          std::string_view extension);

}  // namespace formats
