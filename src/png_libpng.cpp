// PNG pictures decoded straight through libpng, into the surfaces SDL_image 1.2
// makes of them, so that the game draws the same pixels whichever decoder it
// was built with: 8-bit channels, packed low bits expanded to a byte a pixel,
// red in the lowest byte, an alpha mask only for a picture with alpha, a
// palette where the file has one, and a colour key for its single transparent
// colour.
#include "png_decode.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace {

// What SDL_image says of any file libpng cannot read to the end.
constexpr const char* READ_ERROR = "Error reading the PNG file.";

void read_from_file(png_structp png, png_bytep into, png_size_t length)
{
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fread(into, 1, length, file) != length) {
        png_error(png, "Read Error");
    }
}

// The colour key the file asks for, or -1: a palette's one fully transparent
// entry (every other opaque), or an RGB or grey picture's transparent colour,
// mapped once the surface exists. A palette with any other transparency is
// expanded to full alpha instead.
int colour_key(png_structp png, png_infop info, int colour_type, png_color_16p* colour)
{
    if (!png_get_valid(png, info, PNG_INFO_tRNS)) {
        return -1;
    }
    png_bytep alphas = nullptr;
    int count = 0;
    png_get_tRNS(png, info, &alphas, &count, colour);
    if (colour_type != PNG_COLOR_TYPE_PALETTE) {
        return 0;
    }
    int transparent = -1;
    for (int i = 0; i < count; ++i) {
        if (alphas[i] == 255) {
            continue;
        }
        if (alphas[i] != 0 || transparent >= 0) {
            png_set_expand(png);
            return -1;
        }
        transparent = i;
    }
    return transparent;
}

SDL_Surface* make_surface(png_structp png, png_infop info, int colour_type)
{
    const int channels = png_get_channels(png, info);
    Uint32 red = 0;
    Uint32 green = 0;
    Uint32 blue = 0;
    Uint32 alpha = 0;
    if (colour_type != PNG_COLOR_TYPE_PALETTE) {
        if (SDL_BYTEORDER == SDL_LIL_ENDIAN) {
            red = 0x000000FF;
            green = 0x0000FF00;
            blue = 0x00FF0000;
            alpha = channels == 4 ? 0xFF000000 : 0;
        } else {
            const int shift = channels == 4 ? 0 : 8;
            red = 0xFF000000 >> shift;
            green = 0x00FF0000 >> shift;
            blue = 0x0000FF00 >> shift;
            alpha = 0x000000FF >> shift;
        }
    }
    return SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(png_get_image_width(png, info)),
                                static_cast<int>(png_get_image_height(png, info)),
                                png_get_bit_depth(png, info) * channels, red, green, blue, alpha);
}

void copy_palette(png_structp png, png_infop info, int colour_type, SDL_Palette* palette)
{
    if (colour_type == PNG_COLOR_TYPE_GRAY) {
        palette->ncolors = 256;
        for (int i = 0; i < 256; ++i) {
            palette->colors[i] = SDL_Color{Uint8(i), Uint8(i), Uint8(i), 0};
        }
        return;
    }
    png_colorp colours = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colours, &count) != 0 && count > 0) {
        palette->ncolors = count;
        for (int i = 0; i < count; ++i) {
            palette->colors[i] = SDL_Color{colours[i].red, colours[i].green, colours[i].blue, 0};
        }
    }
}

// Everything libpng may leave by longjmp lives outside this function's frame.
struct Decoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    SDL_Surface* surface = nullptr;
    std::vector<png_bytep> rows;
};

// None when decoded, otherwise why not, in SDL_image's words.
const char* decode(Decoding& d)
{
    if (setjmp(png_jmpbuf(d.png)) != 0) {
        return READ_ERROR;
    }
    png_read_info(d.png, d.info);
    const int first_type = png_get_color_type(d.png, d.info);
    png_set_strip_16(d.png);
    png_set_packing(d.png);
    if (first_type == PNG_COLOR_TYPE_GRAY) {
        png_set_expand(d.png);
    }
    png_color_16p transparent = nullptr;
    int key = colour_key(d.png, d.info, first_type, &transparent);
    if (first_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(d.png);
    }
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);

    const int colour_type = png_get_color_type(d.png, d.info);
    d.surface = make_surface(d.png, d.info, colour_type);
    if (d.surface == nullptr) {
        return "Out of memory";
    }
    if (key != -1) {
        if (colour_type != PNG_COLOR_TYPE_PALETTE) {
            key = static_cast<int>(SDL_MapRGB(d.surface->format, Uint8(transparent->red),
                                              Uint8(transparent->green), Uint8(transparent->blue)));
        }
        SDL_SetColorKey(d.surface, SDL_SRCCOLORKEY, static_cast<Uint32>(key));
    }
    d.rows.resize(static_cast<std::size_t>(d.surface->h));
    for (int y = 0; y < d.surface->h; ++y) {
        d.rows[static_cast<std::size_t>(y)] = static_cast<png_bytep>(d.surface->pixels) + y * d.surface->pitch;
    }
    png_read_image(d.png, d.rows.data());
    if (d.surface->format->palette != nullptr) {
        copy_palette(d.png, d.info, colour_type, d.surface->format->palette);
    }
    return nullptr;
}

} // namespace

SDL_Surface* png_decode(std::FILE* file)
{
    Decoding d;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    d.info = d.png != nullptr ? png_create_info_struct(d.png) : nullptr;
    const char* failure = "Couldn't create image information for PNG file";
    if (d.info != nullptr) {
        png_set_read_fn(d.png, file, read_from_file);
        failure = decode(d);
    }
    png_destroy_read_struct(d.png != nullptr ? &d.png : nullptr, d.info != nullptr ? &d.info : nullptr,
                            nullptr);
    std::fclose(file);
    if (failure != nullptr) {
        SDL_FreeSurface(d.surface);
        SDL_SetError("%s", failure);
        return nullptr;
    }
    return d.surface;
}
