// Texture images of the scene (EXR, PNG, JPEG and TGA files) as linear RGBA floats.
#pragma once

#include "MathTypes.h"

#include <filesystem>
#include <vector>

namespace torvo_renderer {

class TextureImage {
public:
    // Reads an EXR (linear) or a PNG, JPEG or TGA image (gamma 2.2, turned linear); throws
    // RenderError when the file is missing or cannot be decoded. Other image kinds are refused too.
    static TextureImage read(const std::filesystem::path& path);

    int width() const { return width_; }
    int height() const { return height_; }
    // Bilinear lookup with clamped edges. v = 0 is the bottom row of the image, as textures are built.
    Vec3 sample(float u, float v) const;
    // The alpha channel, looked up the same way (1 for images without one).
    float alpha(float u, float v) const;

private:
    // Bilinear lookup of channels first .. first + 2 (first = 3: alpha in every component).
    Vec3 lookup(float u, float v, size_t first) const;

    int width_ = 0;
    int height_ = 0;
    std::vector<float> rgba_;  // top row first, as stored in the file
};

// Whether this renderer can decode the image kind (by extension).
bool isReadableTexture(const std::filesystem::path& path);

}  // namespace torvo_renderer
