// Display set-up, the view copy, the per-frame line and the frame limiter.
#include "support.h"

#include "video.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

TEST(VideoDeathTest, NoUsableVideoDriverEndsWithSdlsReason)
{
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            video_init();
        },
        testing::ExitedWithCode(1), "^Unable to init SDL: No available video device\n$");
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

TEST(Video, EachPresentedFrameWritesOneTicksLineAndLastsAtLeastTheFrameTime)
{
    video_init();
    testing::internal::CaptureStdout();
    const Uint32 start = SDL_GetTicks();
    for (int i = 0; i < 4; ++i) {
        present_frame();
    }
    const Uint32 took = SDL_GetTicks() - start;
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
    ASSERT_EQ(ticks.size(), 4u) << out;
    // Later frames report the previous wait plus the frame's work: about 33 ms,
    // give or take how much the work of two frames differs (loose: a shared machine).
    for (std::size_t i = 2; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i], FRAME_MS - 10);
        EXPECT_LT(ticks[i], FRAME_MS + 200);
    }
    EXPECT_GE(took, static_cast<Uint32>(3 * (FRAME_MS - 1)));
}

TEST(Video, FrameLimitWaitsOutAShortFrameButNotALongOne)
{
    video_init();
    SDL_Delay(120); // past the limiter's starting tick
    frame_limit(FRAME_MS);

    Uint32 start = SDL_GetTicks();
    SDL_Delay(10);
    frame_limit(FRAME_MS);
    const Uint32 short_frame = SDL_GetTicks() - start;
    EXPECT_GE(short_frame, static_cast<Uint32>(FRAME_MS - 1));
    EXPECT_LT(short_frame, static_cast<Uint32>(FRAME_MS + 100));

    start = SDL_GetTicks();
    SDL_Delay(50);
    const Uint32 before_limit = SDL_GetTicks();
    frame_limit(FRAME_MS);
    EXPECT_LT(SDL_GetTicks() - before_limit, 10u) << "a long frame must not wait";
    EXPECT_GE(before_limit - start, 50u);
}
