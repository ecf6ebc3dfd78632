// Page analysis: fetch the watch page, keep a copy, decode its stream map
// and hand the records out in blocks that only freeUrlData releases.
#include "streamsift/streamsift.h"
#include "platform/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/http.h"
#include "platform/text.h"
#include "streamsift/hosts.h"
#include "streamsift/stream_map.h"

namespace {

using streamsift::Stream;

// Appended to every page address: ask for the English page and do not
// remember that choice.
constexpr std::string_view kPageQuerySuffix = "&hl=en_US&persist_hl=0";
constexpr const char* kPageAgent =
    "Mozilla/5.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";
constexpr const char* kPageHeaders = "Accept-Encoding:gzip,deflate\r\n";
constexpr const char* kPageDump = "recvData.html";

// Block sizes callers of the record may rely on.
constexpr std::size_t kUrlBlock = 4096;
constexpr std::size_t kTypeBlock = 6;

// The host and port an analysis connects to.
std::string pageAuthority() {
    const std::string override = streamsift::hostOverride();
    return override.empty() ? std::string(streamsift::kServiceHost) : override;
}

// The whole page, or nullopt when no response arrived. A transfer that
// breaks off midway keeps what was read.
std::optional<std::string> fetchPage(const std::string& url) {
    platform::http::Request request;
    request.url = url;
    request.userAgent = kPageAgent;
    request.extraHeaders = kPageHeaders;
    request.decodeContent = true;
    request.stallTimeoutSeconds = 60;
    platform::http::Response response = platform::http::fetch(request);
    if (response.status == 0)
        return std::nullopt;
    return std::move(response.body);
}

// A zero-terminated copy of `text` on the library's heap, in a block of at
// least `minimumBlock` bytes.
char* copyString(std::string_view text, std::size_t minimumBlock = 0) {
    char* block = new char[std::max(text.size() + 1, minimumBlock)]();
    std::memcpy(block, text.data(), text.size());
    return block;
}

// An array with empty records before `firstIndex` and the streams from
// there on (never empty: a map without streams still hands out an array).
// Each stream is also printed as a diagnostic.
dlInfo* exportRecords(const std::vector<Stream>& streams, int firstIndex) {
    const std::size_t first = static_cast<std::size_t>(firstIndex);
    dlInfo* records = new dlInfo[std::max<std::size_t>(first + streams.size(), 1)]();
    for (std::size_t i = 0; i < streams.size(); ++i) {
        dlInfo& record = records[first + i];
        record.url = copyString(streams[i].url, kUrlBlock);
        record.type = copyString(streams[i].type, kTypeBlock);
        record.quality = copyString(streams[i].quality);
        platform::diag(
            "----------URL-------- \n %s \n---------quality----- \n %s \n----------type-------\n "
            "%s \n",
            record.url, record.quality, record.type);
    }
    return records;
}

}  // namespace

int DLL_StreamSift::analysisUrl(dlInfo*& infos, int& count, char*& title, const char16_t* pageUrl) {
    infos = nullptr;
    title = nullptr;
    if (!pageUrl)
        return kFailed;
    const std::optional<std::string> path =
        streamsift::pathAndQuery(platform::utf16ToUtf8(pageUrl));
    if (!path)
        return kFailed;
    // The request always goes to the service's host, whatever host the
    // given address names; a loopback mirror needs no network.
    const std::string authority = pageAuthority();
    if (!streamsift::isLoopbackAuthority(authority) && !platform::http::hasUsableNetworkInterface())
        return kNoConnection;

    platform::http::setCookie("http://" + authority + "/", "expires",
                              "Wed,1-Jan-2020 00:00:00 GMT");
    const std::optional<std::string> page =
        fetchPage("http://" + authority + *path + std::string(kPageQuerySuffix));
    if (!page)
        return kFailed;
    // Written whole and renamed into place: the dump never mixes two pages.
    if (!platform::writeFileAtomically(kPageDump, *page))
        return kFailed;

    const std::optional<std::vector<Stream>> streams = streamsift::decodeStreamMap(*page);
    if (!streams)
        return kFailed;
    const int first = std::max(count, 0);
    infos = exportRecords(*streams, first);
    if (const std::optional<std::string> text = streamsift::pageTitle(*page))
        title = copyString(*text);
    count = first + static_cast<int>(streams->size());
    return kAnalysed;
}

void DLL_StreamSift::freeUrlData(dlInfo*& infos, char*& title, int count) {
    if (infos) {
        for (int i = 0; i < count; ++i) {
            delete[] infos[i].url;
            delete[] infos[i].quality;
            delete[] infos[i].type;
        }
        delete[] infos;
    }
    delete[] title;
    infos = nullptr;
    title = nullptr;
}
