// SHA-1 (FIPS 180-4): the block function and a small incremental digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace trv {

class Sha1 {
public:
    using Digest = std::array<uint8_t, 20>;
    using State = std::array<uint32_t, 5>;

    static constexpr std::size_t blockSize = 64;
    static constexpr State initialState{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

    Sha1() = default;
    // Continues from a state reached after `processedBytes` bytes (a multiple of the block size).
    Sha1(const State& state, uint64_t processedBytes) : state_(state), length_(processedBytes) {}

    void update(const void* data, std::size_t size);
    Digest finish();

    // One application of the compression function to a 64-byte block.
    static void compress(State& state, const uint8_t* block);

private:
    State state_ = initialState;
    uint64_t length_ = 0;
    std::array<uint8_t, blockSize> buffer_{};
    std::size_t buffered_ = 0;
};

}  // namespace trv
