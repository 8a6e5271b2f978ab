#include "cache/NameHash.h"

#include "core/Text.h"
#include "cache/Sha1.h"

#include <cstring>

namespace trv {
namespace {

// HMAC-SHA1 with an empty key: the key block is all zero, so the inner and outer pads are the
// constant bytes 0x36 and 0x5c. Their compressed states are computed once; every hash then
// costs the message's blocks plus one outer block.
struct PadStates {
    Sha1::State inner = Sha1::initialState;
    Sha1::State outer = Sha1::initialState;

    PadStates()
    {
        uint8_t block[Sha1::blockSize];
        std::memset(block, 0x36, sizeof block);
        Sha1::compress(inner, block);
        std::memset(block, 0x5c, sizeof block);
        Sha1::compress(outer, block);
    }
};

const PadStates& padStates()
{
    static const PadStates states;
    return states;
}

}  // namespace

std::string nameHash(const std::string& name)
{
    const PadStates& pads = padStates();
    Sha1 inner(pads.inner, Sha1::blockSize);
    inner.update(name.data(), name.size());
    const Sha1::Digest innerDigest = inner.finish();

    Sha1 outer(pads.outer, Sha1::blockSize);
    outer.update(innerDigest.data(), innerDigest.size());
    const Sha1::Digest digest = outer.finish();

    static const char digits[] = "0123456789abcdef";
    std::string hex(2 * digest.size(), '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        hex[2 * i] = digits[digest[i] >> 4];
        hex[2 * i + 1] = digits[digest[i] & 0x0f];
    }
    return hex;
}

std::array<uint8_t, 20> hmacSha1(const std::string& key, const std::string& message)
{
    uint8_t keyBlock[Sha1::blockSize] = {};
    if (key.size() > Sha1::blockSize) {
        Sha1 keyHash;
        keyHash.update(key.data(), key.size());
        const Sha1::Digest digest = keyHash.finish();
        std::memcpy(keyBlock, digest.data(), digest.size());
    } else {
        std::memcpy(keyBlock, key.data(), key.size());
    }
    uint8_t pad[Sha1::blockSize];
    for (std::size_t i = 0; i < Sha1::blockSize; ++i)
        pad[i] = keyBlock[i] ^ 0x36;
    Sha1 inner;
    inner.update(pad, sizeof pad);
    inner.update(message.data(), message.size());
    const Sha1::Digest innerDigest = inner.finish();
    for (std::size_t i = 0; i < Sha1::blockSize; ++i)
        pad[i] = keyBlock[i] ^ 0x5c;
    Sha1 outer;
    outer.update(pad, sizeof pad);
    outer.update(innerDigest.data(), innerDigest.size());
    return outer.finish();
}

std::filesystem::path nameHash(const std::filesystem::path& name)
{
    return toWide(nameHash(toBytes(name)));
}

}  // namespace trv
