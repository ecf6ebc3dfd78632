// clipwright-cli's site-script commands: output format and exit codes.
#include "platform/process.h"
#include "sitescript/tests/engine_fixture.h"
#include "testing/media.h"

namespace sitescript_test {
namespace {

using testing_support::readFile;
using testing_support::writeFile;

platform::ProcessResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), CLIPWRIGHT_CLI);
    return platform::runProcess(args, true);
}

class Cli : public EngineTest {};

TEST_F(Cli, AnalysePrintsOneJsonLine) {
    server.server().Get("/login", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_param_value("u") + ":" + req.get_param_value("p"), "text/plain");
    });
    startServer();
    useScript(block("/page", {"REQUESTLOGIN(USER, PASS, X)", "VAR N = \"A \"quoted\" name\"",
                              "VIDNAME = N;", "VAR PLAYLISTIDS = \"rtmp://m/a<rtmp://m/b\""}) +
              block("youtubelogin",
                    {"VAR L = \"" + url("/login?u=") + "\"", "VAR AND = \"&p=\"",
                     "VAR L = ADDSTR(L, USER)", "VAR L = ADDSTR(L, AND)", "VAR L = ADDSTR(L, PASS)",
                     "VAR ANSWER = GETHTML(L)", "RTMP_PLAYPATH = ANSWER;"}));
    platform::ProcessResult run =
        cli({"analyse", url("/page"), "--user", "ann", "--password", "pw"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output,
              "{\"status\":0,\"kind\":2,\"length\":0,\"url\":null,\"playPath\":\"ann:pw\","
              "\"name\":\"A _quoted_ name\",\"format\":\"flv\",\"parts\":[{\"index\":\"0\","
              "\"url\":\"rtmp://m/a\"},{\"index\":\"1\",\"url\":\"rtmp://m/b\"}]}\n");

    // Without answers the login gets empty strings; --trace shows statements.
    run = cli({"analyse", url("/page"), "--trace"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("[0] VIDNAME = N;"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"playPath\":\":\""), std::string::npos) << run.output;
}

TEST_F(Cli, AnalyseExitCodes) {
    useScript(block("fails", {"IF X"}));
    platform::ProcessResult run = cli({"analyse", "http://fails.example/"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output,
              "{\"status\":-1,\"kind\":0,\"length\":0,\"url\":null,\"playPath\":null,"
              "\"name\":null,\"format\":null,\"parts\":[]}\n");
    EXPECT_EQ(cli({"analyse", "http://unknown.example/"}).exitCode, 0);
    EXPECT_EQ(cli({"analyse"}).exitCode, 2);
    EXPECT_EQ(cli({"analyse", "a", "b"}).exitCode, 2);
    EXPECT_EQ(cli({"analyse", "a", "--colour", "red"}).exitCode, 2);
}

TEST_F(Cli, PackUnpackProbeAndMerge) {
    writeFile(home / "plain.txt", "SITE \"x\"\r\nBEGIN\r\nEND;\r\n");
    ASSERT_EQ(cli({"pack", (home / "plain.txt").string(), (home / "packed")}).exitCode, 0);
    EXPECT_EQ(readFile(home / "packed"), packScript("SITE \"x\"\nBEGIN\nEND;\n"));
    ASSERT_EQ(cli({"unpack", (home / "packed").string(), (home / "back.txt")}).exitCode, 0);
    EXPECT_EQ(readFile(home / "back.txt"), readFile(home / "plain.txt"));
    EXPECT_EQ(cli({"pack", (home / "absent").string(), (home / "out")}).exitCode, 1);
    EXPECT_EQ(cli({"pack", "one"}).exitCode, 2);

    writeFile(home / "clip.mp4", std::string("\0\0\0\x18"
                                             "ftypisom",
                                             12));
    platform::ProcessResult probe = cli({"probe", (home / "clip.mp4").string()});
    EXPECT_EQ(probe.output, "3\n");
    EXPECT_EQ(probe.exitCode, 0);
    probe = cli({"probe", (home / "absent").string()});
    EXPECT_EQ(probe.output, "-1\n");
    EXPECT_EQ(probe.exitCode, 1);

    platform::ProcessResult merge =
        cli({"merge", (home / "o.flv").string(), (home / "list").string(), "--mode", "2"});
    EXPECT_EQ(merge.output, "-1\n");
    EXPECT_EQ(merge.exitCode, 1);
    EXPECT_EQ(cli({"merge", "o.flv", "list"}).exitCode, 2);
    EXPECT_EQ(cli({"merge", "o.flv", "list", "--mode", "x"}).exitCode, 2);
}

}  // namespace
}  // namespace sitescript_test
