// Makes the desktop icon from the game's own art: the first 50x50 frame of the
// player's sheet, cropped to the drawn figure, scaled up by a whole factor
// (nearest neighbour, so the pixel art stays crisp) and centred on a
// transparent square. White, the game's transparent colour, becomes
// transparent here too.
//
// Usage: make_icon <player.png> <icon.png> <size>

#include <png.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int FRAME_SIZE = 50;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<png_byte> rgba; // 4 bytes a pixel, rows top to bottom
};

struct Box {
    int left;
    int top;
    int right; // one past the last column
    int bottom; // one past the last row
};

bool read_rgba(const char* path, Image& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "make_icon: %s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "make_icon: %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

bool write_rgba(const char* path, const Image& in)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(in.width);
    image.height = static_cast<png_uint_32>(in.height);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path, 0, in.rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "make_icon: %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

const png_byte* pixel(const Image& image, int x, int y)
{
    return &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
}

// Drawn means neither white (the game's colour key) nor already transparent.
bool drawn(const png_byte* p)
{
    return p[3] != 0 && !(p[0] == 255 && p[1] == 255 && p[2] == 255);
}

Box figure_box(const Image& sheet)
{
    Box box{FRAME_SIZE, FRAME_SIZE, 0, 0};
    for (int y = 0; y < FRAME_SIZE; ++y) {
        for (int x = 0; x < FRAME_SIZE; ++x) {
            if (drawn(pixel(sheet, x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
    }
    return box;
}

Image make_icon(const Image& sheet, const Box& box, int size)
{
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    const int scale = std::max(1, std::min(size / w, size / h));
    const int x0 = (size - w * scale) / 2;
    const int y0 = (size - h * scale) / 2;
    Image icon{size, size, std::vector<png_byte>(static_cast<std::size_t>(size) * size * 4, 0)};
    for (int y = 0; y < h * scale; ++y) {
        for (int x = 0; x < w * scale; ++x) {
            const png_byte* src = pixel(sheet, box.left + x / scale, box.top + y / scale);
            if (!drawn(src)) {
                continue;
            }
            png_byte* dst = &icon.rgba[(static_cast<std::size_t>(y0 + y) * size + x0 + x) * 4];
            std::copy(src, src + 3, dst);
            dst[3] = 255;
        }
    }
    return icon;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: make_icon <player.png> <icon.png> <size>\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[3]);
    Image sheet;
    if (!read_rgba(argv[1], sheet)) {
        return 1;
    }
    if (sheet.width < FRAME_SIZE || sheet.height < FRAME_SIZE || size < FRAME_SIZE) {
        std::fprintf(stderr, "make_icon: %s is smaller than one frame or size too small\n",
                     argv[1]);
        return 1;
    }
    const Box box = figure_box(sheet);
    if (box.right <= box.left) {
        std::fprintf(stderr, "make_icon: the first frame of %s is empty\n", argv[1]);
        return 1;
    }
    return write_rgba(argv[2], make_icon(sheet, box, size)) ? 0 : 1;
}
