#include "JpegDecoder.h"

#include "RenderError.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace torvo_renderer {

namespace {

constexpr uint8_t opaque = 255;

// libjpeg reports fatal errors through error_exit, which must not return; it jumps back to
// decodeInto. Warnings (damaged or cut-short data, which libjpeg would fill with grey) are
// counted and refuse the file afterwards.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info)
{
    ErrorManager* errors = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->back, 1);
}

void onMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->num_warnings++ == 0) {
        ErrorManager* errors = reinterpret_cast<ErrorManager*>(info->err);
        info->err->format_message(info, errors->message);
    }
}

// Only plain data lives in this frame besides libjpeg's, so the jump out of libjpeg skips no
// destructor; `image` belongs to the caller. Returns false with errors.message set on failure.
bool decodeInto(const uint8_t* data, size_t size, long long maxTexels, Rgba8Image& image, ErrorManager& errors,
                bool& tooLarge)
{
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    errors.message[0] = '\0';
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 ||
        static_cast<long long>(info.image_width) * info.image_height > maxTexels) {
        tooLarge = true;
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    // The decoded row goes into the end of its own RGBA row and is spread forward from the start,
    // which never overtakes it.
    while (info.output_scanline < info.output_height) {
        uint8_t* out = &image.rgba[static_cast<size_t>(info.output_scanline) * image.width * 4];
        JSAMPROW row = out + static_cast<size_t>(image.width) * 4 - rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t r = row[x * 3], g = row[x * 3 + 1], b = row[x * 3 + 2];
            out[x * 4] = r;
            out[x * 4 + 1] = g;
            out[x * 4 + 2] = b;
            out[x * 4 + 3] = opaque;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return errors.base.num_warnings == 0;
}

}  // namespace

Rgba8Image decodeJpeg(const uint8_t* data, size_t size, const std::string& source, long long maxTexels)
{
    Rgba8Image image;
    ErrorManager errors{};
    bool tooLarge = false;
    if (!decodeInto(data, size, maxTexels, image, errors, tooLarge)) {
        if (tooLarge)
            throw badInput("Texture file has an unusable size: " + source);
        throw badInput("Texture file cannot be read: " + source + " (" + errors.message + ")");
    }
    return image;
}

}  // namespace torvo_renderer
