// The shipped site scripts, as the build packed them, against pages served
// on loopback.
#include "sitescript/tests/engine_fixture.h"

#include <filesystem>

namespace sitescript_test {
namespace {

constexpr std::size_t kMediaBytes = 4321;

std::string contentTypeFor(const std::string& path) {
    if (path.ends_with(".m3u8") || path.ends_with(".M3U8"))
        return "application/vnd.apple.mpegurl";
    if (path.find(".webm") != std::string::npos)
        return "video/webm";
    if (path.find(".flv") != std::string::npos)
        return "video/x-flv";
    return "video/mp4";
}

class ShippedScripts : public EngineTest {
protected:
    ShippedScripts() {
        std::filesystem::copy_file(SITESCRIPT_PACKED_SCRIPTS, home / "script.ent");
        auto& s = server.server();
        // Media files anywhere under /videos/ and /media/, and in folders of pages.
        s.Get(R"(/(videos|media|watch/video-tag/clips)/.*)",
              [](const httplib::Request& req, httplib::Response& res) {
                  res.set_content(std::string(kMediaBytes, 'm'), contentTypeFor(req.path));
              });
        s.Get(R"(/(watch|pages)/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            auto page = pages.find(req.path);
            if (page == pages.end()) {
                res.status = 404;
                return;
            }
            res.set_content(page->second, "text/html; charset=utf-8");
        });
    }

    void addPage(const std::string& path, const std::string& html) { pages[path] = html; }

    std::map<std::string, std::string> pages;
};

TEST_F(ShippedScripts, DirectMediaLinks) {
    startServer();
    const Analysed mp4 = analyse(url("/videos/My%20Clip.mp4?token=a.b"));
    EXPECT_EQ(mp4.status, 0);
    EXPECT_EQ(mp4.kind, StreamKindHttp);
    EXPECT_EQ(mp4.url, url("/videos/My%20Clip.mp4?token=a.b"));
    EXPECT_EQ(mp4.name, "My Clip");
    EXPECT_EQ(mp4.format, "mp4");
    EXPECT_EQ(mp4.length, static_cast<std::int64_t>(kMediaBytes));

    const Analysed webm = analyse(url("/media/trailer.final.webm#t=10"));
    EXPECT_EQ(webm.name, "trailer.final");
    EXPECT_EQ(webm.format, "webm");
    EXPECT_EQ(analyse(url("/media/LOUD.FLV")).name, "LOUD");
}

TEST_F(ShippedScripts, OpenGraphTags) {
    addPage("/watch/og.html",
            "<html><head><title>Not this</title>\n"
            "<meta content=\"Clip &amp; More\" property=\"og:title\">\n"
            "<meta property=\"og:video:type\" content=\"video/mp4\">\n"
            "<meta content=\"/media/a.webm?x=1&amp;y=2\" property=\"og:video:url\" />\n"
            "</head></html>");
    addPage("/watch/secure.html",
            "<meta property=\"og:video\" content=\"" + std::string("/media/plain.mp4") +
                "\"><meta property=\"og:video:secure_url\" content=\"/media/preferred.flv\">");
    startServer();
    const Analysed og = analyse(url("/watch/og.html"));
    EXPECT_EQ(og.status, 0);
    EXPECT_EQ(og.url, url("/media/a.webm?x=1&y=2"));
    EXPECT_EQ(og.name, "Clip & More");
    EXPECT_EQ(og.format, "webm");
    EXPECT_EQ(og.length, static_cast<std::int64_t>(kMediaBytes));

    const Analysed secure = analyse(url("/watch/secure.html"));
    EXPECT_EQ(secure.url, url("/media/preferred.flv"));
    EXPECT_EQ(secure.format, "flv");
    EXPECT_EQ(secure.name, std::nullopt);
}

TEST_F(ShippedScripts, VideoElements) {
    addPage("/watch/video-tag/page.html",
            "<title>\n  Two\n Lines\n</title><video controls poster=\"p.jpg\">"
            "<source src=\"clips/c.mp4\" type=\"video/mp4\"></video>");
    addPage("/pages/relative.html",
            "<video src=\"//127.0.0.1:" + std::string("PORT") + "/media/d.flv\" autoplay></video>");
    addPage("/pages/absolute.mp4.html", "<video src=\"/media/e.mp4\"></video>");
    startServer();
    pages["/pages/relative.html"].replace(pages["/pages/relative.html"].find("PORT"), 4,
                                          std::to_string(server.port()));

    const Analysed nested = analyse(url("/watch/video-tag/page.html"));
    EXPECT_EQ(nested.url, url("/watch/video-tag/clips/c.mp4"));
    EXPECT_EQ(nested.name, "   Two  Lines ");
    EXPECT_EQ(nested.format, "mp4");

    EXPECT_EQ(analyse(url("/pages/relative.html")).url, url("/media/d.flv"));
    // ".mp4" in the address but not ending its path: read as a page.
    const Analysed page = analyse(url("/pages/absolute.mp4.html"));
    EXPECT_EQ(page.url, url("/media/e.mp4"));
    EXPECT_EQ(page.length, static_cast<std::int64_t>(kMediaBytes));
}

TEST_F(ShippedScripts, HlsPlaylists) {
    addPage("/watch/hls.html",
            "<title>Streamed</title><video controls>"
            "<source src=\"/media/show/master.m3u8?sig=x&amp;t=2\" "
            "type=\"application/x-mpegURL\"></video>");
    addPage("/watch/og-hls.html",
            "<meta property=\"og:video\" content=\"/videos/clip.mp4/index.m3u8\">");
    startServer();
    // A direct link, query string allowed, and one named after its media.
    const Analysed direct = analyse(url("/videos/Live%20Show.m3u8?token=1"));
    EXPECT_EQ(direct.kind, StreamKindHttp);
    EXPECT_EQ(direct.url, url("/videos/Live%20Show.m3u8?token=1"));
    EXPECT_EQ(direct.name, "Live Show");
    EXPECT_EQ(direct.format, "m3u8");
    EXPECT_EQ(direct.length, 0);
    const Analysed named = analyse(url("/videos/clip.mp4/INDEX.M3U8"));
    EXPECT_EQ(named.url, url("/videos/clip.mp4/INDEX.M3U8"));
    EXPECT_EQ(named.format, "m3u8");

    const Analysed page = analyse(url("/watch/hls.html"));
    EXPECT_EQ(page.url, url("/media/show/master.m3u8?sig=x&t=2"));
    EXPECT_EQ(page.name, "Streamed");
    EXPECT_EQ(page.format, "m3u8");
    const Analysed og = analyse(url("/watch/og-hls.html"));
    EXPECT_EQ(og.url, url("/videos/clip.mp4/index.m3u8"));
    EXPECT_EQ(og.format, "m3u8");
}

TEST_F(ShippedScripts, PagesWithoutVideoAndMissingPages) {
    addPage("/watch/plain.html", "<html><title>Just text</title><p>nothing</p></html>");
    startServer();
    const Analysed plain = analyse(url("/watch/plain.html"));
    EXPECT_GE(plain.status, 0);
    EXPECT_EQ(plain.kind, StreamKindNone);
    EXPECT_EQ(plain.url, std::nullopt);
    EXPECT_EQ(plain.name, "Just text");
    EXPECT_EQ(analyse(url("/watch/gone.html")).status, -1);
    EXPECT_EQ(analyse(url("/pages/gone.mp4.html")).status, -1);
    // Only http and https addresses are media links or pages.
    EXPECT_EQ(analyse("ftp://127.0.0.1:1/clip.mp4").status, -1);
}

}  // namespace
}  // namespace sitescript_test
