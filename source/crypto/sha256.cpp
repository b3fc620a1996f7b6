#include "crypto/sha256.h"

#include <algorithm>
#include <cstring>

namespace kelvane::crypto {

namespace {

// FIPS 180-4, 4.2.2: the first 32 bits of the fractional parts of the cube roots of the first
// 64 primes.
constexpr std::uint32_t roundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// FIPS 180-4, 5.3.3: the first 32 bits of the fractional parts of the square roots of the first
// eight primes.
constexpr std::uint32_t initialHash[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                          0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::uint32_t rotr(std::uint32_t x, unsigned n) noexcept {
    return (x >> n) | (x << (32u - n));
}

// The functions of FIPS 180-4, 4.1.2.
constexpr std::uint32_t ch(std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
    return (x & y) ^ (~x & z);
}
constexpr std::uint32_t maj(std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
    return (x & y) ^ (x & z) ^ (y & z);
}
constexpr std::uint32_t bigSigma0(std::uint32_t x) noexcept {
    return rotr(x, 2) ^ rotr(x, 13) ^ rotr(x, 22);
}
constexpr std::uint32_t bigSigma1(std::uint32_t x) noexcept {
    return rotr(x, 6) ^ rotr(x, 11) ^ rotr(x, 25);
}
constexpr std::uint32_t smallSigma0(std::uint32_t x) noexcept {
    return rotr(x, 7) ^ rotr(x, 18) ^ (x >> 3);
}
constexpr std::uint32_t smallSigma1(std::uint32_t x) noexcept {
    return rotr(x, 17) ^ rotr(x, 19) ^ (x >> 10);
}

std::uint32_t loadBigEndian(const std::uint8_t* p) noexcept {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

void Sha256::reset() noexcept {
    std::memcpy(h.data(), initialHash, sizeof initialHash);
    pending.fill(0);
    pendingSize = 0;
    totalSize = 0;
}

void Sha256::compress(const std::uint8_t* block) noexcept {
    // FIPS 180-4, 6.2.2.
    std::uint32_t w[64];
    for (unsigned t = 0; t < 16; ++t)
        w[t] = loadBigEndian(block + 4 * t);
    for (unsigned t = 16; t < 64; ++t)
        w[t] = smallSigma1(w[t - 2]) + w[t - 7] + smallSigma0(w[t - 15]) + w[t - 16];

    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    std::uint32_t e = h[4], f = h[5], g = h[6], k = h[7];
    for (unsigned t = 0; t < 64; ++t) {
        const std::uint32_t t1 = k + bigSigma1(e) + ch(e, f, g) + roundConstants[t] + w[t];
        const std::uint32_t t2 = bigSigma0(a) + maj(a, b, c);
        k = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += k;
}

void Sha256::update(const void* data, std::size_t size) noexcept {
    if (size == 0)
        return;
    auto* bytes = static_cast<const std::uint8_t*>(data);
    totalSize += size;

    if (pendingSize > 0) {
        const std::size_t take = std::min(blockSize - pendingSize, size);
        std::memcpy(pending.data() + pendingSize, bytes, take);
        pendingSize += take;
        bytes += take;
        size -= take;
        if (pendingSize < blockSize)
            return;
        compress(pending.data());
        pendingSize = 0;
    }
    for (; size >= blockSize; bytes += blockSize, size -= blockSize)
        compress(bytes);
    if (size > 0) {
        std::memcpy(pending.data(), bytes, size);
        pendingSize = size;
    }
}

Sha256::Digest Sha256::finish() noexcept {
    // FIPS 180-4, 5.1.1: a one bit, zeros up to 56 bytes modulo 64, then the length in bits as a
    // 64-bit big-endian number.
    const std::uint64_t bitLength = totalSize * 8u;
    pending[pendingSize++] = 0x80;
    if (pendingSize > blockSize - 8) {
        std::memset(pending.data() + pendingSize, 0, blockSize - pendingSize);
        compress(pending.data());
        pendingSize = 0;
    }
    std::memset(pending.data() + pendingSize, 0, blockSize - 8 - pendingSize);
    for (unsigned i = 0; i < 8; ++i)
        pending[blockSize - 1 - i] = static_cast<std::uint8_t>(bitLength >> (8 * i));
    compress(pending.data());

    Digest digest{};
    for (unsigned i = 0; i < 8; ++i) {
        digest[4 * i] = static_cast<std::uint8_t>(h[i] >> 24);
        digest[4 * i + 1] = static_cast<std::uint8_t>(h[i] >> 16);
        digest[4 * i + 2] = static_cast<std::uint8_t>(h[i] >> 8);
        digest[4 * i + 3] = static_cast<std::uint8_t>(h[i]);
    }
    reset();
    return digest;
}

Sha256::Digest Sha256::hash(std::string_view text) noexcept {
    Sha256 sha;
    sha.update(text);
    return sha.finish();
}

} // namespace kelvane::crypto
