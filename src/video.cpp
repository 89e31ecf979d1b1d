// Owns the display, the two off-screen surfaces, the view rectangle and the
// frame-timing values.
#include "video.h"

#include "platform.h"
#include "sprites.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

SDL_Surface* screen_buffer = nullptr;
SDL_Surface* world_surface = nullptr;
Uint32 (*frame_ticks)() = SDL_GetTicks;
void (*frame_delay)(Uint32 ms) = SDL_Delay;

namespace {

constexpr int WORLD_W = 2560;
constexpr Uint32 HW_FULLSCREEN = SDL_FULLSCREEN | SDL_ANYFORMAT | SDL_HWSURFACE;
constexpr Uint32 SW_FULLSCREEN = SDL_FULLSCREEN | SDL_ANYFORMAT;

int ScreenX = 0;
int ScreenY = 0;
int bits_per_pixel = 0;
Uint32 video_flags = 0;
Uint32 red_mask = 0;
Uint32 green_mask = 0;
Uint32 blue_mask = 0;
Uint32 alpha_mask = 0;

SDL_Surface* display = nullptr;
SDL_Rect view_rect;
SDL_Cursor* see_through_pointer = nullptr; // SDL frees it when it shuts down

// Both set by video_init.
Uint32 previous_frame_ticks;
Uint32 limiter_ticks;

// SDL's last resorts, taken when it finds no display: a text terminal, or no
// screen at all. Neither can show a 1280x800 game or hand it the keyboard.
constexpr std::array<const char*, 4> UNSHOWN_DRIVERS{"aalib", "caca", "offscreen", "dummy"};

// sdl12-compat presents each frame through SDL 2, which by default uses OpenGL:
// without a graphics driver (virtual machines, remote desktops) that runs in
// software, at 6 to 12 times classic SDL's processor time. The game draws every
// frame in software anyway, so SDL 2's software renderer presents it for one
// copy; nearest scaling keeps the pictures' pixels sharp on other screen sizes.
// On a Wayland compositor without decorations of its own, SDL 2 would load
// libdecor to frame a window that is full-screen anyway, and libdecor talks on
// standard error. Classic SDL ignores these, and a player's own settings win.
constexpr std::array<std::pair<const char*, const char*>, 4> SDL2_PRESENTING{{
    {"SDL_RENDER_DRIVER", "software"},
    {"SDL_FRAMEBUFFER_ACCELERATION", "0"},
    {"SDL12COMPAT_SCALE_METHOD", "nearest"},
    {"SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR", "0"},
}};

// SDL is shut down before the line is written, so that a driver which took over
// the terminal gives it back first and the reason is seen.
[[noreturn]] __attribute__((format(printf, 1, 0))) void fail(const char* format)
{
    const std::string reason = SDL_GetError();
    SDL_Quit();
    report_fatal(format, reason.c_str());
    std::exit(1);
}

// A driver the player names through SDL_VIDEODRIVER is theirs to choose.
bool driver_named()
{
    const char* name = std::getenv("SDL_VIDEODRIVER");
    return name != nullptr && name[0] != '\0';
}

// Left to choose without a display, SDL 1.2 falls back to libcaca, which switches
// the terminal to its own screen (or, with TERM unset, ends the process) before
// the game could say why. Its null output leaves the terminal alone, and
// refuse_unshown_driver then turns the fallback down.
void keep_text_driver_off_the_terminal()
{
    if (!driver_named()) {
        set_environment("CACA_DRIVER", "null", true);
    }
}

void refuse_unshown_driver()
{
    if (driver_named()) {
        return;
    }
    char name[32] = "";
    SDL_VideoDriverName(name, sizeof name);
    for (const char* unshown : UNSHOWN_DRIVERS) {
        if (std::strcmp(name, unshown) == 0) {
            SDL_SetError("No available video device");
            fail("Unable to init SDL: %s\n");
        }
    }
}

// First mode the display accepts wins; with none, ask anyway at the current depth.
void choose_mode()
{
    if (SDL_VideoModeOK(ScreenX, ScreenY, 32, HW_FULLSCREEN)) {
        bits_per_pixel = 32;
        video_flags = HW_FULLSCREEN;
    } else if (SDL_VideoModeOK(ScreenX, ScreenY, 16, HW_FULLSCREEN)) {
        bits_per_pixel = 16;
        video_flags = HW_FULLSCREEN;
    } else if (SDL_VideoModeOK(ScreenX, ScreenY, 16, SW_FULLSCREEN)) {
        bits_per_pixel = 16;
        video_flags = SW_FULLSCREEN;
    } else {
        bits_per_pixel = 0;
        video_flags = SW_FULLSCREEN;
    }
}

// Off-screen surfaces are converted to the display's format once, so the two
// full-screen copies of every frame need no conversion.
SDL_Surface* make_display_surface(Uint32 flags, int w, const char* failure)
{
    SDL_Surface* raw = SDL_CreateRGBSurface(flags, w, ScreenY, bits_per_pixel, red_mask,
                                            green_mask, blue_mask, alpha_mask);
    if (raw == nullptr) {
        fail(failure);
    }
    SDL_Surface* converted = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    if (converted == nullptr) {
        fail(failure);
    }
    // The alpha mask leaves the surface marked for blending, with nothing to
    // blend: fully opaque. Plain copies draw the same pixels, and the SDL 2 based
    // runtime would otherwise take a slow blending path for every frame's copy.
    SDL_SetAlpha(converted, 0, SDL_ALPHA_OPAQUE);
    return converted;
}

// Where the display must keep the system pointer shown (under X), it is shown
// see-through instead of hidden.
void hide_system_pointer()
{
    static constexpr std::array<Uint8, 8> NOTHING{}; // 8x8, no pixel in the mask
    if (display_keeps_pointer_shown()) {
        see_through_pointer = SDL_CreateCursor(const_cast<Uint8*>(NOTHING.data()),
                                               const_cast<Uint8*>(NOTHING.data()), 8, 8, 0, 0);
    }
    if (see_through_pointer == nullptr) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_SetCursor(see_through_pointer);
    SDL_ShowCursor(SDL_ENABLE);
}

} // namespace

// Called again only by tests, one game after another: what an earlier call made
// is given back first.
void video_init()
{
    SDL_FreeSurface(screen_buffer);
    SDL_FreeSurface(world_surface);
    previous_frame_ticks = 0;
    limiter_ticks = 100;
    ScreenX = ARENA_W;
    ScreenY = ARENA_H;
    red_mask = 0x000000FF;
    green_mask = 0x0000FF00;
    blue_mask = 0x00FF0000;
    alpha_mask = 0xFF000000;

    keep_text_driver_off_the_terminal();
    for (const auto& [name, value] : SDL2_PRESENTING) {
        set_environment(name, value, false);
    }
    if (!display_answers() || SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        fail("Unable to init SDL: %s\n");
    }
    std::atexit(SDL_Quit);
    refuse_unshown_driver();
    display_claim();

    SDL_WM_SetCaption("Fiends", "Fiends"); // the window's title, before there is a window
    choose_mode();
    display = SDL_SetVideoMode(ScreenX, ScreenY, bits_per_pixel, video_flags);
    if (display == nullptr) {
        fail("Unable to set ScreenXxScreenY video: %s\n");
    }
    screen_buffer = make_display_surface(SDL_HWSURFACE, ScreenX,
                                         "Couldn't initialize background buffer: %s\n");
    world_surface = make_display_surface(video_flags, WORLD_W,
                                         "Couldn't initialize Video buffer: %s\n");
    view_rect = SDL_Rect{0, 0, static_cast<Uint16>(screen_buffer->w),
                         static_cast<Uint16>(screen_buffer->h)};

    hide_system_pointer();
    SDL_EnableKeyRepeat(500, 30);
}

// The player's sheet is the only read of images/player.png, so the icon is cut
// from it once it is loaded: white left undrawn by the sheet's key is white
// here too, and transparent.
void set_window_icon(Sprite* sheet)
{
    SDL_Surface* icon = SDL_CreateRGBSurface(SDL_SWSURFACE, sheet->frame_w, sheet->frame_h, 32,
                                             0x00FF0000, 0x0000FF00, 0x000000FF, 0);
    if (icon == nullptr) {
        return; // only the icon is lost
    }
    const Uint32 white = SDL_MapRGB(icon->format, 255, 255, 255);
    SDL_FillRect(icon, nullptr, white);
    sprite_blit_frame(sheet, icon, 0, 0, 0);
    SDL_SetColorKey(icon, SDL_SRCCOLORKEY, white);
    SDL_WM_SetIcon(icon, nullptr);
    SDL_FreeSurface(icon);
}

// The only clearing a frame gets: the background overwrites the whole buffer.
void copy_view()
{
    SDL_UpperBlit(world_surface, &view_rect, screen_buffer, nullptr);
}

void show_frame()
{
    SDL_UpperBlit(screen_buffer, nullptr, display, nullptr);
    SDL_Flip(display);
}

void present_frame()
{
    show_frame();

    const Uint32 now = frame_ticks();
    char line[64];
    const int length = std::snprintf(line, sizeof line, "Ticks passed this frame: %i\n",
                                     static_cast<int>(now - previous_frame_ticks));
    write_frame_line(line, length);
    previous_frame_ticks = now;

    frame_limit(FRAME_MS);
}

// A frame lasts at least `ms` from the end of the previous wait; a slow frame is
// not made up for later.
void frame_limit(int ms)
{
    const Uint32 elapsed = frame_ticks() - limiter_ticks;
    if (elapsed < static_cast<Uint32>(ms)) {
        frame_delay(static_cast<Uint32>(ms) - elapsed);
    }
    limiter_ticks = frame_ticks();
}
