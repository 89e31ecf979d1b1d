// Display set-up, the view copy, the per-frame line and the frame limiter.
#include "support.h"

#include "platform.h"
#include "video.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <vector>

TEST(VideoDeathTest, NoUsableVideoDriverEndsWithSdlsReason)
{
    EXPECT_EXIT(
        {
            SDL_Quit(); // as at start, whatever ran before in this process
            set_environment("SDL_VIDEODRIVER", "no-such-driver", true);
            video_init();
        },
        // SDL's reason is its own wording, which differs between runtimes.
        testing::ExitedWithCode(1), "^Unable to init SDL: " REST_OF_LINE "\n$");
}

TEST(Video, SurfacesMatchTheDisplayAndTheSystemPointerIsHidden)
{
    video_init();
    SDL_Surface* display = SDL_GetVideoSurface();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->w, 1280);
    EXPECT_EQ(display->h, 800);
    EXPECT_EQ(display->format->BitsPerPixel, 32);
    EXPECT_EQ(display->flags & SDL_FULLSCREEN, SDL_FULLSCREEN);

    // Both off-screen surfaces share the display's pixel layout, so the two
    // full-screen copies of a frame need no conversion.
    for (SDL_Surface* s : {screen_buffer, world_surface}) {
        EXPECT_EQ(s->format->BitsPerPixel, display->format->BitsPerPixel);
        EXPECT_EQ(s->format->Rmask, display->format->Rmask);
        EXPECT_EQ(s->format->Bmask, display->format->Bmask);
        EXPECT_EQ(s->h, 800);
    }
    EXPECT_EQ(screen_buffer->w, 1280);
    EXPECT_EQ(world_surface->w, 2560);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

// SDL 2's presenting settings are the game's only where the player set none
// (a player with a graphics driver may choose OpenGL).
TEST(Video, ThePlayersOwnPresentingSettingsWin)
{
    set_environment("SDL12COMPAT_SCALE_METHOD", "linear", true);
    video_init();
    EXPECT_STREQ(std::getenv("SDL12COMPAT_SCALE_METHOD"), "linear");
}

TEST(Video, CopyViewShowsOnlyTheWorldsTopLeftScreenful)
{
    video_init();
    fill(world_surface, {200, 10, 10});
    SDL_Rect right_half{1280, 0, 1280, 800};
    SDL_FillRect(world_surface, &right_half, SDL_MapRGB(world_surface->format, 10, 200, 10));
    fill(screen_buffer, {1, 2, 3});

    copy_view();

    for (auto [x, y] : {std::pair{0, 0}, {1279, 0}, {0, 799}, {1279, 799}, {640, 400}}) {
        EXPECT_EQ(screen_pixel(x, y), (Rgb{200, 10, 10})) << "at " << x << "," << y;
    }
}

TEST(Video, EachPresentedFrameWritesOneTicksLineWithTheTicksSinceThePreviousOne)
{
    video_init();
    // Ticks read just before and just after each present_frame bracket the
    // tick its line was taken at, so each line's value is bracketed exactly by
    // the readings around this frame and the previous one.
    constexpr int FRAMES = 8;
    std::array<Uint32, FRAMES> before{};
    std::array<Uint32, FRAMES> after{};
    testing::internal::CaptureStdout();
    for (int i = 0; i < FRAMES; ++i) {
        before[i] = SDL_GetTicks();
        present_frame();
        after[i] = SDL_GetTicks();
    }
    const std::string out = testing::internal::GetCapturedStdout();

    std::istringstream lines(out);
    std::string line;
    std::vector<int> ticks;
    const std::regex format("Ticks passed this frame: (-?[0-9]+)");
    std::smatch m;
    while (std::getline(lines, line)) {
        ASSERT_TRUE(std::regex_match(line, m, format)) << "unexpected line: " << line;
        ticks.push_back(std::stoi(m[1]));
    }
    ASSERT_EQ(ticks.size(), static_cast<std::size_t>(FRAMES)) << out;
    // The first line counts from SDL's start, every later one from the line before.
    EXPECT_GE(ticks[0], static_cast<int>(before[0]));
    EXPECT_LE(ticks[0], static_cast<int>(after[0]));
    for (int i = 1; i < FRAMES; ++i) {
        EXPECT_GE(ticks[i], static_cast<int>(before[i] - after[i - 1])) << "line " << i;
        EXPECT_LE(ticks[i], static_cast<int>(after[i] - before[i - 1])) << "line " << i;
    }
    EXPECT_GE(after[FRAMES - 1] - before[1], static_cast<Uint32>((FRAMES - 1) * (FRAME_MS - 1)));
}

namespace {

// A clock the test moves: frame work is time put on it, and every wait is
// recorded and then passes at once.
Uint32 now_ticks;
std::vector<Uint32> waits;

Uint32 test_ticks()
{
    return now_ticks;
}

void test_delay(Uint32 ms)
{
    waits.push_back(ms);
    now_ticks += ms;
}

} // namespace

TEST(Video, FrameLimitWaitsOnlyWhatTheFramesWorkLeftOfTheFrameTime)
{
    video_init();
    frame_ticks = test_ticks;
    frame_delay = test_delay;
    // The first frame counts from tick 100: before it, the unsigned difference
    // is huge and nothing is waited; after it, the rest of the frame time.
    now_ticks = 60;
    frame_limit(FRAME_MS);
    video_init();
    now_ticks = 110;
    frame_limit(FRAME_MS);
    // Then from the end of each wait: 10 ms of work, exactly a frame's, a long
    // frame, one a tick short, and a clock that wraps past 2^32 meanwhile.
    for (Uint32 work : {10u, 33u, 50u, 32u, 0u}) {
        now_ticks += work;
        frame_limit(FRAME_MS);
    }
    now_ticks = UINT32_MAX - 4;
    frame_limit(FRAME_MS);
    now_ticks += 13;
    frame_limit(FRAME_MS);
    EXPECT_EQ(waits, (std::vector<Uint32>{23, 23, 1, 33, 20}));
}

TEST(Video, FrameLimitReallyWaitsOnSdlsClock)
{
    video_init();
    SDL_Delay(120); // past the limiter's starting tick
    frame_limit(FRAME_MS);
    // A loaded machine only ever makes the frame longer.
    const Uint32 start = SDL_GetTicks();
    SDL_Delay(10);
    frame_limit(FRAME_MS);
    EXPECT_GE(SDL_GetTicks() - start, static_cast<Uint32>(FRAME_MS - 1));
}
