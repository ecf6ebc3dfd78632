#include "platform/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

namespace platform {
namespace {

class DroppingBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

}  // namespace

bool diagnosticsEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("CLIPWRIGHT_DEBUG");
        return value && *value;
    }();
    return enabled;
}

void diag(const char* format, ...) {
    if (!diagnosticsEnabled())
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

std::ostream& diagnostics() {
    if (diagnosticsEnabled())
        return std::cerr;
    thread_local DroppingBuffer buffer;
    thread_local std::ostream dropped(&buffer);
    return dropped;
}

}  // namespace platform
