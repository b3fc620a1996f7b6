#include "crypto/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using kelvane::crypto::Sha256;

std::string hex(const Sha256::Digest& digest) {
    std::string text;
    char byte[3];
    for (std::uint8_t b : digest) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        text += byte;
    }
    return text;
}

// FIPS 180-4 example messages (NIST CSRC examples) and their digests; the 56- and 112-byte
// messages need a second padding block.
TEST(Sha256, NistExampleVectors) {
    EXPECT_EQ(hex(Sha256::hash("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex(Sha256::hash("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex(Sha256::hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hex(Sha256::hash("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                               "hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu")),
              "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
    EXPECT_EQ(hex(Sha256::hash(std::string(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Every way of cutting a message into two or three pieces gives the one-shot digest.
TEST(Sha256, IncrementalUpdatesAcrossBlockBoundaries) {
    std::string message;
    for (int i = 0; i < 3 * 256; ++i)
        message += static_cast<char>(i & 0xFF);
    const std::string expected = "f3a25aa93aa2fbba28d79260535bbd6a5eb0fc1c24a8b0f04e12b484c1dfe363";
    ASSERT_EQ(hex(Sha256::hash(message)), expected);

    const std::string_view all(message);
    for (std::size_t first = 0; first <= 200; ++first) {
        for (std::size_t second : {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64},
                                   std::size_t{65}, std::size_t{129}}) {
            Sha256 sha;
            sha.update(all.substr(0, first));
            sha.update(all.substr(first, second));
            sha.update(all.substr(first + second));
            ASSERT_EQ(hex(sha.finish()), expected) << first << " + " << second;
        }
    }

    Sha256 bytewise;
    for (char c : message)
        bytewise.update(&c, 1);
    EXPECT_EQ(hex(bytewise.finish()), expected);
}

TEST(Sha256, FinishStartsANewMessage) {
    Sha256 sha;
    sha.update("some earlier message");
    sha.finish();
    sha.update("abc");
    EXPECT_EQ(hex(sha.finish()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex(sha.finish()), hex(Sha256::hash("")));
}

} // namespace
