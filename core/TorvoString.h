// String objects handed to the host (TorvoString handles).
#pragma once

#include "torvo.h"

#include <cstdint>
#include <string>

namespace trv {

class TorvoStringStub {
public:
    virtual ~TorvoStringStub() = default;
    [[nodiscard]] virtual TRVStatus getLength(int32_t* length) = 0;
    [[nodiscard]] virtual TRVStatus copy(void* target, int32_t capacity) = 0;
};

class FSTorvoString : public TorvoStringStub {
public:
    virtual const void* data() const = 0;
};

class FSTorvoStringUtf8 : public FSTorvoString {
public:
    explicit FSTorvoStringUtf8(std::string text) : text_(std::move(text)) {}
    [[nodiscard]] TRVStatus getLength(int32_t* length) override;
    [[nodiscard]] TRVStatus copy(void* target, int32_t capacity) override;
    const void* data() const override { return text_.c_str(); }

private:
    std::string text_;
};

// Text in the process's 8-bit code page; measured and copied like UTF-8.
class FSTorvoStringAnsi : public FSTorvoStringUtf8 {
public:
    using FSTorvoStringUtf8::FSTorvoStringUtf8;
};

class FSTorvoStringUtf16 : public FSTorvoString {
public:
    explicit FSTorvoStringUtf16(std::u16string text) : units_(std::move(text)) { units_.push_back(u'\0'); }
    [[nodiscard]] TRVStatus getLength(int32_t* length) override;
    [[nodiscard]] TRVStatus copy(void* target, int32_t capacity) override;
    const void* data() const override { return units_.data(); }

private:
    std::u16string units_;  // ends with a 0 unit
};

class FSTorvoStringUtf32 : public FSTorvoString {
public:
    explicit FSTorvoStringUtf32(std::u32string text) : units_(std::move(text)) { units_.push_back(U'\0'); }
    [[nodiscard]] TRVStatus getLength(int32_t* length) override;
    [[nodiscard]] TRVStatus copy(void* target, int32_t capacity) override;
    const void* data() const override { return units_.data(); }

private:
    std::u32string units_;  // ends with a 0 unit
};

}  // namespace trv
