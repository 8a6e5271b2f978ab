// A texture built from pixels (written as EXR or PNG when ended) or referenced from an image file.
#pragma once

#include "geometry/TorvoTextureStub.h"

#include <filesystem>
#include <memory>
#include <string>

namespace trv {

class CacheDirectories;
struct TextureBuildData;

// Spot lights keep a weak reference to the texture they project: one erased from the cache
// before the scene ends is not read.
class FSTorvoTexture : public TorvoTextureStub, public std::enable_shared_from_this<FSTorvoTexture> {
public:
    // A finished texture whose image is already in the cache (found or referenced).
    FSTorvoTexture(const CacheDirectories* manager, std::string name, std::filesystem::path imagePath);
    // A texture to be built from pixels.
    FSTorvoTexture(const CacheDirectories* manager, std::string name, int32_t width, int32_t height, int32_t format);
    ~FSTorvoTexture() override;

    const std::string& name() const { return name_; }
    const std::filesystem::path& imagePath() const { return imagePath_; }
    bool isBeingBuilt() const { return static_cast<bool>(buildData_); }

    [[nodiscard]] TRVStatus addPixelDataHDR(const float* pixelData, int32_t pixelCount) override;
    [[nodiscard]] TRVStatus addPixelDataLDR(const uint8_t* pixelData, int32_t pixelCount) override;
    [[nodiscard]] TRVStatus setInputGamma(int32_t gammaType, float gammaValue) override;
    [[nodiscard]] TRVStatus endTexture() override;

private:
    // The count rules of both pixel calls.
    [[nodiscard]] TRVStatus checkPixelCount(int32_t pixelCount) const;

    const CacheDirectories* manager_;
    std::filesystem::path imagePath_;
    std::string name_;
    std::unique_ptr<TextureBuildData> buildData_;
};

}  // namespace trv
