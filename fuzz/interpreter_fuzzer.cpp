// The interpreter on arbitrary scripts. Every request a script makes is
// answered from memory by one fixed page (the engine's offline seam), so no
// byte leaves the process; the guards are lowered so that each run stays
// short.
//
// Input: the plain text of a script file. The block run is the one the page
// URL selects, else the file's first block.
#include "fuzz/quiet_diagnostics.h"
#include "platform/http.h"
#include "sitescript/http_access.h"
#include "sitescript/interpreter.h"
#include "sitescript/script_model.h"

#include <cstdint>
#include <string>

namespace {

constexpr char16_t kPageUrl[] = u"http://fuzz.example/watch?v=abc&list=1";

// A page with what scripts look for: a title, entities, escapes, a stream
// map and links.
constexpr char kPage[] =
    "<html><head><title>A &quot;clip&quot; &amp; more \\u0041</title></head><body>"
    "<a href=\"http://fuzz.example/video.flv?id=12345&amp;key=%41%2F\">x</a>"
    "\"url_encoded_fmt_stream_map\": \"itag=22%26url=http%3A%2F%2Fv.fuzz.example%2Fv%3Fid%3D1,"
    "itag=18\\u0026url=http%3A%2F%2Fv.fuzz.example%2Fw\", \"next\": 1,"
    "fmt_list=22|1280x720,18|640x360,5|320x240,34|640x360"
    "</body></html>";

// Answers by the request: a URL with "missing" gets 404, one with "moved" a
// redirect, anything else the page as a video stream.
platform::http::Response answer(const platform::http::Request& request) {
    platform::http::Response response;
    response.transportOk = true;
    response.effectiveUrl = request.url;
    if (request.url.find("missing") != std::string::npos) {
        response.status = 404;
        response.rawHeaders = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        return response;
    }
    if (request.url.find("moved") != std::string::npos) {
        response.status = 302;
        response.rawHeaders =
            "HTTP/1.1 302 Found\r\nLocation: http://fuzz.example/watch?v=moved\r\n\r\n";
        return response;
    }
    response.status = 200;
    response.body = kPage;
    response.contentLength = static_cast<std::int64_t>(response.body.size());
    response.rawHeaders = "HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: " +
                          std::to_string(response.body.size()) + "\r\n\r\n";
    return response;
}

int login(const char16_t** user, const char16_t** password, std::intptr_t) {
    *user = u"user";
    *password = u"secret";
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sitescript::setOfflineResponder(answer);
    fuzzing::silenceStandardErrorStream();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const sitescript::ScriptModel model =
        sitescript::parseScriptText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (model.blocks.empty())
        return 0;
    const std::size_t block = sitescript::findBlock(model, 0, kPageUrl).value_or(0);
    sitescript::VariableTable variables(kPageUrl);
    sitescript::RunResult result;
    sitescript::Analysis analysis{model, variables, result, login, 0};
    analysis.statementLimit = 100;
    analysis.variableCharLimit = 1 << 12;
    sitescript::runBlock(analysis, block);
    return 0;
}
