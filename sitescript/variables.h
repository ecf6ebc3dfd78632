// The variables of one analysis and the text helpers every statement uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sitescript {

// A script value: text, or unset.
using Value = std::optional<std::u16string>;

// The ordered name/value list of one analysis. Names compare exactly. A
// name can exist with an unset value; IF tells existence apart from value.
class VariableTable {
public:
    // The predefined variables, ORGURL holding the analysed page URL.
    explicit VariableTable(std::u16string_view pageUrl);

    bool exists(std::u16string_view name) const;
    // The value of the first entry with the name; unset when there is none.
    Value get(std::u16string_view name) const;
    // Gives the entry the value, or appends a new entry.
    void set(std::u16string_view name, Value value);
    // The characters of every value together.
    std::size_t totalLength() const { return totalLength_; }

private:
    struct Entry {
        std::u16string name;
        Value value;
    };
    const Entry* find(std::u16string_view name) const;
    std::vector<Entry> entries_;
    std::size_t totalLength_ = 0;
};

// Reads a decimal integer from the start of the text as wcstol does (blanks,
// sign, digits); no digits gives 0, overflow saturates.
std::int64_t readNumber(std::u16string_view text);
std::int64_t numberOf(const Value& value);  // unset reads as 0

std::u16string toU16(std::string_view ascii);
std::u16string decimal(std::int64_t number);

// Field reading, the one rule every statement cuts its pieces with: from
// `pos`, skip characters of code 32 or less, take the text up to the next
// `delimiter`, drop trailing characters of code 32 or less and move `pos`
// just past the delimiter. Without the delimiter the piece is the rest of
// the line (leading blanks skipped) and `pos` becomes npos: nothing follows.
// Returns nullopt when `pos` is already npos.
std::optional<std::u16string> readField(std::u16string_view line, std::size_t& pos,
                                        char16_t delimiter);

// The arguments of a call NAME(a, b, c) after its "(": `count` fields, the
// last one ending at ")", the others at ",". A missing argument is nullopt.
std::vector<std::optional<std::u16string>> readArguments(std::u16string_view line, std::size_t pos,
                                                         std::size_t count);

bool contains(std::u16string_view text, std::u16string_view part);

}  // namespace sitescript
