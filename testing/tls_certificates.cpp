#include "testing/tls_certificates.h"

#include "platform/process.h"
#include "testing/temp_dir.h"

#include <stdexcept>
#include <vector>

namespace testing_support {
namespace {

void openssl(std::vector<std::string> args) {
    args.insert(args.begin(), "openssl");
    const auto result = platform::runProcess(args, true);
    if (!result.ok())
        throw std::runtime_error("openssl failed: " + result.output);
}

// A key and a certificate request (or, with -x509, a self-signed
// certificate) for `subject`; EC keys, which are quick to make.
std::vector<std::string> newKey(const std::string& subject, const std::string& key) {
    return {"req",     "-newkey", "ec",    "-pkeyopt", "ec_paramgen_curve:prime256v1",
            "-nodes",  "-subj",   subject, "-days",    "2",
            "-keyout", key};
}

}  // namespace

TestCertificates makeTestCertificates(const std::filesystem::path& dir) {
    const auto at = [&](const char* name) { return (dir / name).string(); };
    TestCertificates files{at("authority.pem"), at("server.pem"), at("server.key"),
                           at("self-signed.pem"), at("self-signed.key")};
    const std::string authorityKey = at("authority.key");
    auto authority = newKey("/CN=clipwright test authority", authorityKey);
    authority.insert(authority.end(), {"-x509", "-out", files.authority, "-addext",
                                       "basicConstraints=critical,CA:TRUE", "-addext",
                                       "keyUsage=critical,keyCertSign,cRLSign"});
    openssl(authority);

    const std::string request = at("server.csr");
    auto server = newKey("/CN=127.0.0.1", files.signedKey);
    server.insert(server.end(), {"-out", request});
    openssl(server);
    const std::string extensions = at("server.ext");
    writeFile(extensions,
              "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
              "extendedKeyUsage=serverAuth\n");
    openssl({"x509", "-req", "-in", request, "-CA", files.authority, "-CAkey", authorityKey,
             "-CAcreateserial", "-days", "2", "-extfile", extensions, "-out", files.signedCert});

    auto selfSigned = newKey("/CN=127.0.0.1", files.selfSignedKey);
    selfSigned.insert(selfSigned.end(), {"-x509", "-out", files.selfSignedCert, "-addext",
                                         "subjectAltName=IP:127.0.0.1"});
    openssl(selfSigned);
    return files;
}

}  // namespace testing_support
