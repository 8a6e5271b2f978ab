#include "geometry/FSTorvoTexture.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "cache/CacheDirectories.h"
#include "geometry/ExrWriter.h"
#include "geometry/PngWriter.h"
#include "geometry/TextureBuildData.h"
#include "geometry/TextureGamma.h"

#include <new>
#include <stdexcept>

namespace trv {

namespace {

[[nodiscard]] TRVStatus refuse(const char* message, TRVStatus status = Status::InvalidObjectState)
{
    errorStream() << message << std::endl;
    return status;
}

[[nodiscard]] TRVStatus refuseFormat(int32_t format, TRVStatus status)
{
    errorStream() << "Texture format " << format << " is not supported." << std::endl;
    return status;
}

// Most memory taken for a texture before any of its pixels arrived.
constexpr uint64_t MaxUpFrontBytes = uint64_t(1) << 30;

// Room for every pixel when it can be had and is not out of proportion; otherwise the arrays grow
// as pixels arrive, and a shortage is reported by the call that needs the room.
template <class T>
void reserveAll(BuildArray<T>& array, int64_t pixels, int32_t components)
{
    if (pixels <= 0 || components <= 0 || static_cast<uint64_t>(pixels) > MaxUpFrontBytes)
        return;
    try {
        const auto values = static_cast<uint64_t>(pixels) * static_cast<uint64_t>(components);
        if (values <= MaxUpFrontBytes / sizeof(T))
            array.reserve(static_cast<std::size_t>(values));
    } catch (const std::exception&) {
        // the first call that needs the room reports the shortage
    }
}

}  // namespace

FSTorvoTexture::FSTorvoTexture(const CacheDirectories* manager, std::string name, std::filesystem::path imagePath)
    : manager_(manager), imagePath_(std::move(imagePath)), name_(std::move(name))
{
}

FSTorvoTexture::FSTorvoTexture(const CacheDirectories* manager, std::string name, int32_t width, int32_t height,
                               int32_t format)
    : manager_(manager), name_(std::move(name)), buildData_(std::make_unique<TextureBuildData>())
{
    TextureBuildData& d = *buildData_;
    d.width = width;
    d.height = height;
    d.format = format;
    if (isLdrFormat(format))
        reserveAll(d.ldrPixels, d.pixelCount(), textureComponents(format));
    else if (isHdrFormat(format))
        reserveAll(d.hdrPixels, d.pixelCount(), textureComponents(format));
}

FSTorvoTexture::~FSTorvoTexture() = default;

TRVStatus FSTorvoTexture::checkPixelCount(int32_t pixelCount) const
{
    if (!checkAbove("pixelCount", pixelCount, 0))
        return Status::InvalidParameter;
    if (buildData_->pixelsAdded + pixelCount > buildData_->pixelCount())
        return refuse("Tried to add more pixels than the texture contains.", Status::InvalidParameter);
    return Status::Success;
}

TRVStatus FSTorvoTexture::addPixelDataHDR(const float* pixelData, int32_t pixelCount)
{
    if (!buildData_)
        return refuse("Texture already finalized.");
    TextureBuildData& d = *buildData_;
    if (isLdrFormat(d.format))
        return refuse("Tried to add HDR pixels to a LDR texture.");
    if (!isHdrFormat(d.format))
        return refuseFormat(d.format, Status::InvalidParameter);
    if (const TRVStatus status = checkPixelCount(pixelCount); status != Status::Success)
        return status;
    if (!checkNotNull("pixelData", pixelData))
        return Status::InvalidParameter;
    const auto values = static_cast<std::size_t>(pixelCount) * static_cast<std::size_t>(textureComponents(d.format));
    try {
        appendAll(d.hdrPixels, pixelData, values);
    } catch (const std::exception&) {
        return refuse("Failed to allocate pixel data.", Status::MemoryAllocation);
    }
    d.pixelsAdded += pixelCount;
    return Status::Success;
}

TRVStatus FSTorvoTexture::addPixelDataLDR(const uint8_t* pixelData, int32_t pixelCount)
{
    if (!buildData_)
        return refuse("Texture already finalized.");
    TextureBuildData& d = *buildData_;
    if (isHdrFormat(d.format))
        return refuse("Tried to add LDR pixels to a HDR texture.");
    if (!isLdrFormat(d.format))
        return refuseFormat(d.format, Status::InvalidParameter);
    if (const TRVStatus status = checkPixelCount(pixelCount); status != Status::Success)
        return status;
    if (!checkNotNull("pixelData", pixelData))
        return Status::InvalidParameter;
    const int32_t components = textureComponents(d.format);
    const auto values = static_cast<std::size_t>(pixelCount) * static_cast<std::size_t>(components);
    const std::size_t start = d.ldrPixels.size();
    try {
        appendAll(d.ldrPixels, pixelData, values);
    } catch (const std::exception&) {
        return refuse("Failed to allocate pixel data.", Status::MemoryAllocation);
    }
    if (needsGammaConversion(d.gammaType, d.gammaValue))
        convertToGamma22(d.ldrPixels.data() + start, values, components, d.gammaValue);
    d.pixelsAdded += pixelCount;
    return Status::Success;
}

TRVStatus FSTorvoTexture::setInputGamma(int32_t gammaType, float gammaValue)
{
    if (gammaType == 0 && !checkAbove("gamma", gammaValue, 0.0f))
        return Status::InvalidParameter;
    if (!buildData_)
        return refuse("Texture already finalized.");
    TextureBuildData& d = *buildData_;
    if (isHdrFormat(d.format))
        return refuse("Tried to set input gamma on HDR image.");
    if (d.pixelsAdded > 0)
        return refuse("Tried to set input after pixels were added to the image.");
    d.gammaType = gammaType;
    d.gammaValue = gammaValue;
    return Status::Success;
}

TRVStatus FSTorvoTexture::endTexture()
{
    if (!buildData_)
        return refuse("Texture already finalized.");
    const TextureBuildData& d = *buildData_;
    if (!isHdrFormat(d.format) && !isLdrFormat(d.format))
        return refuseFormat(d.format, Status::FileIOError);
    if (d.pixelsAdded < d.pixelCount())
        return refuse("Texture not ready to be ended.");

    const bool hdr = isHdrFormat(d.format);
    std::filesystem::path path = toWide(name_ + (hdr ? ".exr" : ".png"));
    if (manager_)
        path = manager_->texturesDirectory() / path;
    const int32_t components = textureComponents(d.format);
    const TRVStatus status = hdr ? writeExrImage(path, d.hdrPixels.data(), d.width, d.height, components)
                                 : writePngImage(path, d.ldrPixels.data(), d.width, d.height, components);
    if (status != Status::Success)
        return status;
    imagePath_ = std::move(path);
    buildData_.reset();
    return Status::Success;
}

}  // namespace trv
