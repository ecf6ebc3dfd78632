#include "segfetch/part_stamps.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kStampAttribute = "user.segfetch.segment";
constexpr const char* kControlHeader = "segfetch part stamps 1";
std::atomic<bool> attributesUsable{true};

bool readNumber(std::string_view& text, std::int64_t& value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

std::string_view nextLine(std::string_view& text) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return line;
}

std::string withoutControlCharacters(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::optional<std::string> attributeOf(const std::string& path) {
    if (!attributesUsable)
        return std::nullopt;
    const ssize_t size = ::getxattr(path.c_str(), kStampAttribute, nullptr, 0);
    if (size < 0)
        return std::nullopt;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t read = ::getxattr(path.c_str(), kStampAttribute, value.data(), value.size());
    if (read < 0)
        return std::nullopt;
    value.resize(static_cast<std::size_t>(read));
    return value;
}

// Creates the part if missing and stamps it; false with errno set when the
// attribute cannot be written.
bool stampAttribute(const std::string& path, const std::string& value) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = attributesUsable;
    if (!ok)
        errno = ENOTSUP;
    else
        ok = ::fsetxattr(fd, kStampAttribute, value.data(), value.size(), 0) == 0;
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return ok;
}

}  // namespace

std::string PartStamp::encode() const {
    return std::to_string(fileLength) + " " + std::to_string(start) + " " + std::to_string(end) +
           "\n" + validators.etag + "\n" + validators.lastModified;
}

std::optional<PartStamp> PartStamp::decode(std::string_view text) {
    PartStamp stamp;
    std::string_view plan = nextLine(text);
    if (!readNumber(plan, stamp.fileLength) || !readNumber(plan, stamp.start) ||
        !readNumber(plan, stamp.end) || !plan.empty())
        return std::nullopt;
    stamp.validators.etag = std::string(nextLine(text));
    stamp.validators.lastModified = std::string(nextLine(text));
    return stamp;
}

platform::http::Validators storableValidators(platform::http::Validators validators) {
    validators.etag = withoutControlCharacters(std::move(validators.etag));
    validators.lastModified = withoutControlCharacters(std::move(validators.lastModified));
    return validators;
}

// Control file: a header line, then one line per part:
// "INDEX<TAB>LENGTH START END<TAB>ETAG<TAB>LAST-MODIFIED".
PartStamps::PartStamps(std::string target) : target_(std::move(target)) {
    std::ifstream file(controlPathFor(target_));
    std::string line;
    if (!std::getline(file, line) || line != kControlHeader)
        return;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string index, plan, etag, modified;
        if (!std::getline(fields, index, '\t') || !std::getline(fields, plan, '\t'))
            continue;
        std::getline(fields, etag, '\t');
        std::getline(fields, modified);
        auto stamp = PartStamp::decode(plan + "\n" + etag + "\n" + modified);
        int number = -1;
        std::from_chars(index.data(), index.data() + index.size(), number);
        if (stamp && number >= 0)
            controlEntries_[number] = *stamp;
    }
}

std::optional<PartStamp> PartStamps::load(int index, const std::string& partPath) const {
    if (auto value = attributeOf(partPath))
        return PartStamp::decode(*value);
    const auto entry = controlEntries_.find(index);
    if (entry == controlEntries_.end())
        return std::nullopt;
    return entry->second;
}

bool PartStamps::saveAll(const std::vector<std::string>& partPaths,
                         const std::vector<PartStamp>& stamps, std::string* reason) {
    bool inAttributes = true;
    for (std::size_t i = 0; i < partPaths.size() && inAttributes; ++i)
        inAttributes = stampAttribute(partPaths[i], stamps[i].encode());
    if (inAttributes) {
        removeControlFile();  // stale lines must not speak for the new parts
        return true;
    }
    std::string text = std::string(kControlHeader) + "\n";
    controlEntries_.clear();
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        const PartStamp& stamp = stamps[i];
        text += std::to_string(i) + "\t" + std::to_string(stamp.fileLength) + " " +
                std::to_string(stamp.start) + " " + std::to_string(stamp.end) + "\t" +
                stamp.validators.etag + "\t" + stamp.validators.lastModified + "\n";
        controlEntries_[static_cast<int>(i)] = stamp;
    }
    std::string error;
    if (platform::writeFileAtomically(controlPathFor(target_), text, &error))
        return true;
    controlEntries_.clear();
    if (reason)
        *reason = error;
    return false;
}

void PartStamps::removeControlFile() const {
    ::unlink(controlPathFor(target_).c_str());
}

std::string PartStamps::controlPathFor(const std::string& target) {
    return target + ".stamps";
}

void PartStamps::setAttributesUsableForTesting(bool usable) {
    attributesUsable = usable;
}
