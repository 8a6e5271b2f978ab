#include "cache/NameHash.h"
#include "cache/Sha1.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string hex(const std::array<uint8_t, 20>& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : digest) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

std::string sha1Hex(const std::string& message, std::size_t chunk = 0)
{
    trv::Sha1 sha;
    if (chunk == 0) {
        sha.update(message.data(), message.size());
    } else {
        for (std::size_t i = 0; i < message.size(); i += chunk)
            sha.update(message.data() + i, std::min(chunk, message.size() - i));
    }
    return hex(sha.finish());
}

}  // namespace

TEST(NameHash, Sha1KnownDigestsWholeAndPiecewise)
{
    EXPECT_EQ(sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(sha1Hex(twoBlocks), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(sha1Hex(twoBlocks, 7), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    const std::string million(1000000, 'a');
    EXPECT_EQ(sha1Hex(million, 4097), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(NameHash, HmacSha1Rfc2202Vectors)
{
    EXPECT_EQ(hex(trv::hmacSha1(std::string(20, '\x0b'), "Hi There")), "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(hex(trv::hmacSha1("Jefe", "what do ya want for nothing?")),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(hex(trv::hmacSha1(std::string(20, '\xaa'), std::string(50, '\xdd'))),
              "125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    std::string key25;
    for (int i = 1; i <= 25; ++i)
        key25 += static_cast<char>(i);
    EXPECT_EQ(hex(trv::hmacSha1(key25, std::string(50, '\xcd'))), "4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    EXPECT_EQ(hex(trv::hmacSha1(std::string(20, '\x0c'), "Test With Truncation")),
              "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    EXPECT_EQ(hex(trv::hmacSha1(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(hex(trv::hmacSha1(std::string(80, '\xaa'),
                                "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")),
              "e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
}

TEST(NameHash, EmptyKeyDigestsAsLowerCaseHex)
{
    EXPECT_EQ(trv::nameHash(std::string("abc")), "9b4a918f398d74d3e367970aba3cbe54e4d2b5d9");
    EXPECT_EQ(trv::nameHash(std::filesystem::path("abc")), std::filesystem::path("9b4a918f398d74d3e367970aba3cbe54e4d2b5d9"));
    // The precomputed-pad path agrees with the plain construction at every block boundary.
    for (std::size_t length = 0; length < 200; ++length) {
        std::string name(length, '\0');
        for (std::size_t i = 0; i < length; ++i)
            name[i] = static_cast<char>(i * 37 + 11);
        const std::string hashed = trv::nameHash(name);
        ASSERT_EQ(hashed, hex(trv::hmacSha1("", name))) << "length " << length;
        ASSERT_EQ(hashed.find_first_not_of("0123456789abcdef"), std::string::npos);
    }
}
