#include "hls/aes.h"

#include <openssl/evp.h>

#include <climits>

namespace hls::detail {
namespace {

EVP_CIPHER_CTX* context(void* handle) {
    return static_cast<EVP_CIPHER_CTX*>(handle);
}

unsigned char* bytes(std::vector<char>& buffer) {
    return reinterpret_cast<unsigned char*>(buffer.data());
}

}  // namespace

Block sequenceIv(std::int64_t sequence) {
    Block iv{};
    auto value = static_cast<std::uint64_t>(sequence);
    for (int i = 15; i >= 8; --i, value >>= 8)
        iv[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xff);
    return iv;
}

Aes128Decryptor::Aes128Decryptor() : context_(EVP_CIPHER_CTX_new()) {}

Aes128Decryptor::~Aes128Decryptor() {
    EVP_CIPHER_CTX_free(context(context_));
}

bool Aes128Decryptor::begin(const Block& key, const Block& iv) {
    output_.clear();
    return context_ && EVP_DecryptInit_ex(context(context_), EVP_aes_128_cbc(), nullptr, key.data(),
                                          iv.data()) == 1;
}

bool Aes128Decryptor::update(const char* data, std::size_t size) {
    output_.clear();
    while (size > 0) {
        // EVP takes int lengths: feed large blocks in pieces.
        const int piece = size > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(size);
        const std::size_t before = output_.size();
        output_.resize(before + static_cast<std::size_t>(piece) + 16);
        int written = 0;
        if (EVP_DecryptUpdate(context(context_), bytes(output_) + before, &written,
                              reinterpret_cast<const unsigned char*>(data), piece) != 1)
            return false;
        output_.resize(before + static_cast<std::size_t>(written));
        data += piece;
        size -= static_cast<std::size_t>(piece);
    }
    return true;
}

bool Aes128Decryptor::finish() {
    output_.assign(16, 0);
    int written = 0;
    const bool ok = EVP_DecryptFinal_ex(context(context_), bytes(output_), &written) == 1;
    output_.resize(ok ? static_cast<std::size_t>(written) : 0);
    return ok;
}

}  // namespace hls::detail
