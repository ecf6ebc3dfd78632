// The site-script interpreter: runs the statement lines of a block against
// the variables of one analysis, then its closing steps (title clean-up,
// parts list, stream probe, stream kind).
#pragma once

#include "sitescript/script_model.h"
#include "sitescript/sitescript.h"
#include "sitescript/variables.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sitescript {

// Guards that keep a script from hanging its analysis or filling the
// memory: statements run, nested block runs, and the characters held by all
// variables together (a loop that doubles a value would otherwise grow it
// without bound long before the statement count stops it).
constexpr std::uint64_t kMaxStatementsPerAnalysis = 1'000'000;
constexpr int kMaxNestedRuns = 32;
constexpr std::size_t kMaxVariableChars = std::size_t{128} << 20;

// What the closing steps store directly in the result.
struct RunResult {
    std::int32_t kind = StreamKindNone;
    std::optional<std::vector<std::u16string>> parts;  // set once a block had PLAYLISTIDS
};

// Everything one analysis shares between its block runs.
struct Analysis {
    const ScriptModel& model;
    VariableTable& variables;
    RunResult& result;
    LoginCallback login = nullptr;
    std::intptr_t loginContext = 0;
    std::uint64_t statementsRun = 0;
    // The guards' limits; fuzzing lowers them to keep every run short.
    std::uint64_t statementLimit = kMaxStatementsPerAnalysis;
    std::size_t variableCharLimit = kMaxVariableChars;
    int depth = 0;
    bool runaway = false;  // a guard stopped the analysis
};

// Runs block `blockIndex` of the model. Returns the status of its last
// statement, or the first negative status, which ends the run before the
// closing steps.
int runBlock(Analysis& analysis, std::size_t blockIndex);

// The title clean-up that makes VIDNAME usable as a file name.
std::u16string cleanFileName(std::u16string name);

}  // namespace sitescript
