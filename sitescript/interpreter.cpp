#include "sitescript/interpreter.h"

#include "platform/text.h"
#include "sitescript/functions.h"
#include "sitescript/http_access.h"
#include "sitescript/last_reason.h"
#include "sitescript/trace.h"

#include <iostream>
#include <tuple>

namespace sitescript {
namespace {

constexpr std::size_t kEndOfBlock = static_cast<std::size_t>(-1);

enum class Statement {
    Comment,
    EndIf,
    Mark,
    Var,
    CopyUrl,
    If,
    CopyName,
    Goto,
    SetCookie,
    Ignored,
    RequestLogin,
    CopyPlayPath,
    CallScript,
};

// A line is the first statement whose keyword it contains anywhere.
Statement classify(std::u16string_view line) {
    static constexpr std::pair<const char16_t*, Statement> kKeywords[] = {
        {u"// ", Statement::Comment},
        {u"ENDIF;", Statement::EndIf},
        {u"MARK ", Statement::Mark},
        {u"VAR ", Statement::Var},
        {u"VIDURL ", Statement::CopyUrl},
        {u"IF ", Statement::If},
        {u"VIDNAME ", Statement::CopyName},
        {u"GOTO ", Statement::Goto},
        {u"SETCOOKIE", Statement::SetCookie},
        {u"SETFLVHEADER", Statement::Ignored},
        {u"REQUESTLOGINWEB", Statement::Ignored},
        {u"REQUESTLOGIN", Statement::RequestLogin},
        {u"RTMP_PLAYPATH ", Statement::CopyPlayPath},
        {u"CALLSCRIPT", Statement::CallScript},
    };
    for (const auto& [keyword, statement] : kKeywords)
        if (contains(line, keyword))
            return statement;
    return Statement::Ignored;
}

// One executed statement: its status (none for lines without an action)
// and the line to go on with.
struct Step {
    std::optional<int> status;
    std::size_t next;
};

// Statement words sit after indentation; their operands start after the
// first blank that follows the word.
std::size_t afterFirstWord(std::u16string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() && line[pos] <= u' ')
        ++pos;
    while (pos < line.size() && line[pos] > u' ')
        ++pos;
    return pos < line.size() ? pos : std::u16string_view::npos;
}

std::vector<std::u16string> blankSeparated(std::u16string_view line) {
    std::vector<std::u16string> words;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] <= u' ')
            ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] > u' ')
            ++pos;
        if (pos > start)
            words.emplace_back(line.substr(start, pos - start));
    }
    return words;
}

// The values of the variables a call names, or nullopt when an argument is
// missing from the line. `pos` is just after the call's "(".
std::optional<std::vector<Value>> argumentValues(const VariableTable& variables,
                                                 std::u16string_view line, std::size_t pos,
                                                 std::size_t count) {
    std::vector<Value> values;
    for (const auto& name : readArguments(line, pos, count)) {
        if (!name)
            return std::nullopt;
        values.push_back(variables.get(*name));
    }
    return values;
}

std::string narrow(const Value& value) {
    return value ? platform::utf16ToUtf8(*value) : std::string();
}

// ---- VAR ------------------------------------------------------------------

// The right side of one VAR line, as the function handlers see it.
struct Assignment {
    Analysis& analysis;
    std::u16string_view line;
    std::u16string name;
    std::u16string_view rightSide;
    std::size_t argumentsPos;  // just after "(", or npos when the right side has none

    VariableTable& variables() const { return analysis.variables; }
    std::optional<std::vector<Value>> arguments(std::size_t count) const {
        if (argumentsPos == std::u16string_view::npos)
            return std::nullopt;
        return argumentValues(variables(), line, argumentsPos, count);
    }
    void assign(Value value) const { variables().set(name, std::move(value)); }
};

using FunctionHandler = int (*)(const Assignment&);

// Functions of one argument whose result only depends on its value.
template <Value (*Fn)(const Value&)>
int unaryFunction(const Assignment& a) {
    if (auto args = a.arguments(1))
        a.assign(Fn((*args)[0]));
    return 0;
}

// Functions whose line must hold "(": without it the analysis fails.
template <FunctionHandler Handler>
int needsParenthesis(const Assignment& a) {
    return a.argumentsPos == std::u16string_view::npos ? -1 : Handler(a);
}

int isUrlAlive(const Assignment& a) {
    if (auto args = a.arguments(1))
        a.assign(urlAliveFlag(narrow((*args)[0])));
    return 0;
}

int getHtml(const Assignment& a) {
    auto args = a.arguments(1);
    if (!args || !(*args)[0])
        return 0;
    PageText page = getPage(narrow((*args)[0]), userAgentOf(a.variables()));
    if (page.failed) {
        noteFetchFailure({std::move(page.reason), page.httpStatus, page.systemError});
        return -1;
    }
    if (page.text)
        a.assign(std::move(page.text));
    return static_cast<int>(std::min<std::int64_t>(page.bytes, INT32_MAX));
}

int post(const Assignment& a) {
    auto args = a.arguments(3);
    if (!args || !(*args)[0])
        return 0;
    const auto& values = *args;
    if (Value answer = postForm(narrow(values[0]), narrow(values[1]), narrow(values[2]),
                                userAgentOf(a.variables())))
        a.assign(std::move(answer));
    return 0;
}

int substring(const Assignment& a) {
    std::size_t pos = a.argumentsPos;
    const std::optional<std::u16string> mode = readField(a.line, pos, u',');
    auto args = mode ? argumentValues(a.variables(), a.line, pos, 3) : std::nullopt;
    if (!args)
        return 0;
    const SubstrMode how = contains(*mode, u"NUM")   ? SubstrMode::Positions
                           : contains(*mode, u"FWD") ? SubstrMode::FirstOccurrence
                                                     : SubstrMode::LastOccurrence;
    std::optional<Value> value = substr(how, (*args)[0], (*args)[1], (*args)[2]);
    if (!value)
        return -1;
    a.assign(std::move(*value));
    return 0;
}

// A value that would take the variables past their limit stops the
// analysis before it is built.
bool fitsTheLimit(const Assignment& a, std::size_t resultLength) {
    if (resultLength <= a.analysis.variableCharLimit)
        return true;
    std::cerr << "sitescript: analysis stopped: a value of " << resultLength
              << " characters is over the limit of " << a.analysis.variableCharLimit << "\n";
    a.analysis.runaway = true;
    return false;
}

std::size_t charCount(const Value& value) {
    return value ? value->size() : 0;
}

int replace(const Assignment& a) {
    auto args = a.arguments(3);
    if (!args)
        return 0;
    const auto& [text, from, to] = std::tie((*args)[0], (*args)[1], (*args)[2]);
    if (text && from && !fitsTheLimit(a, replacedLength(*text, *from, to ? to->size() : 0)))
        return -1;
    a.assign(replaceAll(text, from, to));
    return 0;
}

int addString(const Assignment& a) {
    auto args = a.arguments(2);
    if (!args)
        return 0;
    if (!fitsTheLimit(a, charCount((*args)[0]) + charCount((*args)[1])))
        return -1;
    a.assign(addStrings((*args)[0], (*args)[1]));
    return 0;
}

int noAction(const Assignment&) {
    return 0;
}

int getTitle(const Assignment& a) {
    if (contains(a.rightSide, u";"))
        a.assign(pageTitle(a.variables().get(u"ORGHTML")));
    return 0;
}

int hex(const Assignment& a) {
    std::size_t pos = a.argumentsPos;
    if (auto literal = readField(a.line, pos, u')'))
        a.assign(hexLiteral(*literal));
    return 0;
}

int findStr(const Assignment& a) {
    if (auto args = a.arguments(3))
        a.assign(findString((*args)[0], (*args)[1]));
    return 0;
}

int strFromArr(const Assignment& a) {
    if (auto args = a.arguments(3))
        a.assign(tokenFromArray((*args)[0], (*args)[1], (*args)[2]));
    return 0;
}

int getRedirect(const Assignment& a) {
    auto args = a.arguments(1);
    if (!args)
        return 0;
    const Value& url = (*args)[0];
    a.assign(url ? redirectTarget(narrow(url), userAgentOf(a.variables())) : Value{});
    return 0;
}

int getFileId(const Assignment& a) {
    if (auto args = a.arguments(2))
        a.assign(fileIdFromSeed((*args)[0], (*args)[1]));
    return 0;
}

int genSid(const Assignment& a) {
    a.assign(sessionId());
    return 0;
}

int formatFileIdFn(const Assignment& a) {
    if (auto args = a.arguments(2))
        a.assign(formatFileId((*args)[0], (*args)[1]));
    return 0;
}

// The functions in the order their keywords are tested: the first keyword
// that occurs anywhere in the right side wins.
constexpr std::pair<const char16_t*, FunctionHandler> kFunctions[] = {
    {u"ISURLALIVE", isUrlAlive},
    {u"GETHTML", getHtml},
    {u"POST", post},
    {u"SUBSTR", needsParenthesis<substring>},
    {u"REPLACE", needsParenthesis<replace>},
    {u"ADDSTR", needsParenthesis<addString>},
    {u"URLDCD", unaryFunction<urlDecode>},
    {u"URLENC", noAction},
    {u"JSDCD", noAction},
    {u"JSUDCD", needsParenthesis<unaryFunction<jsUnicodeDecode>>},
    {u"GETTITLE", getTitle},
    {u"HEX", hex},
    {u"FINDSTR", needsParenthesis<findStr>},
    {u"STRFROMARR", strFromArr},
    {u"HTMLDECODE", needsParenthesis<unaryFunction<htmlDecode>>},
    {u"GETYOUTUBEQ", unaryFunction<preferredQuality>},
    {u"MD5", noAction},
    {u"DATEDIFF", noAction},
    {u"GETREDIRECT", getRedirect},
    {u"GETFILEID", getFileId},
    {u"GENSID", genSid},
    {u"GETPART", unaryFunction<partNumber>},
    {u"FORMATFILEID", formatFileIdFn},
    {u"INCREMENT", unaryFunction<increment>},
    {u"LENGTH", unaryFunction<lengthOf>},
    {u"REVERSE", unaryFunction<reversed>},
    {u"TRANSDIR", unaryFunction<digitDirectories>},
    {u"TRANSIDTODIR", unaryFunction<idDirectories>},
};

// A literal: the text between the first and the last double quote. An
// empty literal leaves the name unset.
Value literalOf(std::u16string_view rightSide) {
    const std::size_t first = rightSide.find(u'"');
    const std::size_t last = rightSide.rfind(u'"');
    if (last <= first + 1)
        return {};
    return std::u16string(rightSide.substr(first + 1, last - first - 1));
}

int runVar(Analysis& analysis, std::u16string_view line) {
    std::size_t pos = afterFirstWord(line);
    const std::optional<std::u16string> name = readField(line, pos, u'=');
    if (!name || pos == std::u16string_view::npos)
        return 0;
    const std::u16string_view rightSide = line.substr(pos);
    std::size_t argumentsPos = pos;
    readField(line, argumentsPos, u'(');
    const Assignment assignment{analysis, line, *name, rightSide, argumentsPos};
    for (const auto& [keyword, handler] : kFunctions)
        if (contains(rightSide, keyword))
            return handler(assignment);
    if (contains(rightSide, u"\""))
        assignment.assign(literalOf(rightSide));
    return 0;
}

// ---- other statements -----------------------------------------------------

// TARGET = SOURCE; copies SOURCE's value (unset when it is no variable).
int runCopy(Analysis& analysis, std::u16string_view line) {
    std::size_t pos = 0;
    const std::optional<std::u16string> target = readField(line, pos, u'=');
    const std::optional<std::u16string> source = readField(line, pos, u';');
    if (!target || !source || source->empty())
        return 0;
    analysis.variables.set(*target, analysis.variables.get(*source));
    return 0;
}

std::optional<bool> conditionHolds(const VariableTable& variables, std::u16string_view line) {
    if (!contains(line, u"THEN"))
        return std::nullopt;
    const bool equal = contains(line, u"==");
    if (!equal && !contains(line, u"!="))
        return std::nullopt;
    const std::vector<std::u16string> words = blankSeparated(line);
    const std::u16string left = words.size() > 1 ? words[1] : std::u16string();
    const std::u16string right = words.size() > 3 ? words[3] : std::u16string();
    const bool leftExists = variables.exists(left), rightExists = variables.exists(right);
    const Value l = variables.get(left), r = variables.get(right);
    if (leftExists && rightExists) {
        if (!l)
            return equal ? !r : r.has_value();
        if (!r)
            return equal ? l->empty() : true;
        return equal == (*l == *r);
    }
    if (leftExists)
        return equal ? !l : l.has_value();
    if (rightExists)
        return equal ? !r : r.has_value();
    return false;
}

// The line after the "ENDIF;" that matches the IF at `ifLine`.
std::size_t afterMatchingEndIf(const ScriptBlock& block, std::size_t ifLine) {
    int depth = 0;
    for (std::size_t i = ifLine; i < block.lines.size(); ++i) {
        const std::u16string& text = block.lines[i].text;
        if (contains(text, u"IF "))
            ++depth;
        else if (contains(text, u"ENDIF;") && --depth == 0)
            return i + 1;
    }
    return kEndOfBlock;
}

Step runIf(Analysis& analysis, const ScriptBlock& block, std::size_t index) {
    const std::optional<bool> holds = conditionHolds(analysis.variables, block.lines[index].text);
    if (!holds)
        return {-1, kEndOfBlock};
    if (*holds)
        return {1, index + 1};
    return {0, afterMatchingEndIf(block, index)};
}

Step runGoto(const ScriptBlock& block, std::size_t index) {
    const std::u16string& line = block.lines[index].text;
    std::size_t pos = afterFirstWord(line);
    const std::u16string label = readField(line, pos, u';').value_or(u"");
    for (std::size_t i = 0; i < block.lines.size(); ++i) {
        const std::u16string& text = block.lines[i].text;
        if (contains(text, u"MARK ") && contains(text, label))
            return {0, i + 1};
    }
    return {0, kEndOfBlock};
}

std::size_t afterParenthesis(std::u16string_view line) {
    const std::size_t open = line.find(u'(');
    return open == std::u16string_view::npos ? open : open + 1;
}

void runSetCookie(Analysis& analysis, std::u16string_view line) {
    const std::size_t pos = afterParenthesis(line);
    if (pos == std::u16string_view::npos)
        return;
    auto args = argumentValues(analysis.variables, line, pos, 3);
    if (args && (*args)[0] && (*args)[1] && (*args)[2])
        setCookie(*(*args)[0], *(*args)[1], *(*args)[2]);
}

// Runs another block sharing this analysis, one level deeper.
int runNested(Analysis& analysis, std::size_t blockIndex) {
    if (analysis.depth >= kMaxNestedRuns) {
        std::cerr << "sitescript: analysis stopped: more than " << kMaxNestedRuns
                  << " nested CALLSCRIPT/REQUESTLOGIN runs\n";
        analysis.runaway = true;
        return -1;
    }
    ++analysis.depth;
    const int status = runBlock(analysis, blockIndex);
    --analysis.depth;
    return status;
}

int runRequestLogin(Analysis& analysis, std::u16string_view line) {
    const std::size_t pos = afterParenthesis(line);
    if (pos == std::u16string_view::npos)
        return -1;
    const auto names = readArguments(line, pos, 3);
    if (!names[0] || !names[1] || !names[2])
        return 0;
    const char16_t* user = nullptr;
    const char16_t* password = nullptr;
    if (analysis.login)
        analysis.login(&user, &password, analysis.loginContext);
    analysis.variables.set(*names[0], std::u16string(user ? user : u""));
    analysis.variables.set(*names[1], std::u16string(password ? password : u""));
    const std::optional<std::size_t> loginBlock = findBlock(analysis.model, 0, u"youtubelogin");
    if (!loginBlock)
        return AnalyseLoginFailed;
    const int status = runNested(analysis, *loginBlock);
    return status < 0 ? AnalyseLoginFailed : status;
}

int runCallScript(Analysis& analysis, std::size_t callerBlock, std::u16string_view line) {
    const std::size_t pos = afterParenthesis(line);
    if (pos == std::u16string_view::npos)
        return 0;
    const auto args = readArguments(line, pos, 2);
    if (!args[0] || !args[1])
        return 0;
    analysis.variables.set(u"ORGURL", analysis.variables.get(*args[1]));
    if (auto block = findBlock(analysis.model, callerBlock, *args[0]))
        runNested(analysis, *block);
    return 0;
}

Step execute(Analysis& analysis, std::size_t blockIndex, std::size_t index) {
    const ScriptBlock& block = analysis.model.blocks[blockIndex];
    const std::u16string& line = block.lines[index].text;
    const std::size_t next = index + 1;
    switch (classify(line)) {
        case Statement::Var:
            return {runVar(analysis, line), next};
        case Statement::CopyUrl:
        case Statement::CopyName:
        case Statement::CopyPlayPath:
            return {runCopy(analysis, line), next};
        case Statement::If:
            return runIf(analysis, block, index);
        case Statement::Goto:
            return runGoto(block, index);
        case Statement::SetCookie:
            runSetCookie(analysis, line);
            return {std::nullopt, next};
        case Statement::RequestLogin:
            return {runRequestLogin(analysis, line), next};
        case Statement::CallScript:
            return {runCallScript(analysis, blockIndex, line), next};
        case Statement::Comment:
        case Statement::EndIf:
        case Statement::Mark:
        case Statement::Ignored:
            break;
    }
    return {std::nullopt, next};
}

// ---- closing steps --------------------------------------------------------

// Replaces each occurrence of `pattern`, compared without ASCII case.
std::u16string replaceIgnoringCase(const std::u16string& text, std::u16string_view pattern,
                                   std::u16string_view replacement) {
    const std::u16string lower = asciiLower(text), key = asciiLower(pattern);
    std::u16string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = lower.find(key, pos)) != std::u16string::npos;
         pos = hit + key.size())
        out.append(text, pos, hit - pos).append(replacement);
    return out.append(text, pos);
}

std::vector<std::u16string> splitParts(const std::u16string& list) {
    if (!contains(list, u"<"))
        return {list};
    std::vector<std::u16string> parts;
    for (std::size_t pos = 0; pos != std::u16string::npos;)
        parts.push_back(*readField(list, pos, u'<'));
    return parts;
}

void buildParts(Analysis& analysis) {
    const Value list = analysis.variables.get(u"PLAYLISTIDS");
    if (!list)
        return;
    std::vector<std::u16string> parts = splitParts(*list);
    for (std::size_t i = 1; i < parts.size(); ++i)
        probeStream(parts[i], analysis.variables);
    analysis.variables.set(u"PLAYLISTIDS", parts.front());
    analysis.result.parts = std::move(parts);
}

bool isRtmpScheme(std::u16string_view scheme) {
    const std::u16string lower = asciiLower(scheme);
    return lower == u"rtmp" || lower == u"rtmpe";
}

void runClosingSteps(Analysis& analysis) {
    VariableTable& variables = analysis.variables;
    if (Value name = variables.get(u"VIDNAME"))
        variables.set(u"VIDNAME", cleanFileName(std::move(*name)));
    const Value videoUrl = variables.get(u"VIDURL");
    const bool hadList = variables.get(u"PLAYLISTIDS").has_value();
    buildParts(analysis);
    Value streamUrl = videoUrl;
    if (!streamUrl && hadList)
        streamUrl = analysis.result.parts->front();
    if (!streamUrl)
        return;
    const std::size_t separator = streamUrl->find(u"://");
    if (separator == std::u16string::npos)
        return;
    if (isRtmpScheme(std::u16string_view(*streamUrl).substr(0, separator))) {
        variables.set(u"VIDFORMAT", u"flv");
        analysis.result.kind = StreamKindRtmp;
    } else {
        probeStream(*streamUrl, variables);
        analysis.result.kind = StreamKindHttp;
    }
}

bool countStatement(Analysis& analysis) {
    if (++analysis.statementsRun <= analysis.statementLimit)
        return true;
    std::cerr << "sitescript: analysis stopped after " << analysis.statementLimit
              << " statements\n";
    analysis.runaway = true;
    return false;
}

bool variablesWithinLimit(Analysis& analysis) {
    if (analysis.variables.totalLength() <= analysis.variableCharLimit)
        return true;
    std::cerr << "sitescript: analysis stopped: the variables hold more than "
              << analysis.variableCharLimit << " characters\n";
    analysis.runaway = true;
    return false;
}

}  // namespace

std::u16string cleanFileName(std::u16string name) {
    name = htmlDecode(std::move(name));
    for (char16_t& c : name)
        if ((c >= 1 && c <= 31) || c == 127 ||
            std::u16string_view(u"\"<>|/\\:*?").find(c) != std::u16string_view::npos)
            c = u'_';
    for (const char16_t* extension : {u".bat", u".exe", u".com", u".dll"})
        name = replaceIgnoringCase(name, extension,
                                   u"_" + std::u16string(std::u16string_view(extension).substr(1)));
    for (const char16_t* mark : {u"&#x200E;", u"&#x200F;", u"&#x202A;", u"&#x202B;", u"&#x202C;",
                                 u"&#x202D;", u"&#x202E;", u"&LRM", u"&RLM"})
        name = replaceIgnoringCase(name, mark, u"_");
    return name;
}

int runBlock(Analysis& analysis, std::size_t blockIndex) {
    const ScriptBlock& block = analysis.model.blocks[blockIndex];
    int status = 0;
    for (std::size_t index = 0; index < block.lines.size();) {
        if (!countStatement(analysis))
            return AnalyseFailed;
        const Step step = execute(analysis, blockIndex, index);
        if (analysis.runaway || !variablesWithinLimit(analysis))
            return AnalyseFailed;
        if (step.status)
            status = *step.status;
        traceStatement(block.lines[index].text, status);
        if (status < 0)
            return status;
        index = step.next;
    }
    runClosingSteps(analysis);
    return status;
}

}  // namespace sitescript
