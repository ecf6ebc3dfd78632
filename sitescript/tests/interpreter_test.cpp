// Statements, conditions, jumps, closing steps and guards of the
// interpreter, through AnalyseUrl on scripts that need no network. Values
// are observed through RTMP_PLAYPATH, which reaches the record unchanged.
#include "sitescript/interpreter.h"
#include "sitescript/tests/engine_fixture.h"
#include "sitescript/tooling.h"

namespace sitescript_test {
namespace {

constexpr const char* kPage = "http://site.example/watch";

class Interpreter : public EngineTest {
protected:
    Analysed run(const std::vector<std::string>& lines) {
        useScript(block("site.example", lines));
        return analyse(kPage);
    }
    // Runs the lines, then reports the value of `name`.
    std::optional<std::string> valueAfter(std::vector<std::string> lines, const std::string& name) {
        lines.push_back("RTMP_PLAYPATH = " + name + ";");
        return run(lines).playPath;
    }
};

// An empty string: the empty literal would leave the name unset.
const std::string kMakeEmptyA = "VAR X = \"x\"\nVAR A = REPLACE(X, X, EMPTY)";

TEST_F(Interpreter, ConditionTable) {
    struct Case {
        std::string setup, condition;
        bool holds;
    };
    const Case cases[] = {
        {"", "A == EMPTY", true},  // A is no variable, EMPTY exists unset
        {"VAR A = \"x\"", "A == EMPTY", false},
        {"VAR A = \"x\"", "A != EMPTY", true},
        {kMakeEmptyA, "A == EMPTY", true},
        {kMakeEmptyA, "A != EMPTY", true},
        {"VAR A = \"x\"", "A == NOSUCHNAME", false},
        {"VAR A = \"x\"", "A != NOSUCHNAME", true},
        {"", "NOSUCH == NOSUCH2", false},
        {"", "NOSUCH != NOSUCH2", false},
        {"VAR A = \"x\"\nVAR B = \"x\"", "A == B", true},
        {"VAR A = \"x\"\nVAR B = \"X\"", "A == B", false},
        {"VAR A = \"x\"\nVAR B = \"X\"", "A != B", true},
        {"VAR B = \"x\"", "EMPTY != B", true},
        {"", "EMPTY != A", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup + " / " + c.condition);
        const auto held = valueAfter(
            {c.setup, "IF " + c.condition + " THEN", "VAR HELD = \"yes\"", "ENDIF;"}, "HELD");
        EXPECT_EQ(held.has_value(), c.holds);
    }
}

TEST_F(Interpreter, StatusIsThatOfTheLastStatementThatGaveOne) {
    EXPECT_EQ(run({"VAR A = \"x\"", "IF A == A THEN", "// comment", "MARK NOTHING"}).status, 1);
    EXPECT_EQ(run({"VAR A = \"x\"", "IF A == A THEN", "VIDURL = A;"}).status, 0);
    EXPECT_EQ(run({"IF A == B", "VIDURL = A;"}).status, -1);                  // no THEN
    EXPECT_EQ(run({"IF A = B THEN"}).status, -1);                             // no operator
    EXPECT_EQ(run({"VAR A = SUBSTR(NUM, ORGURL, \"5\", \"4\")"}).status, 0);  // names, not numbers
    EXPECT_EQ(run({"VAR S = \"5\"", "VAR E = \"4\"", "VAR A = SUBSTR(NUM, ORGURL, S, E)"}).status,
              -1);
    EXPECT_EQ(run({"VAR A = ADDSTR ORGURL"}).status, -1);  // no "("
    EXPECT_EQ(run({"VAR A = JSUDCD"}).status, -1);
    EXPECT_EQ(run({"VAR A = LENGTH"}).status, 0);  // other functions do nothing
}

TEST_F(Interpreter, FailedConditionSkipsToTheMatchingEndIf) {
    EXPECT_EQ(valueAfter({"VAR R = \"start\"", "IF ORGURL == EMPTY THEN", "IF ORGURL != EMPTY THEN",
                          "VAR R = \"inner\"", "ENDIF;", "// IF counted here too", "VAR R = \"x\"",
                          "ENDIF;", "ENDIF;", "VAR R = ADDSTR(R, ORGURL)"},
                         "R"),
              std::string("start") + kPage);
    // No matching ENDIF: the block's statements end there; closing steps still run.
    EXPECT_EQ(valueAfter({"VAR R = \"kept\"", "RTMP_PLAYPATH = R;", "IF ORGURL == EMPTY THEN",
                          "VAR R = \"lost\""},
                         "R"),
              "kept");
}

TEST_F(Interpreter, GotoTakesTheFirstMarkLineHoldingTheLabel) {
    EXPECT_EQ(valueAfter({"GOTO L1;", "MARK L10", "VAR R = \"ten\"", "GOTO END;", "MARK L1",
                          "VAR R = \"one\"", "MARK END"},
                         "R"),
              "ten");
    // A counted loop; a label that no MARK line carries ends the statements.
    EXPECT_EQ(valueAfter({"VAR N = \"0\"", "VAR STOP = \"5\"", "MARK AGAIN", "VAR N = INCREMENT(N)",
                          "IF N != STOP THEN", "GOTO AGAIN;", "ENDIF;", "RTMP_PLAYPATH = N;",
                          "GOTO NOWHERE;", "VAR N = \"never\""},
                         "N"),
              "5");
}

TEST_F(Interpreter, RunawayScriptsEndWithMinusOne) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run({"VAR A = \"x\"", "RTMP_PLAYPATH = A;", "MARK LOOP", "GOTO LOOP;"}).status, -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("statements"), std::string::npos);

    useScript(block("self", {"VAR D = INCREMENT(D)", "CALLSCRIPT(self, ORGURL)"}));
    ::testing::internal::CaptureStderr();
    const Analysed recursive = analyse("http://self/");
    EXPECT_EQ(recursive.status, -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("nested"), std::string::npos);
}

// Values that double on every round, or multiply in one REPLACE, stop the
// analysis long before the statement count would; without the guard either
// one fills the memory. Run with a small limit, as the guard works the same
// at any size.
TEST(InterpreterGuards, GrowingValuesStopTheAnalysis) {
    for (const char* growing :
         {"VAR A = \"x\"\r\nMARK LOOP\r\nVAR A = ADDSTR(A, A)\r\nGOTO LOOP;\r\n",
          "VAR A = \"xxxxxxxxxxxxxxxx\"\r\nVAR X = \"x\"\r\nMARK LOOP\r\n"
          "VAR A = REPLACE(A, X, A)\r\nGOTO LOOP;\r\n"}) {
        const sitescript::ScriptModel model = sitescript::parseScriptText(
            "SITE \"s\"\r\nBEGIN\r\n" + std::string(growing) + "END;\r\n");
        sitescript::VariableTable variables(u"http://s/");
        sitescript::RunResult result;
        sitescript::Analysis analysis{model, variables, result};
        analysis.variableCharLimit = 1 << 20;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(sitescript::runBlock(analysis, 0), AnalyseFailed);
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("characters"), std::string::npos);
        EXPECT_LE(variables.totalLength(), std::size_t{2} << 20) << "stopped before building it";
        EXPECT_LT(analysis.statementsRun, 100u);
    }
}

TEST_F(Interpreter, CopiesAndLiterals) {
    EXPECT_EQ(valueAfter({"VAR S = \"value\"", "  VIDURL   =   S  ;  trailing"}, "VIDURL"),
              "value");
    EXPECT_EQ(valueAfter({"VIDURL = ORGURL;", "VIDURL = NOSUCH;"}, "VIDURL"), std::nullopt);
    EXPECT_EQ(valueAfter({"VAR S = \"value\"", "VIDURL = S;", "VIDURL = ;"}, "VIDURL"), "value");
    EXPECT_EQ(valueAfter({"  VAR   SPACED =  \"a \"quoted\" b\"  "}, "SPACED"), "a \"quoted\" b");
    EXPECT_EQ(valueAfter({"VAR A = \"x\"", "VAR A = \"\""}, "A"), std::nullopt);
    // Lines go by keyword containment: a literal with "// " makes a comment,
    // one with a function keyword calls that function.
    EXPECT_EQ(valueAfter({"VAR A = \"x\"", "VAR A = \"http:// \""}, "A"), "x");
    EXPECT_EQ(valueAfter({"VAR A = \"x\"", "VAR A = \"REVERSE\""}, "A"), "x");
    EXPECT_EQ(valueAfter({"VAR A = \"abc\"", "VAR B = REVERSE(A)"}, "B"), "cba");
}

TEST_F(Interpreter, ClosingStepsWithoutNetwork) {
    Analysed rtmp = run({"VAR U = \"RTMPE://media.example/app\"", "VIDURL = U;",
                         "VAR N = \"Clip: part 1?.EXE\"", "VIDNAME = N;"});
    EXPECT_EQ(rtmp.kind, StreamKindRtmp);
    EXPECT_EQ(rtmp.format, "flv");
    EXPECT_EQ(rtmp.url, "RTMPE://media.example/app");
    EXPECT_EQ(rtmp.name, "Clip_ part 1__exe");

    Analysed parts = run({"VAR PLAYLISTIDS = \" rtmp://m/a <  rtmp://m/b< rtmp://m/c  \"",
                          "RTMP_PLAYPATH = PLAYLISTIDS;"});
    EXPECT_EQ(parts.kind, StreamKindRtmp);  // the first part is the stream
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"0", "rtmp://m/a"}, {"1", "rtmp://m/b"}, {"2", "rtmp://m/c  "}};
    EXPECT_EQ(parts.parts, expected);
    EXPECT_EQ(parts.url, std::nullopt);

    Analysed noScheme = run({"VAR U = \"not a url\"", "VIDURL = U;"});
    EXPECT_EQ(noScheme.kind, StreamKindNone);
    EXPECT_EQ(noScheme.url, "not a url");
}

TEST_F(Interpreter, FailureAfterCallScriptKeepsKindButNoStrings) {
    useScript(block("site.example", {"CALLSCRIPT(called, ORGURL)", "IF A == B"}) +
              block("called", {"VAR U = \"rtmp://media.example/app\"", "VIDURL = U;",
                               "VAR PLAYLISTIDS = \"a<b\"", "VIDNAME = U;"}));
    const Analysed result = analyse(kPage);
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.kind, StreamKindRtmp);
    EXPECT_EQ(result.parts.size(), 2u);
    EXPECT_EQ(result.url, std::nullopt);
    EXPECT_EQ(result.name, std::nullopt);
}

TEST_F(Interpreter, CallScriptSearchesFromTheCallingBlockAndReplacesOrgUrl) {
    useScript(block("earlier", {"VAR R = \"wrong\""}) +
              block("site.example", {"VAR NEXT = \"http://other/\"",
                                     "CALLSCRIPT(x earlier later, NEXT)", "RTMP_PLAYPATH = R;"}) +
              block("later", {"VAR R = ADDSTR(ORGURL, EMPTY)"}));
    EXPECT_EQ(analyse(kPage).playPath, "http://other/");
}

struct Login {
    const char16_t* user;
    const char16_t* password;
    int calls = 0;
};

int answerLogin(const char16_t** user, const char16_t** password, std::intptr_t context) {
    auto* login = reinterpret_cast<Login*>(context);
    ++login->calls;
    *user = login->user;
    *password = login->password;
    return 0;
}

TEST_F(Interpreter, RequestLoginRunsTheLoginBlockWithTheAnswers) {
    const std::string caller = block("site.example", {"REQUESTLOGIN(USER, PASS, X)"});
    Login login{u"alice", u"s\u00e9cret"};
    useScript(caller +
              block("youtubelogin", {"VAR UP = ADDSTR(USER, PASS)", "RTMP_PLAYPATH = UP;"}));
    Analysed result = analyse(kPage, answerLogin, reinterpret_cast<std::intptr_t>(&login));
    EXPECT_EQ(login.calls, 1);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.playPath, "alices\u00e9cret");

    useScript(caller);  // no login block
    EXPECT_EQ(analyse(kPage, answerLogin, reinterpret_cast<std::intptr_t>(&login)).status, -2);
    useScript(caller + block("youtubelogin", {"IF FAIL"}));
    EXPECT_EQ(analyse(kPage, answerLogin, reinterpret_cast<std::intptr_t>(&login)).status, -2);
    useScript(block("site.example", {"REQUESTLOGIN USER, PASS, X"}));
    EXPECT_EQ(analyse(kPage, answerLogin, reinterpret_cast<std::intptr_t>(&login)).status, -1);
    useScript(block("site.example", {"REQUESTLOGIN(USER, PASS)"}));
    EXPECT_EQ(analyse(kPage, answerLogin, reinterpret_cast<std::intptr_t>(&login)).status, 0);
    EXPECT_EQ(login.calls, 3);
}

TEST_F(Interpreter, TheTableAndTheRecord) {
    const ISiteScript* first = CreateSiteScriptHandle();
    CloseSiteScriptHandle();
    EXPECT_EQ(CreateSiteScriptHandle(), first);

    useScript(block("site.example", {"VAR A = \"x\""}));
    VideoInfo* info = nullptr;
    EXPECT_EQ(first->AnalyseUrl(nullptr, u"http://unknown.example/", &info, 0), 0);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->kind, 0);
    EXPECT_EQ(info->url, nullptr);
    EXPECT_EQ(info->parts, nullptr);
    first->FreeVideoInfo(&info);
    EXPECT_EQ(info, nullptr);
    first->FreeVideoInfo(&info);
    first->FreeVideoInfo(nullptr);
}

void collectTrace(const std::string& line, int status, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(std::to_string(status) + " " + line);
}

TEST_F(Interpreter, TraceSinkSeesEachExecutedStatement) {
    std::vector<std::string> trace;
    sitescript::setTraceSink(collectTrace, &trace);
    // Execution goes on after the MARK line that GOTO finds.
    run({"VAR A = \"x\"", "IF A == EMPTY THEN", "VAR B = \"skipped\"", "ENDIF;", "GOTO END;",
         "MARK END"});
    sitescript::setTraceSink(nullptr, nullptr);
    EXPECT_EQ(trace,
              (std::vector<std::string>{"0 VAR A = \"x\"", "0 IF A == EMPTY THEN", "0 GOTO END;"}));
}

}  // namespace
}  // namespace sitescript_test
