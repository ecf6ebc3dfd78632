// Page analysis against watch pages served on loopback.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "streamsift/streamsift.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::LoopbackServer;
using testing_support::ScopedEnv;
using testing_support::TempDir;

struct Record {
    std::string url;
    std::string type;
    std::string quality;
    bool operator==(const Record&) const = default;
};

void PrintTo(const Record& r, std::ostream* out) {
    *out << "{" << r.url << " | " << r.type << " | " << r.quality << "}";
}

struct Analysis {
    int result = 0;
    int count = 0;
    std::optional<std::string> title;
    std::vector<Record> records;
};

// The page's map sits in its script as a JSON string, followed by more keys.
std::string watchPage(const std::string& map, const std::string& head = "<title>Clip</title>") {
    return "<html><head>" + head +
           "</head><body><script>var config = {\"args\": {\"url_encoded_fmt_stream_map\": \"" +
           map + "\", \"length_seconds\": \"212\"}};</script></body></html>";
}

// The dump goes to the working directory: each test runs in a scratch one.
class ScopedWorkingDir {
public:
    explicit ScopedWorkingDir(const std::filesystem::path& dir)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedWorkingDir() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

class StreamSiftAnalysisTest : public ::testing::Test {
protected:
    StreamSiftAnalysisTest() : workingDir_(scratch_.path()) {
        server_.server().Get("/watch", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            target_ = req.target;
            headers_ = req.headers;
            res.set_content(page_, "text/html");
        });
        server_.start();
        host_.emplace("STREAMSIFT_HOST", "127.0.0.1:" + std::to_string(server_.port()));
    }

    void serve(std::string page) {
        std::lock_guard lock(mutex_);
        page_ = std::move(page);
    }

    std::string header(const std::string& name) {
        std::lock_guard lock(mutex_);
        auto it = headers_.find(name);
        return it == headers_.end() ? "" : it->second;
    }

    static Analysis analyse(const std::u16string& pageUrl = u"http://video.example/watch?v=abc") {
        DLL_StreamSift sift;
        dlInfo* infos = nullptr;
        char* title = nullptr;
        Analysis a;
        a.result = sift.analysisUrl(infos, a.count, title, pageUrl.c_str());
        if (a.result != DLL_StreamSift::kAnalysed) {
            EXPECT_EQ(infos, nullptr);
            EXPECT_EQ(title, nullptr);
            return a;
        }
        if (title)
            a.title = title;
        for (int i = 0; i < a.count; ++i)
            a.records.push_back({infos[i].url, infos[i].type, infos[i].quality});
        sift.freeUrlData(infos, title, a.count);
        return a;
    }

    TempDir scratch_;
    ScopedWorkingDir workingDir_;
    std::mutex mutex_;
    std::string page_;
    std::string target_;
    httplib::Headers headers_;
    LoopbackServer server_;  // last: stopped before what its handler uses goes away
    std::optional<ScopedEnv> host_;
};

TEST_F(StreamSiftAnalysisTest, DecodesEveryEntryFormUntilAnEntryWithoutUrl) {
    const std::vector<std::string> entries = {
        // URL after "%3F", its parameters inside it.
        "%3Furl=http%3A%2F%2Fa.example%2Fv%3Fid%3D7%26itag%3D5"
        "\\u0026quality=small\\u0026type=video%2Fx-flv",
        // Scrambled order, "signature" inside the URL, "+" in the type.
        "type=video%2Fmp4%3B+codecs%3D%22avc1.64001F%2C+mp4a.40.2%22\\u0026quality=hd720"
        "\\u0026url=http%3A%2F%2Fb.example%2Fvideoplayback%3Fupn%3DU1%26sver%3D3%26itag%3D22"
        "%26id%3Do-ABC%26expire%3D99%26signature%3DABC\\u0026fallback_host=tc.example",
        // itag after "\u0026", a URL without query.
        "quality=medium\\u0026itag=43\\u0026url=http%3A%2F%2Fc.example%2Fplain"
        "\\u0026type=audio%2Fwebm",
        // No parameter of the table at all.
        "\\u0026url=http%3A%2F%2Fd.example%2Fbare",
        // pcm2fr comes last and gets no "&".
        "\\u0026url=http%3A%2F%2Fe.example%2Fg%3Fpcm2fr%3Dyes\\u0026type=audio%2F3gpp"
        "\\u0026quality=small",
        // Escapes in either case; "%" without two hex digits stays.
        "\\u0026url=http%3A%2F%2Fh.example%2Fodd%2fcase%zz%4",
        // No URL: the loop ends here, the next entry is never read.
        "itag=18\\u0026quality=medium",
        "\\u0026url=http%3A%2F%2Ff.example%2Fnever",
    };
    std::string map;
    for (const std::string& entry : entries)
        map += (map.empty() ? "" : ",") + entry;
    serve(watchPage(map));

    const Analysis a = analyse();
    EXPECT_EQ(a.result, DLL_StreamSift::kAnalysed);
    EXPECT_EQ(a.title, "Clip");
    const std::vector<Record> expected = {
        {"http://a.example/v?id=7&itag=5&quality=small&type=video/x-flv&", ".flv", "=small"},
        {"http://b.example/videoplayback?expire=99&fallback_host=tc.example&id=o-ABC&itag=22&"
         "quality=hd720&signature=ABC&sver=3&"
         "type=video/mp4; codecs=\"avc1.64001F, mp4a.40.2\"&upn=U1&",
         ".mp4", "=hd720"},
        {"http://c.example/plain?itag=43&quality=medium&type=audio/webm&", ".webm", "=medium"},
        {"http://d.example/bare?", "", ""},
        {"http://e.example/g?quality=small&type=audio/3gpp&pcm2fr=yes", ".3gpp", "=small"},
        {"http://h.example/odd/case%zz%4?", "", ""},
    };
    EXPECT_EQ(a.records, expected);
    EXPECT_EQ(a.count, 6);
}

TEST_F(StreamSiftAnalysisTest, MapOfOneEntryEndsAtItsClosingQuote) {
    // The stream list that follows has entries of the same shape; they are
    // not part of the map, and the closing quote is not part of the value.
    serve(
        "<title>One</title>{\"url_encoded_fmt_stream_map\": "
        "\"\\u0026url=http%3A%2F%2Fg.example%2Fone\\u0026itag=22\", "
        "\"adaptive_fmts\": \"\\u0026url=http%3A%2F%2Fh.example%2Fa1,"
        "\\u0026url=http%3A%2F%2Fh.example%2Fa2\"}");
    const Analysis a = analyse();
    ASSERT_EQ(a.result, DLL_StreamSift::kAnalysed);
    EXPECT_EQ(a.records, (std::vector<Record>{{"http://g.example/one?itag=22&", "", ""}}));
}

TEST_F(StreamSiftAnalysisTest, RequestsTheServiceHostWithLanguageSuffixCookieAndHeaders) {
    serve(watchPage("", "<title>Caf\xc3\xa9 &amp; more</title>"));
    // Host and fragment of the given address are not used.
    const Analysis a = analyse(u"https://elsewhere.example/watch?v=xyz#t=30");
    EXPECT_EQ(a.result, DLL_StreamSift::kAnalysed);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a.title, "Caf\xc3\xa9 &amp; more");
    EXPECT_EQ(target_, "/watch?v=xyz&hl=en_US&persist_hl=0");
    EXPECT_EQ(header("Cookie"), "expires=Wed,1-Jan-2020 00:00:00 GMT");
    EXPECT_EQ(header("Accept-Encoding"), "gzip,deflate");
    EXPECT_EQ(header("User-Agent"),
              "Mozilla/5.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)");
}

TEST_F(StreamSiftAnalysisTest, DumpHoldsExactlyTheLastPageAlsoWithoutMap) {
    // Text pages travel gzip-compressed; the dump holds them decoded.
    serve(watchPage("\\u0026url=http%3A%2F%2Fa.example%2Fv,") + std::string(300000, 'x'));
    EXPECT_EQ(analyse().result, DLL_StreamSift::kAnalysed);
    EXPECT_EQ(testing_support::readFile("recvData.html"), page_);
    EXPECT_NE(header("Accept-Encoding").find("gzip"), std::string::npos);

    const std::string shortPage = "<html><title>Gone</title>This video is unavailable.</html>";
    serve(shortPage);
    const Analysis a = analyse();
    EXPECT_EQ(a.result, DLL_StreamSift::kFailed);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(testing_support::readFile("recvData.html"), shortPage);
}

TEST_F(StreamSiftAnalysisTest, LargePagesLongUrlsAndLongMapsAreKeptWhole) {
    const std::string longPath(5000, 'p');
    std::string map;
    for (int i = 0; i < 1500; ++i) {
        const std::string path = i == 700 ? longPath : std::to_string(i);
        map += (i ? "," : "") + std::string("\\u0026url=http%3A%2F%2Fs.example%2F") + path +
               "\\u0026itag=" + std::to_string(i);
    }
    serve("<title>Big</title>" + std::string(3 << 20, ' ') + watchPage(map));
    const Analysis a = analyse();
    ASSERT_EQ(a.result, DLL_StreamSift::kAnalysed);
    ASSERT_EQ(a.count, 1500);
    EXPECT_EQ(a.title, "Big");
    EXPECT_EQ(a.records[700].url, "http://s.example/" + longPath + "?itag=700&");
    EXPECT_EQ(a.records[1499].url, "http://s.example/1499?itag=1499&");
}

TEST_F(StreamSiftAnalysisTest, RecordsFollowTheIncomingCountAndReleaseCleanly) {
    serve(watchPage("\\u0026url=http%3A%2F%2Fa.example%2Fv\\u0026quality=small,", "no title"));
    DLL_StreamSift sift;
    dlInfo* infos = nullptr;
    char* title = nullptr;
    int count = 2;
    ASSERT_EQ(sift.analysisUrl(infos, count, title, u"http://video.example/watch?v=1"),
              DLL_StreamSift::kAnalysed);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(title, nullptr);
    EXPECT_EQ(infos[0].url, nullptr);
    EXPECT_EQ(infos[1].quality, nullptr);
    EXPECT_STREQ(infos[2].url, "http://a.example/v?quality=small&");
    sift.freeUrlData(infos, title, count);
    EXPECT_EQ(infos, nullptr);
    sift.freeUrlData(infos, title, count);  // null pointers: nothing to release
}

TEST_F(StreamSiftAnalysisTest, UnreachableHostAndBadAddressesFail) {
    {
        ScopedEnv host("STREAMSIFT_HOST", "127.0.0.1:1");  // nothing listens there
        EXPECT_EQ(analyse().result, DLL_StreamSift::kFailed);
    }
    EXPECT_EQ(analyse(u"watch?v=abc").result, DLL_StreamSift::kFailed);
    EXPECT_EQ(analyse(u"file:///etc/passwd").result, DLL_StreamSift::kFailed);
    EXPECT_FALSE(std::filesystem::exists("recvData.html"));
}

// In a network namespace of its own the process has no interface but a
// loopback that is down: the service's host is then out of reach.
TEST(StreamSiftNoNetworkTest, NoUsableInterfaceReportsNoConnection) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (unshare(CLONE_NEWNET) != 0)
            _exit(77);
        unsetenv("STREAMSIFT_HOST");
        DLL_StreamSift sift;
        dlInfo* infos = nullptr;
        char* title = nullptr;
        int count = 0;
        const int result = sift.analysisUrl(infos, count, title, u"http://video.example/watch?v=1");
        _exit(result == DLL_StreamSift::kNoConnection && !infos && !title && count == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no permission to create a network namespace";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
