#include "sitescript/variables.h"

#include <limits>

namespace sitescript {

VariableTable::VariableTable(std::u16string_view pageUrl) {
    for (const char16_t* name :
         {u"VIDURL", u"VIDNAME", u"EMPTY", u"ERRMSG", u"ERRMSGID", u"USERAGENT", u"PLAYLISTIDS"})
        entries_.push_back({name, std::nullopt});
    set(u"ORGURL", std::u16string(pageUrl));
    set(u"QUALITY", u"6");
    set(u"USEPLAYLIST", u"0");
}

const VariableTable::Entry* VariableTable::find(std::u16string_view name) const {
    for (const Entry& entry : entries_)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

bool VariableTable::exists(std::u16string_view name) const {
    return find(name) != nullptr;
}

Value VariableTable::get(std::u16string_view name) const {
    const Entry* entry = find(name);
    return entry ? entry->value : std::nullopt;
}

namespace {

std::size_t charCount(const Value& value) {
    return value ? value->size() : 0;
}

}  // namespace

void VariableTable::set(std::u16string_view name, Value value) {
    totalLength_ += charCount(value);
    for (Entry& entry : entries_) {
        if (entry.name == name) {
            totalLength_ -= charCount(entry.value);
            entry.value = std::move(value);
            return;
        }
    }
    entries_.push_back({std::u16string(name), std::move(value)});
}

std::int64_t readNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i] - u'0';
        if (value > (kMax - digit) / 10)
            return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::int64_t numberOf(const Value& value) {
    return value ? readNumber(*value) : 0;
}

std::u16string toU16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string decimal(std::int64_t number) {
    return toU16(std::to_string(number));
}

std::optional<std::u16string> readField(std::u16string_view line, std::size_t& pos,
                                        char16_t delimiter) {
    if (pos == std::u16string_view::npos || pos > line.size())
        return std::nullopt;
    while (pos < line.size() && line[pos] <= u' ')
        ++pos;
    const std::size_t end = line.find(delimiter, pos);
    if (end == std::u16string_view::npos) {
        std::u16string rest(line.substr(pos));
        pos = std::u16string_view::npos;
        return rest;
    }
    std::size_t last = end;
    while (last > pos && line[last - 1] <= u' ')
        --last;
    std::u16string piece(line.substr(pos, last - pos));
    pos = end + 1;
    return piece;
}

std::vector<std::optional<std::u16string>> readArguments(std::u16string_view line, std::size_t pos,
                                                         std::size_t count) {
    std::vector<std::optional<std::u16string>> arguments;
    for (std::size_t i = 0; i < count; ++i)
        arguments.push_back(readField(line, pos, i + 1 == count ? u')' : u','));
    return arguments;
}

bool contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

}  // namespace sitescript
