#include "cli/command.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <streambuf>

namespace cli {
namespace {

std::vector<Command>& registry() {
    static std::vector<Command> all;
    return all;
}

// A stream buffer that writes to a file descriptor.
class FdStreamBuf : public std::streambuf {
public:
    explicit FdStreamBuf(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~FdStreamBuf() override { sync(); }

protected:
    int overflow(int c) override {
        if (sync() != 0)
            return traits_type::eof();
        if (c != traits_type::eof()) {
            *pptr() = static_cast<char>(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        const char* data = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        while (left > 0) {
            const ssize_t n = ::write(fd_, data, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return -1;
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return 0;
    }

private:
    int fd_;
    char buffer_[4096];
};

}  // namespace

void keepLibraryOutputOffStdout() {
    std::fflush(stdout);
    const int results = ::dup(STDOUT_FILENO);
    if (results < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return;
    // Never destroyed: std::cout flushes it once more after static objects
    // have gone.
    static FdStreamBuf* const resultBuffer = new FdStreamBuf(results);
    std::cout.rdbuf(resultBuffer);
}

Registrar::Registrar(const Command& command) {
    registry().push_back(command);
}

const std::vector<Command>& commands() {
    std::vector<Command>& all = registry();
    std::sort(all.begin(), all.end(),
              [](const Command& a, const Command& b) { return std::string(a.name) < b.name; });
    return all;
}

int usageError(const Command& command) {
    std::cerr << "usage: clipwright-cli " << command.name << " " << command.usage << "\n";
    return kUsageError;
}

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<std::string>& flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!word.starts_with("--") || word.size() == 2) {
            positional_.push_back(word);
            continue;
        }
        const std::string name = word.substr(2);
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            flags_.push_back(name);
        } else if (i + 1 < args.size()) {
            options_.emplace_back(name, args[++i]);
        } else {
            ok_ = false;
        }
    }
}

std::optional<std::string> Arguments::option(const std::string& name) const {
    for (const auto& [key, value] : options_)
        if (key == name)
            return value;
    return std::nullopt;
}

std::optional<int> Arguments::number(const std::string& name, int absent, int min, int max) const {
    const std::optional<std::string> text = option(name);
    if (!text)
        return absent;
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || value < min || value > max)
        return std::nullopt;
    return value;
}

bool Arguments::flag(const std::string& name) const {
    return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

std::vector<std::string> Arguments::unknown(const std::vector<std::string>& known) const {
    std::vector<std::string> result;
    auto isKnown = [&](const std::string& n) {
        return std::find(known.begin(), known.end(), n) != known.end();
    };
    for (const auto& [key, value] : options_)
        if (!isKnown(key))
            result.push_back(key);
    for (const std::string& f : flags_)
        if (!isKnown(f))
            result.push_back(f);
    return result;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace cli
