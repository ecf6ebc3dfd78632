// The string and value functions of VAR statements. Each takes the values
// of its arguments (unset where a variable is unset) and returns the new
// value of the assigned name; unset is the usual outcome of bad input.
#pragma once

#include "sitescript/variables.h"

#include <cstdint>
#include <string_view>

namespace sitescript {

enum class SubstrMode { Positions, FirstOccurrence, LastOccurrence };

// SUBSTR. Positions mode with an end before the start fails: nullopt.
std::optional<Value> substr(SubstrMode mode, const Value& text, const Value& start,
                            const Value& end);
Value replaceAll(const Value& text, const Value& from, const Value& to);
Value addStrings(const Value& a, const Value& b);
// URLDCD: %XX escapes of the UTF-8 bytes; a stray '%' gives unset.
Value urlDecode(const Value& text);
// HEX: the argument text as written in the line.
Value hexLiteral(std::u16string_view argument);
Value jsUnicodeDecode(const Value& text);
// GETTITLE: the text between <title> and </title> of the page.
Value pageTitle(const Value& html);
Value findString(const Value& haystack, const Value& needle);
Value tokenFromArray(const Value& text, const Value& delimiters, const Value& n);
// HTMLDECODE: the named entities of the entity table, in table order.
std::u16string htmlDecode(std::u16string text);
Value htmlDecode(const Value& text);
Value preferredQuality(const Value& list);
Value fileIdFromSeed(const Value& fileId, const Value& seed);
Value sessionId();
Value partNumber(const Value& text);
Value formatFileId(const Value& fileId, const Value& number);
Value increment(const Value& text);
Value lengthOf(const Value& text);
Value reversed(const Value& text);
Value digitDirectories(const Value& number);
Value idDirectories(const Value& number);

// Replaces every occurrence of `from` (left to right, never rescanning a
// replacement). An empty `from` changes nothing.
std::u16string replaceText(std::u16string_view text, std::u16string_view from,
                           std::u16string_view to);

// The length replaceText would produce, without building the text.
std::size_t replacedLength(std::u16string_view text, std::u16string_view from,
                           std::size_t toLength);

// Lower-case ASCII letters; other characters stay.
std::u16string asciiLower(std::u16string_view text);

}  // namespace sitescript
