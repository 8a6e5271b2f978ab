// Texture images of the scene (EXR and PNG files of the texture cache) as linear RGBA floats.
#pragma once

#include "MathTypes.h"

#include <filesystem>
#include <vector>

namespace torvo_renderer {

class TextureImage {
public:
    // Reads an EXR (linear) or PNG (gamma 2.2, turned linear) image; throws RenderError when the
    // file is missing or cannot be decoded. Other image kinds are refused too.
    static TextureImage read(const std::filesystem::path& path);

    int width() const { return width_; }
    int height() const { return height_; }
    // Bilinear lookup with clamped edges. v = 0 is the bottom row of the image, as textures are built.
    Vec3 sample(float u, float v) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<float> rgba_;  // top row first, as stored in the file
};

// Whether this renderer can decode the image kind (by extension).
bool isReadableTexture(const std::filesystem::path& path);

}  // namespace torvo_renderer
