// Owns how picture files are read: PNG only, each file opened and read once,
// its size taken from its header before anything is decoded. Opening a FIFO
// waits for a writer and a device may never answer, so only regular files are
// opened; a valid PNG may claim gigabytes of pixels, which would take minutes
// to decode, so a picture larger than any the game draws is refused first; and
// no other format's decoder is ever reached from the pictures directory.
#include "pictures.h"

#include "platform.h"
#include "png_decode.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr std::uint32_t MAX_PICTURE_SIDE = 8192;
// Decoded at the display's 32 bits a pixel.
constexpr std::uint64_t MAX_PICTURE_BYTES = 64u << 20;
constexpr unsigned char PNG_SIGNATURE[] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
// The signature, then the first chunk, which is always IHDR: its length, its
// type, then the width and the height, each 4 bytes, most significant first.
constexpr std::size_t HEADER_BYTES = 24;

std::nullptr_t fail(const char* path, const char* reason)
{
    SDL_SetError("%s: %s", path, reason);
    return nullptr;
}

std::uint32_t read_big_endian(const unsigned char* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// Why the header rules the picture out, or empty. A damaged header that is
// still a PNG's is left to the decoder, which then says what is wrong.
std::string refusal(const unsigned char* header, std::size_t length)
{
    if (length < sizeof PNG_SIGNATURE ||
        std::memcmp(header, PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0) {
        return "not a PNG picture";
    }
    if (length < HEADER_BYTES || std::memcmp(header + 12, "IHDR", 4) != 0) {
        return "";
    }
    const std::uint32_t w = read_big_endian(header + 16);
    const std::uint32_t h = read_big_endian(header + 20);
    if (w > MAX_PICTURE_SIDE || h > MAX_PICTURE_SIDE || std::uint64_t{w} * h * 4 > MAX_PICTURE_BYTES) {
        return std::to_string(w) + "x" + std::to_string(h) + " pixels, more than the game can use";
    }
    return "";
}

} // namespace

SDL_Surface* picture_load(const char* path)
{
    std::string reason;
    std::FILE* file = open_regular_file(path, reason);
    if (file == nullptr) {
        return fail(path, reason.c_str());
    }
    unsigned char header[HEADER_BYTES];
    const std::string refused = refusal(header, std::fread(header, 1, sizeof header, file));
    if (!refused.empty()) {
        std::fclose(file);
        return fail(path, refused.c_str());
    }
    std::rewind(file);
    SDL_Surface* picture = png_decode(file);
    if (picture == nullptr) {
        reason = SDL_GetError();
        return fail(path, reason.c_str());
    }
    return picture;
}
