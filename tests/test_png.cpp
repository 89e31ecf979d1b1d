// The libpng decoder (the Windows build's) against SDL_image 1.2, on every kind
// of PNG: the same surface, format, colour key, palette and pixels, and the
// same failure for a damaged file.
#include "png_decode.h"

#include <SDL_image.h>
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Kind {
    const char* name;
    int colour_type;
    int depth;
    int transparent = 0; // tRNS: 1 one transparent entry or colour, 2 translucent entries
    int interlace = PNG_INTERLACE_NONE;
};

// Samples from a fixed sequence: every value a kind allows turns up.
void write_png(const std::string& path, const Kind& k, int w, int h)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, k.depth, k.colour_type, k.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette(std::size_t{1} << std::min(k.depth, 8));
    std::vector<png_byte> alphas(palette.size(), 255);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = {png_byte(i * 37), png_byte(255 - i), png_byte(i * 11)};
    }
    png_color_16 colour{0, 12, 200, 7, 0};
    if (k.colour_type == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        alphas[1] = 0;
        alphas[0] = k.transparent == 2 ? 128 : 255;
    }
    if (k.transparent != 0) {
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), &colour);
    }
    png_write_info(png, info);
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    std::vector<png_byte> rows(row_bytes * h);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = png_byte(i * 7 + i / 13);
    }
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y) {
        pointers.push_back(rows.data() + y * row_bytes);
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void expect_same(SDL_Surface* ours, SDL_Surface* theirs, const std::string& what)
{
    ASSERT_NE(theirs, nullptr) << what << ": " << SDL_GetError();
    ASSERT_NE(ours, nullptr) << what << ": " << SDL_GetError();
    const SDL_PixelFormat& a = *ours->format;
    const SDL_PixelFormat& b = *theirs->format;
    ASSERT_EQ(ours->w, theirs->w) << what;
    ASSERT_EQ(ours->h, theirs->h) << what;
    ASSERT_EQ(a.BitsPerPixel, b.BitsPerPixel) << what;
    EXPECT_EQ(a.Rmask, b.Rmask) << what;
    EXPECT_EQ(a.Gmask, b.Gmask) << what;
    EXPECT_EQ(a.Bmask, b.Bmask) << what;
    EXPECT_EQ(a.Amask, b.Amask) << what;
    EXPECT_EQ(ours->flags & SDL_SRCCOLORKEY, theirs->flags & SDL_SRCCOLORKEY) << what;
    EXPECT_EQ(a.colorkey, b.colorkey) << what;
    ASSERT_EQ(a.palette == nullptr, b.palette == nullptr) << what;
    if (a.palette != nullptr) {
        ASSERT_EQ(a.palette->ncolors, b.palette->ncolors) << what;
        for (int i = 0; i < a.palette->ncolors; ++i) {
            const SDL_Color x = a.palette->colors[i];
            const SDL_Color y = b.palette->colors[i];
            EXPECT_TRUE(x.r == y.r && x.g == y.g && x.b == y.b) << what << " palette entry " << i;
        }
    }
    const std::size_t row = static_cast<std::size_t>(ours->w) * a.BytesPerPixel;
    for (int y = 0; y < ours->h; ++y) {
        const auto* p = static_cast<Uint8*>(ours->pixels) + y * ours->pitch;
        const auto* q = static_cast<Uint8*>(theirs->pixels) + y * theirs->pitch;
        ASSERT_TRUE(std::equal(p, p + row, q)) << what << ": row " << y << " differs";
    }
}

void expect_decoded_alike(const std::string& path)
{
    SDL_Surface* theirs = IMG_Load(path.c_str());
    SDL_Surface* ours = png_decode(std::fopen(path.c_str(), "rb"));
    expect_same(ours, theirs, path);
    SDL_FreeSurface(ours);
    SDL_FreeSurface(theirs);
}

} // namespace

TEST(PngDecoder, GivesSdlImagesSurfacesForEveryKindOfPng)
{
    const Kind kinds[] = {
        {"rgb8", PNG_COLOR_TYPE_RGB, 8},          {"rgba8", PNG_COLOR_TYPE_RGBA, 8},
        {"rgb16", PNG_COLOR_TYPE_RGB, 16},        {"rgba16", PNG_COLOR_TYPE_RGBA, 16},
        {"rgb8_key", PNG_COLOR_TYPE_RGB, 8, 1},   {"grey1", PNG_COLOR_TYPE_GRAY, 1},
        {"grey4", PNG_COLOR_TYPE_GRAY, 4},        {"grey8", PNG_COLOR_TYPE_GRAY, 8},
        {"grey16", PNG_COLOR_TYPE_GRAY, 16},      {"grey8_key", PNG_COLOR_TYPE_GRAY, 8, 1},
        {"grey_alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        {"palette2", PNG_COLOR_TYPE_PALETTE, 2},  {"palette8", PNG_COLOR_TYPE_PALETTE, 8},
        {"palette_key", PNG_COLOR_TYPE_PALETTE, 4, 1},
        {"palette_translucent", PNG_COLOR_TYPE_PALETTE, 8, 2},
        {"interlaced", PNG_COLOR_TYPE_RGB, 8, 0, PNG_INTERLACE_ADAM7},
    };
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "fiends-png-kinds";
    std::filesystem::create_directories(dir);
    for (const Kind& k : kinds) {
        const std::string path = (dir / (std::string(k.name) + ".png")).string();
        write_png(path, k, 37, 5);
        expect_decoded_alike(path);
    }
    std::filesystem::remove_all(dir);
}

TEST(PngDecoder, GivesSdlImagesSurfacesForTheGamesPictures)
{
    for (const auto& entry : std::filesystem::directory_iterator("images")) {
        expect_decoded_alike(entry.path().string());
    }
}

TEST(PngDecoder, ADamagedFileFailsWithSdlImagesReason)
{
    const std::string path = (std::filesystem::temp_directory_path() / "fiends-png-cut.png").string();
    std::filesystem::copy_file("images/player.png", path, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(path, 300);
    EXPECT_EQ(png_decode(std::fopen(path.c_str(), "rb")), nullptr);
    EXPECT_STREQ(SDL_GetError(), "Error reading the PNG file.");
    std::filesystem::remove(path);
}
