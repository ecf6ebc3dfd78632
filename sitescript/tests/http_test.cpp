// The network statements and functions against a loopback server: status
// rules, redirects, headers, cookies, POST, the stream probe, login pages
// and analyses on several threads.
#include "platform/http.h"
#include "platform/process.h"
#include "sitescript/http_access.h"
#include "sitescript/tests/engine_fixture.h"

#include <chrono>
#include <thread>

namespace sitescript_test {
namespace {

constexpr const char* kUnreachable = "http://127.0.0.1:1/";

class Network : public EngineTest {
protected:
    Network() {
        platform::http::clearCookies();
        auto& s = server.server();
        s.Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("h\xc3\xa9llo page", "text/html; charset=utf-8");
        });
        s.Get("/error500", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("server trouble", "text/plain");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        s.Get("/redirect",
              [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
        s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/hostname");
        });
        s.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("agent=" + req.get_header_value("User-Agent") +
                                ";cookie=" + req.get_header_value("Cookie") +
                                ";encoding=" + req.get_header_value("Accept-Encoding"),
                            "text/plain");
        });
        s.Get("/set-cookie", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "fromserver=s1; Path=/");
            res.set_content("cookie set", "text/plain");
        });
        // /playlist?type=T: an HLS playlist served as type T.
        s.Get("/playlist", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n",
                            req.get_param_value("type"));
        });
        // /stream?type=T&length=N: N bytes of type T; HEAD refused with
        // ?nohead=1 so that the probe keeps the GET's headers.
        s.Get("/stream", [](const httplib::Request& req, httplib::Response& res) {
            if (req.method == "HEAD" && req.has_param("nohead")) {
                res.status = 405;
                return;
            }
            const std::size_t length = std::stoull(req.get_param_value("length"));
            res.set_content_provider(length, req.get_param_value("type"),
                                     [](std::size_t, std::size_t size, httplib::DataSink& sink) {
                                         const std::string block(std::min<std::size_t>(size, 65536),
                                                                 'v');
                                         return sink.write(block.data(), block.size());
                                     });
        });
    }

    std::string playlistUrl(const std::string& type) { return url("/playlist?type=" + type); }

    std::string streamUrl(const std::string& type, std::int64_t length,
                          const std::string& extra = "") {
        return url("/stream?type=" + type + "&length=" + std::to_string(length) + extra);
    }

    // A script whose only block runs `lines` for the page "/analyse".
    Analysed runOn(const std::vector<std::string>& lines) {
        useScript(block("/analyse", lines));
        return analyse(url("/analyse"));
    }
    std::optional<std::string> valueAfter(std::vector<std::string> lines, const std::string& name) {
        lines.push_back("RTMP_PLAYPATH = " + name + ";");
        return runOn(lines).playPath;
    }
};

std::string literal(const std::string& name, const std::string& value) {
    return "VAR " + name + " = \"" + value + "\"";
}

TEST_F(Network, GetHtmlStatusRules) {
    startServer();
    // The statement's status is the number of body bytes; UTF-8 is decoded.
    Analysed page = runOn({literal("U", url("/page")), "VAR P = GETHTML(U)", "RTMP_PLAYPATH = P;",
                           "VAR Q = GETHTML(U)"});
    EXPECT_EQ(page.status, 11);
    EXPECT_EQ(page.playPath, "h\xc3\xa9llo page");
    EXPECT_EQ(valueAfter({literal("U", url("/error500")), "VAR P = GETHTML(U)"}, "P"),
              "server trouble");
    for (const std::string& failing : {url("/missing"), std::string(kUnreachable)}) {
        Analysed failed = runOn({literal("N", "named"), "VIDNAME = N;", literal("U", failing),
                                 "VAR P = GETHTML(U)", "VIDNAME = N;"});
        EXPECT_EQ(failed.status, -1) << failing;
        EXPECT_EQ(failed.name, std::nullopt);
    }
    // A "page" too large to be one (a video fetched as a page) fails.
    EXPECT_EQ(
        runOn({literal("U", streamUrl("text/html", (64 << 20) + 1)), "VAR P = GETHTML(U)"}).status,
        -1);
    // An unset URL fetches nothing and changes nothing.
    EXPECT_EQ(valueAfter({literal("P", "kept"), "VAR P = GETHTML(NOSUCH)"}, "P"), "kept");
}

// Each failure leaves its reason in the calling thread's record, and the
// next call on that thread starts it afresh; another thread's record is its
// own.
TEST_F(Network, TheLastReasonSaysWhyTheAnalysisEndedSo) {
    startServer();
    useScript(block("/missing", {literal("U", url("/missing")), "VAR P = GETHTML(U)"}) +
              block("refused", {literal("U", kUnreachable), "VAR P = GETHTML(U)"}) +
              block("nostream", {literal("U", url("/page")), "VAR P = GETHTML(U)"}) +
              block("stream", {literal("U", url("/page")), "VIDURL = U;"}));
    EXPECT_EQ(analyse(url("/missing")).status, -1);
    const SiteScriptReason* reason = SiteScriptLastReason();
    EXPECT_EQ(reason->kind, ReasonPageFetch);
    EXPECT_EQ(reason->httpStatus, 404);
    EXPECT_STREQ(reason->text, "The page could not be fetched: HTTP 404 Not Found.");

    analyse("http://refused/");
    EXPECT_EQ(SiteScriptLastReason()->kind, ReasonPageFetch);
    EXPECT_EQ(SiteScriptLastReason()->httpStatus, 0);
    EXPECT_NE(SiteScriptLastReason()->systemError, 0);  // ECONNREFUSED
    EXPECT_NE(std::string(SiteScriptLastReason()->text).find("no connection to 127.0.0.1:1"),
              std::string::npos)
        << SiteScriptLastReason()->text;

    EXPECT_EQ(analyse("http://nostream/").status, 11);
    EXPECT_EQ(SiteScriptLastReason()->kind, ReasonNoStream);
    EXPECT_EQ(analyse("http://no-block-names-this/").status, 0);
    EXPECT_EQ(SiteScriptLastReason()->kind, ReasonNoBlock);
    EXPECT_STREQ(SiteScriptLastReason()->text, "No site script knows this address.");

    std::thread other([&] {
        EXPECT_EQ(SiteScriptLastReason()->kind, ReasonNone);  // untouched by this thread
        analyse(url("/missing"));
        EXPECT_EQ(SiteScriptLastReason()->kind, ReasonPageFetch);
    });
    other.join();
    EXPECT_EQ(SiteScriptLastReason()->kind, ReasonNoBlock);
    analyse("http://stream/");
    EXPECT_EQ(SiteScriptLastReason()->kind, ReasonNone);
    EXPECT_STREQ(SiteScriptLastReason()->text, "");
}

TEST_F(Network, RedirectsAreFollowedOnlyToHttp) {
    startServer();
    EXPECT_EQ(valueAfter({literal("U", url("/redirect")), "VAR P = GETHTML(U)"}, "P"),
              "h\xc3\xa9llo page");
    EXPECT_EQ(runOn({literal("U", url("/to-file")), "VAR P = GETHTML(U)"}).status, -1);
    EXPECT_EQ(runOn({literal("U", "file:///etc/hostname"), "VAR P = GETHTML(U)"}).status, -1);
    EXPECT_EQ(valueAfter({literal("U", url("/redirect")), "VAR L = GETREDIRECT(U)"}, "L"), "/page");
    EXPECT_EQ(
        valueAfter({literal("L", "x"), literal("U", url("/page")), "VAR L = GETREDIRECT(U)"}, "L"),
        std::nullopt);
}

TEST_F(Network, UserAgentAndEncodingHeaders) {
    startServer();
    EXPECT_EQ(valueAfter({literal("U", url("/echo")), "VAR P = GETHTML(U)"}, "P"),
              "agent=Rudevozov;cookie=;encoding=gzip,deflate");
    EXPECT_EQ(valueAfter({literal("USERAGENT", "TestAgent/2"), literal("U", url("/echo")),
                          "VAR P = GETHTML(U)"},
                         "P"),
              "agent=TestAgent/2;cookie=;encoding=gzip,deflate");
}

TEST_F(Network, CookiesAreSharedAcrossRequestsAndAnalyses) {
    startServer();
    runOn({literal("U", url("/")), literal("N", "fromscript"), literal("D", "c1"),
           "SETCOOKIE(U, N, D)", literal("S", url("/set-cookie")), "VAR P = GETHTML(S)"});
    const auto echoed = valueAfter({literal("U", url("/echo")), "VAR P = GETHTML(U)"}, "P");
    ASSERT_TRUE(echoed);
    EXPECT_NE(echoed->find("fromscript=c1"), std::string::npos) << *echoed;
    EXPECT_NE(echoed->find("fromserver=s1"), std::string::npos) << *echoed;
}

TEST_F(Network, IsUrlAlive) {
    startServer();
    EXPECT_EQ(valueAfter({literal("U", url("/page")), "VAR A = ISURLALIVE(U)"}, "A"), "1");
    EXPECT_EQ(valueAfter({literal("U", url("/missing")), "VAR A = ISURLALIVE(U)"}, "A"), "\x0b");
    EXPECT_EQ(valueAfter({literal("U", kUnreachable), "VAR A = ISURLALIVE(U)"}, "A"), "\x0b");
}

// Each POST waits 5 seconds before it is sent: both cases run at once.
TEST_F(Network, PostSendsHeadersAndBodyAfterItsDelay) {
    std::string seenBody, seenToken, seenType, seenDropped;
    server.server().Post("/post", [&](const httplib::Request& req, httplib::Response& res) {
        seenBody = req.body;
        seenToken = req.get_header_value("X-Token");
        seenType = req.get_header_value("Content-Type");
        seenDropped = req.get_header_value("X-Dropped");
        res.set_content("posted \xc3\xa9", "text/plain");
    });
    server.server().Post("/refused",
                         [](const httplib::Request&, httplib::Response& res) { res.status = 403; });
    startServer();
    useScript(block("/good", {literal("U", url("/post")), literal("B", "a=1&b=\xc3\xa9"),
                              "VAR H = HEX(\"X-Token:%20t1%0D%0AContent-Type:%20text/"
                              "plain%0D%0AX-Dropped:%20no\")",
                              "VAR P = POST(U, B, H)", "RTMP_PLAYPATH = P;"}) +
              block("/refused", {literal("U", url("/refused")), literal("P", "unchanged"),
                                 "VAR P = POST(U, B, H)", "RTMP_PLAYPATH = P;"}));
    Analysed good, refused;
    const auto start = std::chrono::steady_clock::now();
    std::thread other([&] { refused = analyse(url("/refused")); });
    good = analyse(url("/good"));
    other.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.playPath, "posted \xc3\xa9");
    EXPECT_EQ(seenBody, "a=1&b=\xc3\xa9");
    EXPECT_EQ(seenToken, "t1");
    EXPECT_EQ(seenType, "text/plain");
    EXPECT_EQ(seenDropped, "");  // its line had no CR LF
    EXPECT_EQ(refused.status, 0);
    EXPECT_EQ(refused.playPath, "unchanged");
}

TEST_F(Network, StreamProbeContentTypeTable) {
    startServer();
    const std::pair<const char*, const char*> cases[] = {
        {"video/x-flv", "flv"},
        {"video/f4f", "flv"},
        {"video/mp4", "mp4"},
        {"video/x-m4v", "mp4"},
        {"application/octet-stream", "mp4"},
        {"video/mpeg", "mpg"},
        {"video/quicktime", "mov"},
        {"video/x-ms-asf", "asf"},
        {"video/x-msvideo", "avi"},
        {"audio/ogg", "mp3"},
        {"video/x-ms-wmv", "wmv"},
        {"video/webm", "webm"},
        {"video/3gpp", "3gp"},
        {"application/flash-video", "flv"},
        {"text/plain", "mp4"},
        {"text/html", nullptr},
    };
    for (const auto& [type, format] : cases) {
        SCOPED_TRACE(type);
        Analysed result = runOn({literal("F", "preset"), "VAR VIDFORMAT = ADDSTR(F, EMPTY)",
                                 literal("U", streamUrl(type, 1234)), "VIDURL = U;"});
        EXPECT_EQ(result.kind, StreamKindHttp);
        EXPECT_EQ(result.length, 1234);
        EXPECT_EQ(result.format, format ? std::optional<std::string>(format) : std::nullopt);
    }
}

TEST_F(Network, StreamProbeRecognisesHlsPlaylists) {
    startServer();
    // By content type, without case or parameters, ahead of the table's
    // "mpeg" and "audio" rows; or by the body, whatever the type says.
    for (const char* type :
         {"application/vnd.apple.mpegurl", "Application/X-MpegURL;charset=UTF-8", "audio/mpegurl",
          "AUDIO/X-MPEGURL", "text/plain", "application/octet-stream"}) {
        SCOPED_TRACE(type);
        Analysed result = runOn({literal("U", playlistUrl(type)), "VIDURL = U;"});
        EXPECT_EQ(result.kind, StreamKindHttp);
        EXPECT_EQ(result.format, "m3u8");
        EXPECT_EQ(result.url, playlistUrl(type));
        EXPECT_EQ(result.length, 0);  // the playlist's own size is not the stream's
    }
    // The type alone is enough, also for a body that says otherwise.
    EXPECT_EQ(runOn({literal("U", streamUrl("application/x-mpegURL", 64)), "VIDURL = U;"}).format,
              "m3u8");
    EXPECT_EQ(runOn({literal("U", streamUrl("video/mp4", 64)), "VIDURL = U;"}).format, "mp4");
}

TEST_F(Network, StreamProbeLengths) {
    startServer();
    // 64-bit sizes, added to what the script left in VIDLENGTH.
    const std::int64_t big = 3LL << 30;
    Analysed large = runOn(
        {literal("VIDLENGTH", "10"), literal("U", streamUrl("video/mp4", big)), "VIDURL = U;"});
    EXPECT_EQ(large.length, big + 10);
    // HEAD refused: the GET's headers stay.
    Analysed noHead =
        runOn({literal("U", streamUrl("video/webm", 77, "&nohead=1")), "VIDURL = U;"});
    EXPECT_EQ(noHead.format, "webm");
    EXPECT_EQ(noHead.length, 77);
    // No answer: the probe changes nothing, the kind is still HTTP.
    Analysed unreachable = runOn({literal("U", kUnreachable), "VIDURL = U;"});
    EXPECT_EQ(unreachable.kind, StreamKindHttp);
    EXPECT_EQ(unreachable.length, 0);
    EXPECT_EQ(unreachable.format, std::nullopt);
}

TEST_F(Network, PartsAreProbedAndSummed) {
    startServer();
    const std::string a = streamUrl("video/x-flv", 100), b = streamUrl("video/x-flv", 200),
                      c = streamUrl("video/x-flv", 300);
    Analysed parts = runOn({literal("PLAYLISTIDS", a + "<" + b + " < " + c)});
    EXPECT_EQ(parts.kind, StreamKindHttp);
    EXPECT_EQ(parts.length, 600);
    EXPECT_EQ(parts.format, "flv");
    ASSERT_EQ(parts.parts.size(), 3u);
    EXPECT_EQ(parts.parts[2], std::make_pair(std::string("2"), c));
    EXPECT_EQ(parts.url, std::nullopt);
}

TEST_F(Network, CallScriptStreamIsProbedAtTheEndOfEachBlock) {
    startServer();
    useScript(block("/analyse", {"CALLSCRIPT(called, ORGURL)"}) +
              block("called", {literal("U", streamUrl("video/mp4", 500)), "VIDURL = U;"}));
    Analysed result = analyse(url("/analyse"));
    EXPECT_EQ(result.length, 1000);
    EXPECT_EQ(result.kind, StreamKindHttp);
}

TEST_F(Network, LoginBlockSendsTheAnswers) {
    std::string seenUser;
    server.server().Get("/login", [&](const httplib::Request& req, httplib::Response& res) {
        seenUser = req.get_param_value("user");
        res.set_content(req.get_param_value("pass") == "pw" ? "welcome" : "denied", "text/plain");
    });
    startServer();
    useScript(block("/analyse", {"REQUESTLOGIN(USER, PASS, UNUSED)", "RTMP_PLAYPATH = ANSWER;"}) +
              block("youtubelogin", {literal("BASE", url("/login?user=")), literal("AND", "&pass="),
                                     "VAR L = ADDSTR(BASE, USER)", "VAR L = ADDSTR(L, AND)",
                                     "VAR L = ADDSTR(L, PASS)", "VAR ANSWER = GETHTML(L)"}));
    struct Answers {
        static int give(const char16_t** user, const char16_t** password, std::intptr_t) {
            *user = u"bob";
            *password = u"pw";
            return 0;
        }
    };
    Analysed result = analyse(url("/analyse"), Answers::give, 0);
    EXPECT_EQ(seenUser, "bob");
    EXPECT_EQ(result.playPath, "welcome");
    EXPECT_EQ(result.status, 0);
}

// TLS follows the URL's scheme on any port, and certificates are verified:
// a self-signed one fails the request.
TEST_F(Network, HttpsCertificatesAreVerified) {
    const std::string cert = (home / "cert.pem").string(), key = (home / "key.pem").string();
    ASSERT_TRUE(
        platform::runProcess({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                              "/CN=127.0.0.1", "-days", "1", "-keyout", key, "-out", cert},
                             true)
            .ok());
    httplib::SSLServer tls(cert.c_str(), key.c_str());
    bool served = false;
    tls.Get("/page", [&](const httplib::Request&, httplib::Response& res) {
        served = true;
        res.set_content("secret", "text/plain");
    });
    const int port = tls.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread thread([&] { tls.listen_after_bind(); });
    const std::string page = "://127.0.0.1:" + std::to_string(port) + "/page";
    EXPECT_EQ(runOn({literal("U", "https" + page), "VAR P = GETHTML(U)"}).status, -1);
    EXPECT_EQ(valueAfter({literal("U", "https" + page), "VAR A = ISURLALIVE(U)"}, "A"), "\x0b");
    EXPECT_EQ(runOn({literal("U", "http" + page), "VAR P = GETHTML(U)"}).status, -1);
    tls.stop();
    thread.join();
    EXPECT_FALSE(served);
}

TEST_F(Network, AnalysesRunOnSeveralThreadsAtOnce) {
    startServer();
    std::string script;
    for (int i = 0; i < 6; ++i)
        script += block("/job" + std::to_string(i) + "/",
                        {literal("U", url("/page")), "VAR P = GETHTML(U)",
                         literal("S", streamUrl("video/mp4", 1000 + i)), "VIDURL = S;"});
    useScript(script);
    std::vector<Analysed> results(6);
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i)
        threads.emplace_back(
            [&, i] { results[i] = analyse(url("/job" + std::to_string(i) + "/")); });
    for (auto& thread : threads)
        thread.join();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(results[i].length, 1000 + i);
        EXPECT_EQ(results[i].format, "mp4");
    }
}

}  // namespace
}  // namespace sitescript_test

namespace sitescript_test {
namespace {

std::vector<platform::http::Request> offlineRequests;

platform::http::Response answerFromMemory(const platform::http::Request& request) {
    offlineRequests.push_back(request);
    platform::http::Response response;
    response.transportOk = true;
    response.status = 200;
    response.rawHeaders =
        "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: 77\r\n\r\n";
    response.body = "<title>from memory</title>";
    return response;
}

// The offline seam: every request of a script reaches the responder, none
// the network (the unreachable address would fail), and SETCOOKIE stores
// nothing that a later real request to the same host would send.
TEST_F(Network, AnOfflineResponderAnswersEveryRequest) {
    offlineRequests.clear();
    sitescript::setOfflineResponder(answerFromMemory);
    useScript(block("http://127.0.0.1:1/",
                    {"VAR ORGHTML = GETHTML(ORGURL)", "VAR VIDNAME = GETTITLE;", "VAR B = \"a=1\"",
                     "VAR H = \"X-Test: yes\"", "VAR P = POST(ORGURL, B, H)",
                     "SETCOOKIE(ORGURL, B, B)", "VIDURL = ORGURL;"}));
    const Analysed result = analyse(kUnreachable);
    sitescript::setOfflineResponder(nullptr);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.name, "from memory");
    EXPECT_EQ(result.format, "mp4");
    EXPECT_EQ(result.length, 77);
    std::vector<std::string> seen;
    for (const auto& request : offlineRequests)
        seen.push_back(request.method + " " + request.url + " " + request.body);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"GET http://127.0.0.1:1/ ", "POST http://127.0.0.1:1/ a=1",
                                        "GET http://127.0.0.1:1/ ", "HEAD http://127.0.0.1:1/ "}));
    startServer();
    const platform::http::Response echo = platform::http::fetch({.url = url("/echo")});
    EXPECT_NE(echo.body.find(";cookie=;"), std::string::npos) << echo.body;
}

}  // namespace
}  // namespace sitescript_test
