// The statement trace of the analyses on the current thread.
#pragma once

#include <string_view>

namespace sitescript {

// Hands the executed line and the run's status to this thread's trace sink,
// if one is set.
void traceStatement(std::u16string_view line, int status);

}  // namespace sitescript
