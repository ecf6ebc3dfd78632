// The exported table and the analysis of one page URL.
#include "sitescript/sitescript.h"

#include "platform/text.h"
#include "sitescript/interpreter.h"
#include "sitescript/last_reason.h"
#include "sitescript/media_files.h"
#include "sitescript/script_model.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>

namespace sitescript {
namespace {

char16_t* copyString(std::u16string_view text) {
    auto* copy = new char16_t[text.size() + 1];
    std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
    copy[text.size()] = u'\0';
    return copy;
}

char16_t* copyValue(const Value& value) {
    return value ? copyString(*value) : nullptr;
}

VideoPart* makePartList(const std::vector<std::u16string>& urls) {
    VideoPart* first = nullptr;
    VideoPart** link = &first;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        *link = new VideoPart{copyString(decimal(static_cast<std::int64_t>(i))),
                              copyString(urls[i]), nullptr};
        link = &(*link)->next;
    }
    return first;
}

void copyFinalValues(const VariableTable& variables, VideoInfo& info) {
    info.url = copyValue(variables.get(u"VIDURL"));
    info.name = copyValue(variables.get(u"VIDNAME"));
    info.format = copyValue(variables.get(u"VIDFORMAT"));
    info.playPath = copyValue(variables.get(u"RTMP_PLAYPATH"));
    info.length = numberOf(variables.get(u"VIDLENGTH"));
}

std::filesystem::path pathOf(const char16_t* path) {
    return std::filesystem::path(platform::utf16ToUtf8(path));
}

void freeVideoInfo(VideoInfo** result) {
    if (!result || !*result)
        return;
    VideoInfo* info = *result;
    for (VideoPart* part = info->parts; part;) {
        VideoPart* next = part->next;
        delete[] part->index;
        delete[] part->url;
        delete part;
        part = next;
    }
    for (char16_t* text : {info->url, info->playPath, info->name, info->format})
        delete[] text;
    delete info;
    *result = nullptr;
}

// Records why the run ended as it did, for SiteScriptLastReason.
void noteOutcome(int status, bool runaway, const VideoInfo& info) {
    const FetchFailure fetch = takeFetchFailure();
    if (status == AnalyseLoginFailed) {
        setLastReason(ReasonLogin, "Login failed, Please check your user name or password!");
    } else if (status < 0 && !fetch.text.empty()) {
        setLastReason(ReasonPageFetch, "The page could not be fetched: " + fetch.text + ".",
                      fetch.httpStatus, fetch.systemError);
    } else if (status < 0) {
        setLastReason(ReasonScript, runaway ? "The site script ran away and was stopped."
                                            : "The site script failed on this page.");
    } else if (!info.url && !info.parts) {
        setLastReason(ReasonNoStream, "The page offers no video stream.");
    }
}

// Runs the analysis into `info`, which the caller owns.
int analyseInto(LoginCallback callback, std::u16string_view pageUrl, std::intptr_t context,
                VideoInfo& info) {
    const ScriptModel model = loadScriptModel();
    const std::optional<std::size_t> block = findBlock(model, 0, pageUrl);
    if (!block) {
        setLastReason(ReasonNoBlock, model.blocks.empty()
                                         ? "The site script file is missing or empty."
                                         : "No site script knows this address.");
        return 0;
    }
    VariableTable variables(pageUrl);
    RunResult runResult;
    Analysis analysis{model, variables, runResult, callback, context};
    const int status = runBlock(analysis, *block);
    info.kind = runResult.kind;
    if (runResult.parts)
        info.parts = makePartList(*runResult.parts);
    if (status >= 0)
        copyFinalValues(variables, info);
    noteOutcome(status, analysis.runaway, info);
    return status;
}

int analyseUrl(LoginCallback callback, const char16_t* url, VideoInfo** result,
               std::intptr_t context) {
    auto* info = new VideoInfo{};
    int status = AnalyseFailed;
    clearLastReason();
    // Nothing may escape through the plain-function table.
    try {
        status = analyseInto(callback, url ? url : u"", context, *info);
    } catch (const std::exception& error) {
        std::cerr << "sitescript: analysis failed: " << error.what() << "\n";
        setLastReason(ReasonScript, std::string("The analysis failed: ") + error.what() + ".");
    }
    if (result)
        *result = info;
    else
        freeVideoInfo(&info);
    return status;
}

int probeFileTypeEntry(const char16_t* path) {
    return path ? probeFileType(pathOf(path)) : FileTypeUnreadable;
}

int mergeStreamsEntry(const char16_t* output, const char16_t* input1, const char16_t* input2,
                      int mode) {
    clearLastReason();
    if (!output || !input1) {
        setLastReason(ReasonMerge, "No files were named to combine.");
        return -1;
    }
    const std::filesystem::path second = input2 ? pathOf(input2) : std::filesystem::path();
    return mergeStreams(pathOf(output), pathOf(input1), input2 ? &second : nullptr, mode);
}

constexpr ISiteScript kTable = {analyseUrl, probeFileTypeEntry, mergeStreamsEntry, freeVideoInfo};

}  // namespace
}  // namespace sitescript

extern "C" {

const ISiteScript* CreateSiteScriptHandle() {
    return &sitescript::kTable;
}

void CloseSiteScriptHandle() {}

const SiteScriptReason* SiteScriptLastReason() {
    return &sitescript::lastReason();
}

int SiteScriptAcceptsUrl(const char16_t* url) {
    if (!url)
        return 0;
    try {
        const sitescript::ScriptModel model = sitescript::loadScriptModel();
        return sitescript::findBlock(model, 0, url) ? 1 : 0;
    } catch (const std::exception& error) {
        std::cerr << "sitescript: reading the script file failed: " << error.what() << "\n";
        return 0;
    }
}

}  // extern "C"
