// The per-thread record behind SiteScriptLastReason: each entry point
// starts it afresh, the steps that fail fill it in.
#pragma once

#include "sitescript/sitescript.h"

#include <string>

namespace sitescript {

// Clears the calling thread's record (ReasonNone, no text).
void clearLastReason();
// Sets the calling thread's record.
void setLastReason(SiteScriptReasonKind kind, std::string text, int httpStatus = 0,
                   int systemError = 0);
// The calling thread's record as it stands.
const SiteScriptReason& lastReason();

// The page fetch that failed during the current analysis, kept until the
// analysis decides its reason; empty text when none failed.
struct FetchFailure {
    std::string text;
    int httpStatus = 0;
    int systemError = 0;
};
void noteFetchFailure(FetchFailure failure);
FetchFailure takeFetchFailure();

}  // namespace sitescript
