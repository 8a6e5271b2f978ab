#include "demo.h"

#include <png.h>
#include <stdio.h>

int demoWritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return 1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return 1;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y)
        png_write_row(png, rgb + (size_t)y * (size_t)width * 3);
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    return fclose(file) != 0;
}
