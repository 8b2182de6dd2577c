// libpng reading and writing. libpng reports errors by longjmp; each call keeps its own
// state so a failure leaves nothing open.
#include "platform/host/host_png.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace {
void setError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

struct File {
    FILE* f;
    explicit File(FILE* file) : f(file) {}
    ~File() {
        if (f != nullptr) fclose(f);
    }
};
} // namespace

bool writePng(const char* path, const RgbImage& image, std::string* error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) {
        setError(error, "image has no pixels or a wrong size");
        return false;
    }
    File file(fopen(path, "wb"));
    if (file.f == nullptr) {
        setError(error, std::string("cannot create ") + path + ": " + strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        setError(error, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        setError(error, std::string("cannot write ") + path);
        return false;
    }
    png_init_io(png, file.f);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png,
                      const_cast<png_bytep>(&image.rgb[static_cast<size_t>(y) * image.width * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool readPng(const char* path, RgbImage* image, std::string* error) {
    File file(fopen(path, "rb"));
    if (file.f == nullptr) {
        setError(error, std::string("cannot open ") + path + ": " + strerror(errno));
        return false;
    }
    png_byte sig[8];
    if (fread(sig, 1, 8, file.f) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
        setError(error, std::string(path) + " is not a PNG file");
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        setError(error, "out of memory");
        return false;
    }
    // Rows are allocated before the jump point can be reached again.
    std::vector<uint8_t> pixels;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        setError(error, std::string(path) + " is damaged");
        return false;
    }
    png_init_io(png, file.f);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, 1 << 14, 1 << 14);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 3) {
        png_destroy_read_struct(&png, &info, nullptr);
        setError(error, std::string(path) + ": unsupported pixel format");
        return false;
    }
    pixels.resize(static_cast<size_t>(w) * h * 3);
    for (png_uint_32 y = 0; y < h; ++y)
        png_read_row(png, &pixels[static_cast<size_t>(y) * w * 3], nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(h);
    image->rgb.swap(pixels);
    return true;
}
