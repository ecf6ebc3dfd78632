// AES-128-CBC decryption of segments as they arrive (RFC 8216, 5.2), on
// OpenSSL's libcrypto.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hls::detail {

using Block = std::array<std::uint8_t, 16>;

// The IV of a segment without an explicit one: its media sequence number
// as a 128-bit big-endian integer.
Block sequenceIv(std::int64_t sequence);

class Aes128Decryptor {
public:
    Aes128Decryptor();
    ~Aes128Decryptor();
    Aes128Decryptor(const Aes128Decryptor&) = delete;
    Aes128Decryptor& operator=(const Aes128Decryptor&) = delete;

    // Starts a new message; false when the cipher cannot be set up.
    bool begin(const Block& key, const Block& iv);
    // Decrypts the next bytes of the message. The plain text that is ready
    // (up to size + 16 bytes) is left in output(). False on a cipher error.
    bool update(const char* data, std::size_t size);
    // Ends the message and checks the PKCS#7 padding; the last plain bytes
    // are left in output(). False when the padding is wrong (a wrong key or
    // a cut message).
    bool finish();
    const std::vector<char>& output() const { return output_; }

private:
    void* context_ = nullptr;  // EVP_CIPHER_CTX
    std::vector<char> output_;
};

}  // namespace hls::detail
