#include "geometry/FSTorvoTexture.h"

#include "api/Status.h"

namespace trv {

struct TextureBuildData {};

FSTorvoTexture::FSTorvoTexture(FSTorvoManager* manager, std::string name, std::filesystem::path imagePath)
    : manager_(manager), imagePath_(std::move(imagePath)), name_(std::move(name))
{
}

FSTorvoTexture::FSTorvoTexture(FSTorvoManager* manager, std::string name, int32_t, int32_t, int32_t)
    : manager_(manager), name_(std::move(name)), buildData_(std::make_unique<TextureBuildData>())
{
}

FSTorvoTexture::~FSTorvoTexture() = default;

TRVStatus FSTorvoTexture::addPixelDataHDR(const float*, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoTexture::addPixelDataLDR(const uint8_t*, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoTexture::setInputGamma(int32_t, float) { return Status::NotImplemented; }
TRVStatus FSTorvoTexture::endTexture() { return Status::NotImplemented; }

}  // namespace trv
