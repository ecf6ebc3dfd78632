#include "platform/url.h"

#include <gtest/gtest.h>

namespace {

TEST(ResolveUrl, FollowsTheReferenceResolutionRules) {
    // RFC 3986, 5.4, and what playlists and pages write in practice.
    const char* base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> cases[] = {
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g/x", "http://g/x"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {"../g", "http://a/b/g"},
        {"../../../g", "http://a/g"},
        {"https://other.example:8443/x?t=1", "https://other.example:8443/x?t=1"},
        {"  seg 1.ts\r", "http://a/b/c/seg%201.ts"},
    };
    for (const auto& [reference, expected] : cases)
        EXPECT_EQ(platform::resolveUrl(base, reference), expected) << reference;
}

TEST(ResolveUrl, EmptyWithoutAnAbsoluteResult) {
    EXPECT_EQ(platform::resolveUrl("not a url", "g"), "");
    EXPECT_EQ(platform::resolveUrl("", "g"), "");
    EXPECT_EQ(platform::resolveUrl("", "http://a/x"), "http://a/x");
}

}  // namespace
