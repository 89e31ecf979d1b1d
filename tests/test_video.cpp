// Display set-up, the view copy, the per-frame line and the frame limiter.
#include "support.h"

#include "platform.h"
#include "video.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <regex>
#include <sstream>

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

// Runs `work_ms` of frame work after the previous wait, then the limiter; gives
// the work and the wait as measured here.
struct TimedFrame {
    Uint32 work;
    Uint32 wait;
};

TimedFrame timed_frame(Uint32 work_ms)
{
    const Uint32 start = SDL_GetTicks();
    SDL_Delay(work_ms);
    const Uint32 before_limit = SDL_GetTicks();
    frame_limit(FRAME_MS);
    return {before_limit - start, SDL_GetTicks() - before_limit};
}

TEST(Video, FrameLimitWaitsOnlyWhatTheFramesWorkLeftOfTheFrameTime)
{
    video_init();
    SDL_Delay(120); // past the limiter's starting tick
    frame_limit(FRAME_MS);

    // A frame with 10 ms of work waits about 23. A late wake-up on a loaded
    // machine only ever adds, so the least of a few frames is the one to judge.
    Uint32 least = UINT32_MAX;
    for (int i = 0; i < 5; ++i) {
        const TimedFrame f = timed_frame(10);
        EXPECT_GE(f.work + f.wait, static_cast<Uint32>(FRAME_MS - 1));
        least = std::min(least, f.work + f.wait);
    }
    EXPECT_LE(least, static_cast<Uint32>(FRAME_MS + 5))
        << "the wait must be the frame time less the frame's own work";

    const TimedFrame slow = timed_frame(50);
    EXPECT_GE(slow.work, 50u);
    EXPECT_LT(slow.wait, 10u) << "a long frame must not wait";
}
