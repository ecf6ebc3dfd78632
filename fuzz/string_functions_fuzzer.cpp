// The VAR string and value functions on arbitrary values, with the
// invariants that hold whatever the input.
//
// Input: one selector byte, then up to four arguments separated by 0x01,
// each UTF-8 text; an argument that is the single byte 0x02 is unset.
#include "platform/text.h"
#include "sitescript/functions.h"
#include "sitescript/interpreter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using sitescript::Value;

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

std::vector<Value> argumentsOf(std::string_view text) {
    std::vector<Value> arguments;
    for (std::size_t start = 0; arguments.size() < 4;) {
        const std::size_t end = text.find('\x01', start);
        const std::string_view piece = text.substr(start, end - start);
        arguments.push_back(piece == "\x02" ? Value{} : Value{platform::utf8ToUtf16(piece)});
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    arguments.resize(4);
    return arguments;
}

// Functions whose result can only be as long as a fixed multiple of the
// input stay within it.
void checkBounded(const Value& result, std::size_t limit) {
    check(!result || result->size() <= limit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    using namespace sitescript;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<Value> args = argumentsOf(input);
    const Value &a = args[0], &b = args[1], &c = args[2], &d = args[3];
    const std::size_t total = (a ? a->size() : 0) + (b ? b->size() : 0) + (c ? c->size() : 0);
    switch (data[0] % 24) {
        case 0:
            for (SubstrMode mode :
                 {SubstrMode::Positions, SubstrMode::FirstOccurrence, SubstrMode::LastOccurrence})
                if (auto result = substr(mode, a, b, c))
                    checkBounded(*result, a ? a->size() : 0);
            break;
        case 1: {
            const Value replaced = replaceAll(a, b, c);
            if (a && b)
                check(replaced->size() == replacedLength(*a, *b, c ? c->size() : 0));
            break;
        }
        case 2:
            checkBounded(addStrings(a, b), total);
            break;
        case 3:
            checkBounded(urlDecode(a), total);
            break;
        case 4:
            if (a)
                hexLiteral(*a);
            break;
        case 5:
            checkBounded(jsUnicodeDecode(a), total);
            break;
        case 6:
            checkBounded(pageTitle(a), total);
            break;
        case 7:
            findString(a, b);
            break;
        case 8:
            checkBounded(tokenFromArray(a, b, c), total);
            break;
        case 9:
            checkBounded(htmlDecode(a), total);
            break;
        case 10:
            checkBounded(preferredQuality(a), total);
            break;
        case 11:
            fileIdFromSeed(a, b);
            break;
        case 12:
            partNumber(a);
            break;
        case 13:
            formatFileId(a, b);
            break;
        case 14:
            increment(a);
            break;
        case 15:
            lengthOf(a);
            break;
        case 16: {
            // Reversing twice gives the text back wherever it is valid UTF-16.
            const Value backwards = reversed(a);
            if (a && platform::utf8ToUtf16(platform::utf16ToUtf8(*a)) == *a)
                check(reversed(backwards) == a);
            break;
        }
        case 17:
            digitDirectories(a);
            break;
        case 18:
            idDirectories(a);
            break;
        case 19:
            if (a)
                checkBounded(cleanFileName(*a), a->size() * 2);
            break;
        case 20:
            if (a) {
                std::size_t pos = 0;
                while (pos != std::u16string::npos && readField(*a, pos, u','))
                    check(pos == std::u16string::npos || pos <= a->size());
                readArguments(*a, 0, 4);
            }
            break;
        case 21:
            if (a)
                readNumber(*a);
            break;
        case 22:
            if (a && b)
                check(asciiLower(*a).size() == a->size());
            break;
        case 23:
            if (d)
                platform::utf16ToUtf8(*d);
            break;
    }
    return 0;
}
