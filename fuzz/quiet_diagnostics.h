// The engines report runaway scripts and similar events on standard error.
// A fuzzer meets them thousands of times a second: the text would drown the
// fuzzer's own output and slow it down. Sanitizer reports are written
// straight to the file descriptor and stay visible.
#pragma once

#include <iostream>
#include <streambuf>

namespace fuzzing {

class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
};

inline void silenceStandardErrorStream() {
    static NullBuffer discard;
    std::cerr.rdbuf(&discard);
}

}  // namespace fuzzing
