// The result images torvo-bake writes: linear EXR and gamma-encoded PNG.
#ifndef TORVO_BAKE_IMAGEFILES_H
#define TORVO_BAKE_IMAGEFILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace torvobake {

// The display gamma of the PNG files (and of the glTF file's images, which viewers take as sRGB).
constexpr float displayGamma = 2.2f;

// rgba holds width x height pixels of four floats, row 0 first. False, with error set, on failure.
bool writeExr(const std::string& path, const std::vector<float>& rgba, int width, int height, std::string& error);

// Encodes width x height RGBA float pixels as an 8-bit RGB PNG in memory: each value clamped to
// 0..1 and raised to 1/gamma (gamma 1 keeps values linear).
std::vector<uint8_t> encodePng(const std::vector<float>& rgba, int width, int height, float gamma);

// Rings of uncovered texels (alpha 0) around the covered ones that fillGutters colours.
constexpr int gutterFillRings = 8;

// Gives uncovered texels next to covered ones the mean colour of those neighbours, ring by ring,
// so that filtering and mipmaps across a chart's edge blend its own light instead of black. Alpha
// is left as it was: it still tells the baked texels from the filled ones.
void fillGutters(std::vector<float>& rgba, int width, int height, int rings);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

} // namespace torvobake

#endif
