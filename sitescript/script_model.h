// The site-script file "script.ent" and its in-memory model.
//
// The file is scrambled byte by byte (see sitescript::scramble). Its plain
// text is UTF-8, cut into CR LF lines: SITE "key" names the next block,
// BEGIN opens a block, END; closes it, and every other line inside a block
// is one statement line, kept as written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sitescript {

struct ScriptLine {
    std::u16string text;
};

struct ScriptBlock {
    std::optional<std::u16string> siteKey;  // absent: the block matches no URL
    std::vector<ScriptLine> lines;          // in file order
};

struct ScriptModel {
    std::vector<ScriptBlock> blocks;  // in file order
};

// Builds the model from the plain (unscrambled) file text.
ScriptModel parseScriptText(std::string_view plainText);

// Reads and unscrambles "script.ent" in the application directory. A
// missing, unreadable or empty file gives an empty model.
ScriptModel loadScriptModel();

// The script file's path: the application directory + "script.ent".
std::filesystem::path scriptFilePath();

// The index of the first block, from `first` onward, whose site key occurs
// (case-sensitively) in `text`; nullopt when none does.
std::optional<std::size_t> findBlock(const ScriptModel& model, std::size_t first,
                                     std::u16string_view text);

}  // namespace sitescript
