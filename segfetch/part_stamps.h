// The stamps of a download's part files: the plan each part was fetched for
// and the server's validators. Kept in an extended attribute of every part,
// or, where the file system keeps none, in one control file beside the
// target ("<target>.stamps"), replaced atomically.
#pragma once

#include "platform/http_parse.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PartStamp {
    std::int64_t fileLength = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    platform::http::Validators validators;

    bool samePlan(const PartStamp& other) const {
        return fileLength == other.fileLength && start == other.start && end == other.end;
    }
    // "LENGTH START END", then the ETag and Last-Modified on lines of their
    // own (older stamps have the first line only).
    std::string encode() const;
    static std::optional<PartStamp> decode(std::string_view text);
};

// Validators as they can be stored: no tab, CR or LF inside.
platform::http::Validators storableValidators(platform::http::Validators validators);

class PartStamps {
public:
    // The stamps of the parts of `target` (UTF-8 path).
    explicit PartStamps(std::string target);

    // The stamp of part `index` at `partPath`: its attribute, else its line
    // in the control file; nothing when it has neither.
    std::optional<PartStamp> load(int index, const std::string& partPath) const;
    // Stamps every part (creating missing part files), in attributes where
    // the file system keeps them, else all in the control file. Returns
    // false, with the reason, when neither could hold them: the parts are
    // then not trusted by a later download.
    bool saveAll(const std::vector<std::string>& partPaths, const std::vector<PartStamp>& stamps,
                 std::string* reason);
    // Deletes the control file.
    void removeControlFile() const;

    static std::string controlPathFor(const std::string& target);
    // Tests: makes the attribute calls fail as on a file system without
    // extended attributes.
    static void setAttributesUsableForTesting(bool usable);

private:
    std::string target_;
    std::map<int, PartStamp> controlEntries_;
};
