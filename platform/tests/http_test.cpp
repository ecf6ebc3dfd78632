#include "platform/http.h"

#include "platform/transfer_limits.h"
#include "testing/loopback_server.h"
#include "testing/silent_server.h"
#include "testing/temp_dir.h"
#include "testing/tls_certificates.h"

#include <gtest/gtest.h>

#include <chrono>

using platform::http::fetch;
using platform::http::Request;

namespace {

class HttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& s = server.server();
        s.Get("/hello", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("hello " + req.get_header_value("User-Agent"), "text/plain");
        });
        s.Get("/echo-header", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("X-Test"), "text/plain");
        });
        s.Post("/post", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.body + "|" + req.get_header_value("Content-Type"), "text/plain");
        });
        s.Get("/redirect", [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(server.url("/hello"));
        });
        s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/passwd");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("gone", "text/plain");
        });
        s.Get("/set-cookie", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "session=abc; Path=/");
            res.set_content("ok", "text/plain");
        });
        s.Get("/cookies", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        });
        s.Get("/gzipped", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Encoding", "gzip");
            res.set_content(std::string("\x1f\x8b\x08\x00 not really", 16),
                            "application/octet-stream");
        });
        s.Get("/range", [](const httplib::Request& req, httplib::Response& res) {
            res.set_header("X-Asked-Range", req.get_header_value("Range"));
            res.set_content("0123456789abcdefghijklmnop", "text/plain");
        });
        server.start();
        platform::http::clearCookies();
    }
    testing_support::LoopbackServer server;
};

TEST_F(HttpTest, GetReadsBodyStatusAndHeaders) {
    Request request{.url = server.url("/hello"), .userAgent = "Agent7"};
    auto response = fetch(request);
    EXPECT_TRUE(response.transportOk);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "hello Agent7");
    EXPECT_EQ(response.contentLength, 12);
    auto headers = platform::http::parseHeaders(response.rawHeaders);
    ASSERT_NE(platform::http::findHeader(headers, "Content-Type"), nullptr);
    EXPECT_EQ(*platform::http::findHeader(headers, "content-type"), "text/plain");
}

TEST_F(HttpTest, ExtraHeadersAndPostBodyAreSent) {
    auto echoed =
        fetch({.url = server.url("/echo-header"), .extraHeaders = "X-Test: yes\r\nbroken\r\n"});
    EXPECT_EQ(echoed.body, "yes");
    auto posted = fetch({.url = server.url("/post"),
                         .method = "POST",
                         .extraHeaders = "Content-Type: application/x-www-form-urlencoded\r\n",
                         .body = "a=1&b=2"});
    EXPECT_EQ(posted.body, "a=1&b=2|application/x-www-form-urlencoded");
}

TEST_F(HttpTest, RedirectsFollowedOrReported) {
    auto followed = fetch({.url = server.url("/redirect")});
    EXPECT_EQ(followed.status, 200);
    EXPECT_EQ(followed.effectiveUrl, server.url("/hello"));
    auto kept = fetch({.url = server.url("/redirect"), .followRedirects = false});
    EXPECT_EQ(kept.status, 302);
    auto headers = platform::http::parseHeaders(kept.rawHeaders);
    ASSERT_NE(platform::http::findHeader(headers, "location"), nullptr);
}

TEST_F(HttpTest, OtherSchemesAreRefusedIncludingRedirects) {
    auto direct = fetch({.url = "file:///etc/passwd"});
    EXPECT_FALSE(direct.transportOk);
    EXPECT_TRUE(direct.body.empty());
    auto redirected = fetch({.url = server.url("/to-file")});
    EXPECT_FALSE(redirected.transportOk);
    EXPECT_EQ(redirected.body.find("root:"), std::string::npos);
}

TEST_F(HttpTest, StatusOfErrorPagesAndUnreachableHosts) {
    auto missing = fetch({.url = server.url("/missing")});
    EXPECT_TRUE(missing.transportOk);
    EXPECT_EQ(missing.status, 404);
    auto unreachable = fetch({.url = "http://127.0.0.1:1/", .connectRetries = 1});
    EXPECT_FALSE(unreachable.transportOk);
    EXPECT_EQ(unreachable.status, 0);
}

TEST_F(HttpTest, CookiesAreSharedAcrossRequestsAndThreads) {
    fetch({.url = server.url("/set-cookie")});
    std::string seen;
    std::thread other([&] { seen = fetch({.url = server.url("/cookies")}).body; });
    other.join();
    EXPECT_EQ(seen, "session=abc");
    ASSERT_TRUE(platform::http::setCookie(server.url("/"), "lang", "en; path=/"));
    auto both = fetch({.url = server.url("/cookies")}).body;
    EXPECT_NE(both.find("lang=en"), std::string::npos);
    EXPECT_NE(both.find("session=abc"), std::string::npos);
}

TEST_F(HttpTest, StreamingSinkCanStopAndRangesAreAsked) {
    std::string got;
    platform::http::Callbacks callbacks;
    callbacks.onBody = [&](const char* data, std::size_t size) {
        got.append(data, size);
        return false;
    };
    auto stopped = fetch({.url = server.url("/hello")}, callbacks);
    EXPECT_TRUE(stopped.aborted);
    EXPECT_FALSE(stopped.transportOk);
    auto ranged = fetch({.url = server.url("/range"), .rangeFirst = 10, .rangeLast = 19});
    EXPECT_EQ(ranged.status, 206);
    EXPECT_EQ(ranged.body, "abcdefghij");
    auto headers = platform::http::parseHeaders(ranged.rawHeaders);
    EXPECT_EQ(*platform::http::findHeader(headers, "x-asked-range"), "bytes=10-19");
}

TEST_F(HttpTest, FailuresComeWithTheirReason) {
    auto missing = fetch({.url = server.url("/missing")});
    EXPECT_EQ(missing.statusText, "Not Found");
    EXPECT_EQ(platform::http::failureReason(missing), "HTTP 404 Not Found");
    EXPECT_EQ(platform::http::failureReason(fetch({.url = server.url("/hello")})), "");
    auto refused = fetch({.url = "http://127.0.0.1:1/", .connectRetries = 0});
    EXPECT_EQ(refused.failure, platform::http::Failure::ConnectFailed);
    EXPECT_EQ(platform::http::failureReason(refused),
              "no connection to 127.0.0.1:1: Connection refused");
}

TEST_F(HttpTest, UnaskedContentEncodingIsRefusedBeforeAnyByteWhenAskedTo) {
    const std::string identity = "Accept-Encoding: identity\r\n";
    std::size_t delivered = 0;
    platform::http::Callbacks sink;
    sink.onBody = [&](const char*, std::size_t size) {
        delivered += size;
        return true;
    };
    auto refused = fetch(
        {.url = server.url("/gzipped"), .extraHeaders = identity, .refuseContentEncoding = true},
        sink);
    EXPECT_FALSE(refused.transportOk);
    EXPECT_FALSE(refused.aborted);
    EXPECT_EQ(refused.failure, platform::http::Failure::RefusedEncoding);
    EXPECT_EQ(platform::http::failureReason(refused),
              "the server sent gzip-encoded content, which was not asked for");
    EXPECT_EQ(delivered, 0u);
    // Callers that did not ask get the bytes as before.
    auto raw = fetch({.url = server.url("/gzipped"), .extraHeaders = identity}, sink);
    EXPECT_TRUE(raw.transportOk);
    EXPECT_EQ(delivered, 16u);
}

// A server that accepts and never answers ends the request at the
// first-byte limit: the request's own, or the limit in force.
TEST(HttpLimits, SilentServerEndsAtTheFirstByteLimit) {
    testing_support::SilentServer silent;
    const auto timed = [&](const Request& request) {
        const auto start = std::chrono::steady_clock::now();
        auto response = fetch(request);
        return std::make_pair(response, std::chrono::steady_clock::now() - start);
    };
    auto [own, ownTime] = timed({.url = silent.url("http"), .firstByteTimeoutMs = 300});
    EXPECT_EQ(own.failure, platform::http::Failure::FirstByteTimeout);
    EXPECT_LT(ownTime, std::chrono::seconds(5));
    EXPECT_EQ(platform::http::failureReason(own),
              "no answer from 127.0.0.1:" + std::to_string(silent.port()) +
                  " within 0.3 s (first-byte limit)");

    const auto standard = platform::transferLimits();
    auto small = standard;
    small.firstByte = std::chrono::milliseconds(200);
    platform::setTransferLimitsForTesting(small);
    auto [inForce, inForceTime] = timed({.url = silent.url("http")});
    platform::setTransferLimitsForTesting(standard);
    EXPECT_EQ(inForce.failure, platform::http::Failure::FirstByteTimeout);
    EXPECT_EQ(inForce.limitMs, 200);
    EXPECT_LT(inForceTime, std::chrono::seconds(5));
}

// Certificates are verified: one from an authority the request trusts
// through its CA file passes, a self-signed one is refused.
TEST(HttpTls, TrustedAuthorityPassesAndSelfSignedIsRefused) {
    testing_support::TempDir dir;
    const auto files = testing_support::makeTestCertificates(dir.path());
    testing_support::LoopbackServer trusted(files.signedCert, files.signedKey);
    testing_support::LoopbackServer selfSigned(files.selfSignedCert, files.selfSignedKey);
    for (auto* server : {&trusted, &selfSigned}) {
        server->server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("secret", "text/plain");
        });
        server->start();
    }
    auto ok = fetch({.url = trusted.url("/page"), .caFile = files.authority});
    EXPECT_TRUE(ok.transportOk) << ok.error;
    EXPECT_EQ(ok.body, "secret");
    {
        testing_support::ScopedEnv ca("CLIPWRIGHT_CA_FILE", files.authority);
        EXPECT_EQ(fetch({.url = trusted.url("/page")}).body, "secret");
        auto refused = fetch({.url = selfSigned.url("/page")});
        EXPECT_EQ(refused.failure, platform::http::Failure::TlsFailed);
        EXPECT_TRUE(refused.body.empty());
    }
    // Without the authority the system's store knows neither.
    EXPECT_EQ(fetch({.url = trusted.url("/page")}).failure, platform::http::Failure::TlsFailed);
}

TEST(HttpHeaders, ParsingRules) {
    auto headers = platform::http::parseHeaders(
        "HTTP/1.1 200 OK\r\n  Content-Type :  text/html\r\nX-Empty:\r\nno colon\r\nTail: lost");
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0].name, "content-type");
    EXPECT_EQ(headers[0].value, " text/html");  // only one blank is skipped
    EXPECT_EQ(headers[1].name, "x-empty");
    EXPECT_EQ(headers[1].value, "");
}

TEST_F(HttpTest, ConnectionKeepsItsConnectionBetweenRequests) {
    server.server().Get("/port", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(std::to_string(req.remote_port), "text/plain");
    });
    const auto portSeen = [&](auto&& fetchOne) {
        std::string body;
        platform::http::Callbacks callbacks;
        callbacks.onBody = [&](const char* data, std::size_t size) {
            body.append(data, size);
            return true;
        };
        const auto response = fetchOne(Request{.url = server.url("/port")}, callbacks);
        EXPECT_EQ(response.status, 200);
        return body;
    };
    platform::http::Connection connection;
    const auto viaConnection = [&](const Request& r, const platform::http::Callbacks& c) {
        return connection.fetch(r, c);
    };
    const auto fresh = [](const Request& r, const platform::http::Callbacks& c) {
        return fetch(r, c);
    };
    // The same client port twice is the same TCP connection.
    const std::string first = portSeen(viaConnection);
    EXPECT_EQ(portSeen(viaConnection), first);
    EXPECT_NE(portSeen(fresh), portSeen(fresh));
    // Cookies of the process-wide store go out on every request.
    ASSERT_TRUE(platform::http::setCookie(server.url("/"), "kept", "yes"));
    for (int i = 0; i < 2; ++i) {
        std::string cookies;
        connection.fetch(Request{.url = server.url("/cookies")},
                         {.onBody = [&](const char* data, std::size_t size) {
                             cookies.append(data, size);
                             return true;
                         }});
        EXPECT_EQ(cookies, "kept=yes") << i;
    }
    // A request that failed does not spoil the next one.
    EXPECT_EQ(connection
                  .fetch(Request{.url = server.url("/missing")},
                         {.onBody = [](auto, auto) { return true; }})
                  .status,
              404);
    EXPECT_FALSE(portSeen(viaConnection).empty());
}

}  // namespace
