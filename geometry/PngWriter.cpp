#include "geometry/PngWriter.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "cache/FileHelpers.h"
#include "geometry/StagedFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

namespace trv {

namespace {

// What libpng reported before it gave up.
struct PngError {
    char text[256];
};

void onPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp)
{
}

// The libpng calls, kept free of objects with destructors because libpng leaves by longjmp.
bool writeRows(png_structp png, png_infop info, std::FILE* file, const uint8_t* pixels, png_uint_32 width,
               png_uint_32 height, int colorType, std::size_t rowBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (png_uint_32 y = height; y-- > 0;)
        png_write_row(png, const_cast<png_bytep>(pixels + rowBytes * y));
    png_write_end(png, nullptr);
    return true;
}

int colorTypeOf(int32_t components)
{
    switch (components) {
    case 1: return PNG_COLOR_TYPE_GRAY;
    case 3: return PNG_COLOR_TYPE_RGB;
    case 4: return PNG_COLOR_TYPE_RGB_ALPHA;
    default: return -1;
    }
}

}  // namespace

TRVStatus writePngImage(const std::filesystem::path& path, const uint8_t* pixels, int32_t width, int32_t height,
                        int32_t components)
{
    const std::string name = toBytes(path);
    infoStream() << "Starting to write PNG: " << name << std::endl;
    const int colorType = colorTypeOf(components);
    if (colorType < 0) {
        errorStream() << "Unsupported number of components " << components << " for file: " << name << std::endl;
        return Status::FileIOError;
    }
    if (width <= 0 || height <= 0) {
        errorStream() << "Invalid image size for file: " << name << std::endl;
        return Status::FileIOError;
    }

    StagedFile staged(path);
    std::FILE* file = nullptr;
    try {
        file = openFile(staged.temporaryPath(), "wb");
    } catch (const std::exception&) {
        file = nullptr;
    }
    if (!file) {
        errorStream() << "Failed to open file " << name << std::endl;
        return Status::FileIOError;
    }

    PngError error{};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    if (!png) {
        std::fclose(file);
        errorStream() << "Failed to create png write struct for file: " << name << std::endl;
        return Status::FileIOError;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        errorStream() << "Failed to create png info struct for file: " << name << std::endl;
        return Status::FileIOError;
    }

    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    const bool written = writeRows(png, info, file, pixels, static_cast<png_uint_32>(width),
                                   static_cast<png_uint_32>(height), colorType, rowBytes);
    png_destroy_write_struct(&png, &info);
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written) {
        errorStream() << "Png file writing failed: " << error.text << " (file: " << name << ")" << std::endl;
        return Status::FileIOError;
    }
    std::string reason;
    if (!flushed || !closed) {
        errorStream() << "Failed to write to file: " << name << std::endl;
        return Status::FileIOError;
    }
    if (!staged.commit(reason)) {
        errorStream() << "Failed to move the written image to " << name << ": " << reason << std::endl;
        return Status::FileIOError;
    }
    infoStream() << "Successfully wrote PNG: " << name << std::endl;
    return Status::Success;
}

}  // namespace trv
