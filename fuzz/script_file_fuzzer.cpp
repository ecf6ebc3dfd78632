// The script file: unscrambling, cutting into lines and blocks, and block
// selection, on arbitrary file contents.
#include "sitescript/script_model.h"
#include "sitescript/tooling.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string file(reinterpret_cast<const char*>(data), size);
    sitescript::scramble(file.data(), file.size());
    const sitescript::ScriptModel model = sitescript::parseScriptText(file);
    for (std::size_t i = 0; i < model.blocks.size(); ++i) {
        const sitescript::ScriptBlock& block = model.blocks[i];
        for (const sitescript::ScriptLine& line : block.lines)
            check(!line.text.empty() && !line.text.starts_with(u"BEGIN") &&
                  !line.text.starts_with(u"END;"));
        // A block's own key selects it or a block before it.
        if (block.siteKey) {
            const auto found = sitescript::findBlock(model, 0, *block.siteKey);
            check(found && *found <= i);
        }
    }
    // Scrambling is its own inverse.
    sitescript::scramble(file.data(), file.size());
    check(file.compare(0, file.size(), reinterpret_cast<const char*>(data), size) == 0);
    return 0;
}
