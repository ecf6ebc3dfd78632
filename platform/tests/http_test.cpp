#include "platform/http.h"

#include "testing/loopback_server.h"

#include <gtest/gtest.h>

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
