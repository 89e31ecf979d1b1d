// Plays input scripts through the real game and digests each frame into one line,
// so a whole run can be compared with a committed golden file.
#include "replay.h"

#include "entities/entities.h"
#include "sprites.h"
#include "support.h"
#include "video.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr std::uint64_t FNV_OFFSET = 14695981039346656037ULL;
constexpr std::uint64_t FNV_PRIME = 1099511628211ULL;
constexpr const char* GOLDEN_DIR = "tests/golden/";
constexpr const char* GOLDEN_HEADER =
    "# frame | player x,y health lives active anim sprite | taken slots | hash of taken "
    "slots | sprite cache used: refcounts | hash of screen rows\n";

// FNV-1a, one 64-bit word at a time: the screen is 4 MB a frame, and a byte at a
// time would make the replays slow for no gain in what they catch.
std::uint64_t mix(std::uint64_t h, std::uint64_t word)
{
    return (h ^ word) * FNV_PRIME;
}

std::uint64_t mix_double(std::uint64_t h, double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return mix(h, bits);
}

int sprite_index(const Sprite* s)
{
    return s == nullptr ? -1 : static_cast<int>(s - sprite_cache_entry(0));
}

// Field by field, so padding never counts and the sprite is named by its cache
// entry rather than by an address that changes from run to run.
std::uint64_t hash_taken_slots()
{
    std::uint64_t h = FNV_OFFSET;
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        const Entity& e = entities[i];
        if (e.in_use == 0) {
            continue;
        }
        for (std::int64_t v : {std::int64_t{i}, std::int64_t{e.in_use}, std::int64_t{e.active},
                               std::int64_t{e.is_player}, std::int64_t{e.health},
                               std::int64_t{e.lives}, std::int64_t{e.kind},
                               std::int64_t{e.anim_frame}, std::int64_t{sprite_index(e.sprite)}}) {
            h = mix(h, static_cast<std::uint64_t>(v));
        }
        for (double v : {e.x, e.y, e.height, e.width, e.target_x, e.target_y, e.slope, e.start_x,
                         e.start_y}) {
            h = mix_double(h, v);
        }
    }
    return h;
}

// Only the visible bytes of each row; whatever lies in the pitch padding is not
// part of the picture.
std::uint64_t hash_screen()
{
    SDL_Surface* s = screen_buffer;
    SDL_LockSurface(s);
    const std::size_t row_bytes = static_cast<std::size_t>(s->w) * s->format->BytesPerPixel;
    std::uint64_t h = FNV_OFFSET;
    for (int y = 0; y < s->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
        std::size_t i = 0;
        for (; i + 8 <= row_bytes; i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, row + i, sizeof word);
            h = mix(h, word);
        }
        for (; i < row_bytes; ++i) {
            h = mix(h, row[i]);
        }
    }
    SDL_UnlockSurface(s);
    return h;
}

std::string sprite_cache_summary()
{
    std::string out = std::to_string(sprite_cache_used()) + ":";
    for (int i = 0; i < sprite_cache_used(); ++i) {
        out += (i == 0 ? "" : ",") + std::to_string(sprite_cache_entry(i)->refcount);
    }
    return out;
}

std::string player_summary()
{
    const int k = find_player();
    if (k < 0) {
        return "none";
    }
    const Entity& p = entities[k];
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.17g,%.17g h=%d l=%d a=%d f=%d s=%d", p.x, p.y, p.health,
                  p.lives, p.active, p.anim_frame, sprite_index(p.sprite));
    return buf;
}

bool held(const char* keys, char key)
{
    return std::strchr(keys, key) != nullptr;
}

Held input_at(const Segment& seg, int step)
{
    Held in;
    const int last = seg.frames > 1 ? seg.frames - 1 : 1;
    in.x = seg.from.x + (seg.to.x - seg.from.x) * step / last;
    in.y = seg.from.y + (seg.to.y - seg.from.y) * step / last;
    in.buttons = seg.fire ? SDL_BUTTON(1) : 0;
    in.keys[SDLK_w] = held(seg.keys, 'w');
    in.keys[SDLK_a] = held(seg.keys, 'a');
    in.keys[SDLK_s] = held(seg.keys, 's');
    in.keys[SDLK_d] = held(seg.keys, 'd');
    in.keys[SDLK_c] = held(seg.keys, 'c');
    in.keys[SDLK_SPACE] = held(seg.keys, ' ');
    return in;
}

// FIENDS_REPLAY_TRACE=N prints every taken slot after each of the first N frames,
// for checking a new golden file by hand.
int trace_frames()
{
    const char* v = std::getenv("FIENDS_REPLAY_TRACE");
    return v == nullptr ? 0 : std::atoi(v);
}

void trace(int frame)
{
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        const Entity& e = entities[i];
        if (e.in_use != 0) {
            std::fprintf(stderr,
                         "frame %d slot %d kind %d x %.17g y %.17g health %d lives %d "
                         "anim %d sprite %d slope %.17g\n",
                         frame, i, e.kind, e.x, e.y, e.health, e.lives, e.anim_frame,
                         sprite_index(e.sprite), e.slope);
        }
    }
}

std::vector<std::string> read_golden(const std::string& path, bool& found)
{
    std::ifstream in(path);
    found = static_cast<bool>(in);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace

std::string digest_line(int frame)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%04d p=%s n=%d e=%016" PRIx64 " c=%s v=%016" PRIx64, frame,
                  player_summary().c_str(), count_taken(), hash_taken_slots(),
                  sprite_cache_summary().c_str(), hash_screen());
    return buf;
}

std::vector<std::string> play_script(const Script& script)
{
    start_game();
    std::vector<std::string> lines;
    const int traced = trace_frames();
    int frame = 0;
    for (const Segment& seg : script) {
        for (int step = 0; step < seg.frames; ++step) {
            ++frame;
            play_frame(input_at(seg, step));
            lines.push_back(digest_line(frame));
            if (frame <= traced) {
                trace(frame);
            }
        }
    }
    return lines;
}

void check_against_golden(const std::string& name, const std::vector<std::string>& lines)
{
    const std::string path = GOLDEN_DIR + name + ".txt";
    const char* regen = std::getenv("FIENDS_REGEN_GOLDEN");
    if (regen != nullptr && std::strcmp(regen, "1") == 0) {
        std::ofstream out(path);
        ASSERT_TRUE(out) << "cannot write " << path;
        out << "# replay '" << name << "', one line per frame\n" << GOLDEN_HEADER;
        for (const std::string& line : lines) {
            out << line << '\n';
        }
        std::printf("wrote %s (%zu frames)\n", path.c_str(), lines.size());
        return;
    }

    bool found = false;
    const std::vector<std::string> expected = read_golden(path, found);
    ASSERT_TRUE(found) << "no golden file " << path
                       << " (run tests/regen_golden.sh when behaviour is meant to change)";
    const std::size_t common = std::min(expected.size(), lines.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (expected[i] != lines[i]) {
            FAIL() << name << ": first difference at frame " << i + 1 << "\n expected: "
                   << expected[i] << "\n   actual: " << lines[i];
        }
    }
    EXPECT_EQ(expected.size(), lines.size()) << name << ": number of frames differs";
}
