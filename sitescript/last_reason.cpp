#include "sitescript/last_reason.h"

#include <utility>

namespace sitescript {
namespace {

struct ThreadRecord {
    std::string text;
    SiteScriptReason reason{ReasonNone, 0, 0, ""};
    FetchFailure fetch;
};

ThreadRecord& record() {
    thread_local ThreadRecord threadRecord;
    return threadRecord;
}

}  // namespace

void clearLastReason() {
    setLastReason(ReasonNone, {});
    record().fetch = {};
}

void setLastReason(SiteScriptReasonKind kind, std::string text, int httpStatus, int systemError) {
    ThreadRecord& r = record();
    r.text = std::move(text);
    r.reason = {kind, httpStatus, systemError, r.text.c_str()};
}

const SiteScriptReason& lastReason() {
    return record().reason;
}

void noteFetchFailure(FetchFailure failure) {
    // The first failure is the one that ended the run.
    if (record().fetch.text.empty())
        record().fetch = std::move(failure);
}

FetchFailure takeFetchFailure() {
    return std::exchange(record().fetch, {});
}

}  // namespace sitescript
