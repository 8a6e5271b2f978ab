#include "cache/Sha1.h"

#include <algorithm>
#include <cstring>

namespace trv {
namespace {

inline uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t loadBigEndian(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

}  // namespace

void Sha1::compress(State& state, const uint8_t* block)
{
    uint32_t w[16];
    for (int i = 0; i < 16; ++i)
        w[i] = loadBigEndian(block + 4 * i);

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    auto step = [&](int i, uint32_t f, uint32_t k) {
        uint32_t wi;
        if (i < 16) {
            wi = w[i];
        } else {
            wi = rotl(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
            w[i & 15] = wi;
        }
        const uint32_t t = rotl(a, 5) + f + e + k + wi;
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = t;
    };
    int i = 0;
    for (; i < 20; ++i)
        step(i, (b & c) | (~b & d), 0x5A827999u);
    for (; i < 40; ++i)
        step(i, b ^ c ^ d, 0x6ED9EBA1u);
    for (; i < 60; ++i)
        step(i, (b & c) | (b & d) | (c & d), 0x8F1BBCDCu);
    for (; i < 80; ++i)
        step(i, b ^ c ^ d, 0xCA62C1D6u);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void Sha1::update(const void* data, std::size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    length_ += size;
    if (buffered_ > 0) {
        const std::size_t take = std::min(size, blockSize - buffered_);
        std::memcpy(buffer_.data() + buffered_, bytes, take);
        buffered_ += take;
        bytes += take;
        size -= take;
        if (buffered_ < blockSize)
            return;
        compress(state_, buffer_.data());
        buffered_ = 0;
    }
    for (; size >= blockSize; size -= blockSize, bytes += blockSize)
        compress(state_, bytes);
    if (size > 0) {
        std::memcpy(buffer_.data(), bytes, size);
        buffered_ = size;
    }
}

Sha1::Digest Sha1::finish()
{
    const uint64_t bitLength = length_ * 8;
    buffer_[buffered_++] = 0x80;
    if (buffered_ > blockSize - 8) {
        std::memset(buffer_.data() + buffered_, 0, blockSize - buffered_);
        compress(state_, buffer_.data());
        buffered_ = 0;
    }
    std::memset(buffer_.data() + buffered_, 0, blockSize - 8 - buffered_);
    for (int i = 0; i < 8; ++i)
        buffer_[blockSize - 1 - i] = static_cast<uint8_t>(bitLength >> (8 * i));
    compress(state_, buffer_.data());
    buffered_ = 0;

    Digest digest;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
    return digest;
}

}  // namespace trv
