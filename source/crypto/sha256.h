#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvane::crypto {

// SHA-256 as defined in FIPS 180-4. Feed the message in pieces of any size with update(), then
// take the digest once with finish(); the object is then reset and may hash a new message.
class Sha256 {
public:
    static constexpr std::size_t digestSize = 32;
    using Digest = std::array<std::uint8_t, digestSize>;

    Sha256() noexcept { reset(); }

    void reset() noexcept;
    void update(const void* data, std::size_t size) noexcept;
    void update(std::string_view text) noexcept { update(text.data(), text.size()); }
    Digest finish() noexcept;

    static Digest hash(std::string_view text) noexcept;

private:
    static constexpr std::size_t blockSize = 64;

    void compress(const std::uint8_t* block) noexcept;

    std::array<std::uint32_t, 8> h{};
    std::array<std::uint8_t, blockSize> pending{};
    std::size_t pendingSize = 0;
    // Message length in bytes; FIPS 180-4 limits messages to below 2^64 bits.
    std::uint64_t totalSize = 0;
};

} // namespace kelvane::crypto
