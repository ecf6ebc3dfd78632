// Certificates for https tests, made with the openssl program: a test
// authority and a server certificate for 127.0.0.1 that it signed, and a
// self-signed one that nobody trusts.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

struct TestCertificates {
    std::string authority;   // the test authority's certificate (a CA file to trust)
    std::string signedCert;  // 127.0.0.1, issued by the test authority
    std::string signedKey;
    std::string selfSignedCert;  // 127.0.0.1, issued by itself
    std::string selfSignedKey;
};

// Writes the files into `dir`; throws std::runtime_error when openssl fails.
TestCertificates makeTestCertificates(const std::filesystem::path& dir);

}  // namespace testing_support
