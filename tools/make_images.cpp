// Draws every picture the game loads and writes them as PNG files.
//
// Usage: make_images [output_dir]   (default: images)
//
// All art is built from a few primitives (rectangles, ellipses, thick lines,
// triangles and an outline pass) so it can be tweaked here and regenerated.
// Pure white (255,255,255) is the game's transparent colour: cells start
// white and no drawing primitive ever stores pure white.
// The output is deterministic (no timestamps, no text chunks, no randomness
// other than a fixed hash), so the committed PNGs can be checked against a
// fresh run.

#include "tunables.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
    bool operator==(const Rgb&) const = default;
};

struct Canvas {
    int width;
    int height;
    std::vector<Rgb> pixels;
};

struct Point {
    double x;
    double y;
};

constexpr Rgb WHITE{255, 255, 255};
constexpr Rgb NEAR_WHITE{250, 250, 250};

constexpr int FRAMES_PER_ROW = 16;
constexpr double PI = std::numbers::pi;

// Player palette
constexpr Rgb ARMOUR{62, 128, 64};
constexpr Rgb ARMOUR_DARK{38, 84, 42};
constexpr Rgb ARMOUR_LIGHT{112, 178, 96};
constexpr Rgb VISOR{90, 225, 245};
constexpr Rgb VISOR_SHINE{220, 250, 250};
constexpr Rgb GUN{88, 90, 102};
constexpr Rgb GUN_DARK{52, 54, 62};
constexpr Rgb BELT{110, 84, 50};
constexpr Rgb BOOT{56, 48, 44};
constexpr Rgb PLAYER_OUTLINE{18, 26, 20};

// Demon palette
constexpr Rgb DEMON_SKIN{170, 36, 30};
constexpr Rgb DEMON_DARK{104, 18, 20};
constexpr Rgb DEMON_BELLY{206, 84, 60};
constexpr Rgb WING{70, 14, 24};
constexpr Rgb WING_BONE{44, 8, 14};
constexpr Rgb HORN{228, 210, 168};
constexpr Rgb HORN_TIP{120, 100, 76};
constexpr Rgb EYE_GLOW{255, 214, 40};
constexpr Rgb EYE_CORE{255, 252, 190};
constexpr Rgb MOUTH{36, 4, 6};
constexpr Rgb TOOTH{240, 236, 214};
constexpr Rgb CLAW{236, 226, 196};
constexpr Rgb HOOF{40, 24, 20};
constexpr Rgb DEMON_OUTLINE{22, 4, 6};

// Effects palette
constexpr Rgb SHOT_EDGE{20, 120, 230};
constexpr Rgb SHOT_MID{60, 210, 255};
constexpr Rgb SHOT_INNER{170, 245, 255};
constexpr Rgb FIRE_RED{214, 60, 20};
constexpr Rgb FIRE_ORANGE{250, 140, 30};
constexpr Rgb FIRE_YELLOW{255, 222, 70};
constexpr Rgb FIRE_CORE{255, 250, 200};
constexpr Rgb CURSOR{255, 48, 36};
constexpr Rgb CURSOR_BRIGHT{255, 196, 40};
constexpr Rgb CURSOR_OUTLINE{16, 10, 10};

// Floor palette
constexpr Rgb STONE{86, 84, 82};
constexpr Rgb GROUT{36, 34, 34};
constexpr Rgb BORDER_METAL{58, 62, 70};
constexpr Rgb RIVET{130, 136, 146};
constexpr Rgb MARKING{150, 44, 36};

constexpr int BG_WIDTH = ARENA_W;
constexpr int BG_HEIGHT = ARENA_H;
constexpr int TILE = 80;
constexpr int GROUT_WIDTH = 2;
constexpr int BORDER = 24;


// ---------------------------------------------------------------- canvas

Canvas make_canvas(int width, int height) {
    return Canvas{width, height, std::vector<Rgb>(static_cast<std::size_t>(width * height), WHITE)};
}

bool inside(const Canvas& c, int x, int y) {
    return x >= 0 && y >= 0 && x < c.width && y < c.height;
}

Rgb get_pixel(const Canvas& c, int x, int y) {
    return c.pixels[static_cast<std::size_t>(y * c.width + x)];
}

// Every write goes through here, so no drawing can become see-through by
// accident: pure white is reserved for transparency.
void put_pixel(Canvas& c, int x, int y, Rgb colour) {
    if (!inside(c, x, y)) {
        return;
    }
    c.pixels[static_cast<std::size_t>(y * c.width + x)] = colour == WHITE ? NEAR_WHITE : colour;
}

Rgb shade(Rgb colour, int delta) {
    auto channel = [delta](std::uint8_t v) {
        return static_cast<std::uint8_t>(std::clamp(v + delta, 0, 254));
    };
    return Rgb{channel(colour.r), channel(colour.g), channel(colour.b)};
}

Rgb mix(Rgb a, Rgb b, double t) {
    auto channel = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
    };
    return Rgb{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// ---------------------------------------------------------------- primitives

void fill_rect(Canvas& c, int x, int y, int w, int h, Rgb colour) {
    for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx) {
            put_pixel(c, xx, yy, colour);
        }
    }
}

// Pixel centres are at +0.5, so centre (10, 10) radius 2 covers a 4x4 block.
void fill_ellipse(Canvas& c, double cx, double cy, double rx, double ry, Rgb colour) {
    for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y) {
        for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
            const double dx = (x + 0.5 - cx) / rx;
            const double dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) {
                put_pixel(c, x, y, colour);
            }
        }
    }
}

void fill_circle(Canvas& c, double cx, double cy, double r, Rgb colour) {
    fill_ellipse(c, cx, cy, r, r, colour);
}

double distance_to_segment(Point p, Point a, Point b) {
    const double vx = b.x - a.x;
    const double vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    const double t = len2 == 0.0 ? 0.0 : std::clamp(((p.x - a.x) * vx + (p.y - a.y) * vy) / len2, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * vx), p.y - (a.y + t * vy));
}

// A line with round ends; used for limbs, which keeps joints smooth.
void thick_line(Canvas& c, Point a, Point b, double width, Rgb colour) {
    const double r = width / 2.0;
    const int x0 = static_cast<int>(std::min(a.x, b.x) - r) - 1;
    const int x1 = static_cast<int>(std::max(a.x, b.x) + r) + 1;
    const int y0 = static_cast<int>(std::min(a.y, b.y) - r) - 1;
    const int y1 = static_cast<int>(std::max(a.y, b.y) + r) + 1;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (distance_to_segment({x + 0.5, y + 0.5}, a, b) <= r) {
                put_pixel(c, x, y, colour);
            }
        }
    }
}

double edge_side(Point p, Point a, Point b) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

void fill_triangle(Canvas& c, Point a, Point b, Point t, Rgb colour) {
    const int x0 = static_cast<int>(std::min({a.x, b.x, t.x})) - 1;
    const int x1 = static_cast<int>(std::max({a.x, b.x, t.x})) + 1;
    const int y0 = static_cast<int>(std::min({a.y, b.y, t.y})) - 1;
    const int y1 = static_cast<int>(std::max({a.y, b.y, t.y})) + 1;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const Point p{x + 0.5, y + 0.5};
            const double s1 = edge_side(p, a, b);
            const double s2 = edge_side(p, b, t);
            const double s3 = edge_side(p, t, a);
            const bool has_neg = s1 < 0 || s2 < 0 || s3 < 0;
            const bool has_pos = s1 > 0 || s2 > 0 || s3 > 0;
            if (!(has_neg && has_pos)) {
                put_pixel(c, x, y, colour);
            }
        }
    }
}

bool is_drawn(const Canvas& c, int x, int y) {
    return inside(c, x, y) && get_pixel(c, x, y) != WHITE;
}

// Outlining two shapes three pixels apart leaves a single see-through pixel
// between them, which just looks like a speck of dirt; fill those in.
void close_pinholes(Canvas& c, Rgb colour) {
    const Canvas before = c;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            if (!is_drawn(before, x, y) && is_drawn(before, x - 1, y) && is_drawn(before, x + 1, y) &&
                is_drawn(before, x, y - 1) && is_drawn(before, x, y + 1)) {
                put_pixel(c, x, y, colour);
            }
        }
    }
}

// Surrounds every drawn shape with a one-pixel border so sprites stay
// readable on both the dark floor and pale screens.
void outline(Canvas& c, Rgb colour) {
    const Canvas before = c;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const bool touches = is_drawn(before, x - 1, y) || is_drawn(before, x + 1, y) ||
                                 is_drawn(before, x, y - 1) || is_drawn(before, x, y + 1);
            if (!is_drawn(before, x, y) && touches) {
                put_pixel(c, x, y, colour);
            }
        }
    }
    close_pinholes(c, colour);
}

Canvas mirrored(const Canvas& c) {
    Canvas out = make_canvas(c.width, c.height);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            out.pixels[static_cast<std::size_t>(y * c.width + (c.width - 1 - x))] = get_pixel(c, x, y);
        }
    }
    return out;
}

// ---------------------------------------------------------------- sheets

Canvas make_sheet(int frame_width, int frame_height) {
    return make_canvas(frame_width * FRAMES_PER_ROW, frame_height);
}

// Frames are copied raw: white in the frame stays white (transparent).
void place_frame(Canvas& sheet, const Canvas& frame, int index) {
    const int ox = (index % FRAMES_PER_ROW) * frame.width;
    const int oy = (index / FRAMES_PER_ROW) * frame.height;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            sheet.pixels[static_cast<std::size_t>((oy + y) * sheet.width + ox + x)] = get_pixel(frame, x, y);
        }
    }
}

// ---------------------------------------------------------------- player

// Joint angles in radians: thigh is measured from straight down, positive
// swings forward (to the right); knee bend folds the shin backwards.
struct Pose {
    double front_thigh;
    double front_knee;
    double back_thigh;
    double back_knee;
    double front_arm;
    double back_arm;
    double bob;
};

constexpr double THIGH_LENGTH = 8.0;
constexpr double SHIN_LENGTH = 8.0;
constexpr double LEG_WIDTH = 4.5;
constexpr double UPPER_ARM = 6.0;
constexpr double FOREARM = 5.5;
constexpr double ARM_WIDTH = 3.5;

Point offset(Point p, double angle, double length) {
    return Point{p.x + std::sin(angle) * length, p.y + std::cos(angle) * length};
}

void draw_leg(Canvas& c, Point hip, double thigh, double knee_bend, Rgb colour) {
    const Point knee = offset(hip, thigh, THIGH_LENGTH);
    const Point foot = offset(knee, thigh - knee_bend, SHIN_LENGTH);
    thick_line(c, hip, knee, LEG_WIDTH + 0.5, colour);
    thick_line(c, knee, foot, LEG_WIDTH, colour);
    fill_circle(c, knee.x + 0.5, knee.y, 1.6, shade(colour, 30));
    // Boots point forward, which is what makes the figure face right.
    fill_rect(c, static_cast<int>(std::lround(foot.x)) - 2, static_cast<int>(std::lround(foot.y)) - 1, 6, 3, BOOT);
}

// The arm ends in a hand; the front hand carries the rifle.
Point draw_arm(Canvas& c, Point shoulder, double swing, Rgb colour) {
    const Point elbow = offset(shoulder, swing, UPPER_ARM);
    const Point hand = offset(elbow, swing + 1.2, FOREARM);
    thick_line(c, shoulder, elbow, ARM_WIDTH, colour);
    thick_line(c, elbow, hand, ARM_WIDTH, colour);
    return hand;
}

void draw_rifle(Canvas& c, Point hand) {
    const int x = static_cast<int>(std::lround(hand.x));
    const int y = static_cast<int>(std::lround(hand.y));
    fill_rect(c, x - 5, y - 2, 15, 4, GUN);
    fill_rect(c, x - 5, y - 2, 15, 1, shade(GUN, 40));
    fill_rect(c, x + 10, y - 1, 3, 2, GUN_DARK);
    fill_rect(c, x - 1, y + 2, 2, 2, GUN_DARK);
}

void draw_helmet(Canvas& c, double cx, double top) {
    fill_ellipse(c, cx, top + 5.5, 5.5, 5.5, ARMOUR);
    fill_ellipse(c, cx - 1.0, top + 4.0, 3.0, 2.5, ARMOUR_LIGHT);
    fill_rect(c, static_cast<int>(cx) + 1, static_cast<int>(top) + 4, 5, 3, VISOR);
    put_pixel(c, static_cast<int>(cx) + 4, static_cast<int>(top) + 4, VISOR_SHINE);
    fill_rect(c, static_cast<int>(cx) - 4, static_cast<int>(top) + 9, 8, 2, ARMOUR_DARK);
}

void draw_torso(Canvas& c, double cx, double top) {
    const int x = static_cast<int>(cx) - 5;
    const int y = static_cast<int>(top);
    fill_rect(c, x, y, 10, 12, ARMOUR);
    fill_rect(c, x + 1, y + 1, 8, 5, ARMOUR_LIGHT);
    fill_rect(c, x + 2, y + 2, 6, 3, ARMOUR);
    fill_rect(c, x - 1, y + 1, 3, 8, ARMOUR_DARK);  // backpack
    fill_rect(c, x, y + 10, 10, 2, BELT);
}

// Draws the marine with its feet on ground_y, centred on cx; about 41 px tall.
void draw_marine(Canvas& c, double cx, double ground_y, const Pose& pose) {
    const double hip_y = ground_y - 17.0 - pose.bob;
    const Point hip{cx, hip_y};
    const double torso_top = hip_y - 11.0;
    const Point back_shoulder{cx - 2.0, torso_top + 2.0};
    const Point front_shoulder{cx + 1.0, torso_top + 2.5};

    draw_arm(c, back_shoulder, pose.back_arm, ARMOUR_DARK);
    draw_leg(c, {hip.x - 1.0, hip.y}, pose.back_thigh, pose.back_knee, ARMOUR_DARK);
    draw_torso(c, cx, torso_top);
    draw_helmet(c, cx + 0.5, torso_top - 11.0);
    draw_leg(c, {hip.x + 1.0, hip.y}, pose.front_thigh, pose.front_knee, ARMOUR);
    const Point hand = draw_arm(c, front_shoulder, pose.front_arm, ARMOUR);
    draw_rifle(c, hand);
    fill_ellipse(c, front_shoulder.x, front_shoulder.y, 3.5, 2.5, ARMOUR_LIGHT);  // shoulder pad
    outline(c, PLAYER_OUTLINE);
}

Pose standing_pose() {
    return Pose{0.22, 0.05, -0.2, 0.05, 0.15, -0.1, 0.0};
}

// One stride over the cycle; the back leg is half a cycle behind, and each
// arm swings against its leg.
Pose running_pose(int frame) {
    const double phase = 2.0 * PI * frame / RUN_FRAMES;
    auto knee = [](double p) { return 0.25 + 1.2 * std::max(0.0, std::sin(p - PI / 2.0)); };
    return Pose{
        0.7 * std::sin(phase),
        knee(phase),
        0.7 * std::sin(phase + PI),
        knee(phase + PI),
        0.1 + 0.35 * std::sin(phase + PI),
        -0.2 + 0.8 * std::sin(phase),
        1.2 * std::abs(std::cos(phase)),
    };
}

Canvas draw_player_standing() {
    Canvas frame = make_canvas(50, 50);
    draw_marine(frame, 23.0, 46.0, standing_pose());
    return frame;
}

Canvas draw_player_running(int index) {
    Canvas frame = make_canvas(44, 44);
    draw_marine(frame, 19.0, 42.0, running_pose(index));
    return frame;
}

// ---------------------------------------------------------------- demon

void draw_wing(Canvas& c, double side) {
    const Point root{45.0 + side * 14.0, 36.0};
    const Point tip{45.0 + side * 41.0, 10.0};
    const Point low{45.0 + side * 38.0, 50.0};
    fill_triangle(c, root, tip, low, WING);
    fill_triangle(c, root, {45.0 + side * 30.0, 20.0}, {45.0 + side * 34.0, 58.0}, WING);
    thick_line(c, root, tip, 2.5, WING_BONE);
    thick_line(c, tip, low, 1.5, WING_BONE);
    thick_line(c, root, {45.0 + side * 38.0, 32.0}, 1.5, WING_BONE);
}

// Horns curve outwards then up, thinning towards a darker tip.
void draw_horn(Canvas& c, double side) {
    constexpr int STEPS = 14;
    for (int i = 0; i <= STEPS; ++i) {
        const double t = static_cast<double>(i) / STEPS;
        const double x = 45.0 + side * (8.0 + 12.0 * t);
        const double y = 18.0 - 12.0 * t * t - 2.0 * t;
        fill_circle(c, x, y, 3.6 - 2.6 * t, mix(HORN, HORN_TIP, t * t));
    }
}

void draw_claws(Canvas& c, Point hand, double side) {
    for (int i = -1; i <= 1; ++i) {
        const double x = hand.x + i * 3.0;
        fill_triangle(c, {x - 1.5, hand.y + 2.0}, {x + 1.5, hand.y + 2.0}, {x + side * 1.0, hand.y + 8.0}, CLAW);
    }
}

void draw_demon_arm(Canvas& c, double side) {
    const Point shoulder{45.0 + side * 17.0, 40.0};
    const Point elbow{45.0 + side * 28.0, 52.0};
    const Point hand{45.0 + side * 27.0, 66.0};
    thick_line(c, shoulder, elbow, 9.0, DEMON_SKIN);
    thick_line(c, elbow, hand, 7.5, DEMON_SKIN);
    fill_circle(c, hand.x, hand.y, 4.5, DEMON_DARK);
    draw_claws(c, hand, side);
}

void draw_demon_leg(Canvas& c, double side) {
    const Point hip{45.0 + side * 9.0, 64.0};
    const Point knee{45.0 + side * 15.0, 74.0};
    const Point foot{45.0 + side * 13.0, 84.0};
    thick_line(c, hip, knee, 10.0, DEMON_DARK);
    thick_line(c, knee, foot, 7.0, DEMON_DARK);
    fill_ellipse(c, foot.x + side * 1.0, 86.0, 6.0, 2.5, HOOF);
}

void draw_demon_face(Canvas& c) {
    // Eyes: a glow around a pale core, under a scowling brow.
    for (double side : {-1.0, 1.0}) {
        const double ex = 45.0 + side * 6.0;
        fill_ellipse(c, ex, 24.0, 3.5, 2.5, EYE_GLOW);
        fill_ellipse(c, ex, 24.0, 1.5, 1.2, EYE_CORE);
        fill_triangle(c, {45.0 + side * 1.0, 22.5}, {45.0 + side * 11.0, 18.0}, {45.0 + side * 11.0, 21.0},
                      DEMON_DARK);
    }
    fill_ellipse(c, 45.0, 33.0, 7.5, 3.5, MOUTH);
    for (int i = 0; i < 4; ++i) {
        const double x = 40.0 + i * 3.3;
        fill_triangle(c, {x, 30.0}, {x + 2.4, 30.0}, {x + 1.2, 33.5}, TOOTH);
    }
    fill_triangle(c, {38.5, 36.0}, {40.5, 36.0}, {39.5, 32.5}, TOOTH);
    fill_triangle(c, {49.5, 36.0}, {51.5, 36.0}, {50.5, 32.5}, TOOTH);
}

Canvas draw_demon() {
    Canvas frame = make_canvas(90, 90);
    draw_wing(frame, -1.0);
    draw_wing(frame, 1.0);
    draw_demon_leg(frame, -1.0);
    draw_demon_leg(frame, 1.0);
    fill_ellipse(frame, 45.0, 50.0, 19.0, 18.0, DEMON_SKIN);
    fill_ellipse(frame, 45.0, 55.0, 10.0, 10.0, DEMON_BELLY);
    for (int i = 0; i < 3; ++i) {
        fill_rect(frame, 39, 50 + i * 4, 12, 1, DEMON_SKIN);  // belly ridges
    }
    draw_demon_arm(frame, -1.0);
    draw_demon_arm(frame, 1.0);
    draw_horn(frame, -1.0);
    draw_horn(frame, 1.0);
    fill_ellipse(frame, 45.0, 26.0, 13.0, 12.5, DEMON_SKIN);
    fill_ellipse(frame, 41.0, 20.0, 5.0, 3.0, shade(DEMON_SKIN, 30));
    draw_demon_face(frame);
    outline(frame, DEMON_OUTLINE);
    return frame;
}

// ---------------------------------------------------------------- effects

Canvas draw_blaster() {
    Canvas frame = make_canvas(10, 10);
    fill_circle(frame, 5.0, 5.0, 4.5, SHOT_EDGE);
    fill_circle(frame, 5.0, 5.0, 3.6, SHOT_MID);
    fill_circle(frame, 5.0, 5.0, 2.2, SHOT_INNER);
    fill_circle(frame, 5.0, 5.0, 1.0, NEAR_WHITE);
    return frame;
}

// A ragged fireball: radius wobbles with angle so the edge looks like flame.
void fill_burst(Canvas& c, double radius, double spikes, double twist, Rgb colour) {
    const double centre = c.width / 2.0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const double angle = std::atan2(dy, dx);
            const double edge = radius * (1.0 + 0.22 * std::sin(spikes * angle + twist));
            if (std::hypot(dx, dy) <= edge) {
                put_pixel(c, x, y, colour);
            }
        }
    }
}

Canvas draw_explosion(int index) {
    Canvas frame = make_canvas(16, 16);
    const double size = index == 0 ? 4.6 : 6.0;
    fill_burst(frame, size, 7.0, 0.3 + index, FIRE_RED);
    fill_burst(frame, size * 0.75, 5.0, 1.1 + index, FIRE_ORANGE);
    fill_burst(frame, size * 0.48, 4.0, 2.0, FIRE_YELLOW);
    fill_circle(frame, 8.0, 8.0, size * 0.2, FIRE_CORE);
    return frame;
}

// A crosshair that pulses over the 16 frames: the arms step outwards and the
// colour warms from red to amber and back. Axis-aligned arms stay crisp at
// this size, unlike a rotating shape; the dark outline keeps it visible on
// both the floor and pale screens.
constexpr int CURSOR_ARM = 3;

double cursor_pulse(int index) {
    return (1.0 - std::cos(2.0 * PI * index / 16.0)) / 2.0;
}

Canvas draw_cursor(int index) {
    Canvas frame = make_canvas(16, 16);
    const double pulse = cursor_pulse(index);
    const int gap = 2 + static_cast<int>(std::lround(pulse));
    const Rgb colour = mix(CURSOR, CURSOR_BRIGHT, pulse);
    const int near = 7 - gap - CURSOR_ARM;  // left/top arm start
    const int far = 9 + gap;                 // right/bottom arm start
    fill_rect(frame, near, 7, CURSOR_ARM, 2, colour);
    fill_rect(frame, far, 7, CURSOR_ARM, 2, colour);
    fill_rect(frame, 7, near, 2, CURSOR_ARM, colour);
    fill_rect(frame, 7, far, 2, CURSOR_ARM, colour);
    outline(frame, CURSOR_OUTLINE);
    fill_rect(frame, 7, 7, 2, 2, colour);  // centre pip, after the outline so it floats free of the arms
    return frame;
}

// ---------------------------------------------------------------- floor

// Small integer hash: gives each tile and pixel a fixed pseudo-random value.
std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

int hash_range(int x, int y, std::uint32_t seed, int spread) {
    const auto h = hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed);
    return static_cast<int>(h % static_cast<std::uint32_t>(2 * spread + 1)) - spread;
}

// Each tile gets its own tint; pixels get a faint grain, and the tile edges
// are bevelled (lit from the top-left) so the floor reads as raised stones.
Rgb tile_pixel(int x, int y) {
    const int tx = x / TILE;
    const int ty = y / TILE;
    const int lx = x % TILE;
    const int ly = y % TILE;
    if (lx < GROUT_WIDTH || ly < GROUT_WIDTH) {
        return shade(GROUT, hash_range(x, y, 7, 3));
    }
    int delta = hash_range(tx, ty, 1, 6) + hash_range(x, y, 2, 3);
    if (lx < GROUT_WIDTH + 2 || ly < GROUT_WIDTH + 2) {
        delta += 14;
    } else if (lx >= TILE - 3 || ly >= TILE - 3) {
        delta -= 16;
    }
    // Larger soft blotches, one per 8x8 block, to break up flat tiles.
    delta += hash_range(x / 8, y / 8, 3 + static_cast<std::uint32_t>(tx + ty * 31), 2);
    return shade(STONE, delta);
}

void draw_tiles(Canvas& c) {
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            put_pixel(c, x, y, tile_pixel(x, y));
        }
    }
}

// A few tiles carry a thin crack, chosen by the hash so they never move.
void draw_cracks(Canvas& c) {
    for (int ty = 0; ty < BG_HEIGHT / TILE; ++ty) {
        for (int tx = 0; tx < BG_WIDTH / TILE; ++tx) {
            if (hash(static_cast<std::uint32_t>(tx), static_cast<std::uint32_t>(ty), 11) % 5 != 0) {
                continue;
            }
            Point p{tx * TILE + 12.0 + hash_range(tx, ty, 12, 8), ty * TILE + 14.0 + hash_range(tx, ty, 13, 8)};
            for (int step = 0; step < 5; ++step) {
                const Point next{p.x + 9.0 + hash_range(tx, step, 14, 3), p.y + 7.0 + hash_range(ty, step, 15, 6)};
                thick_line(c, p, next, 1.0, shade(STONE, -34));
                p = next;
            }
        }
    }
}

void draw_ring(Canvas& c, Point centre, double inner, double outer, Rgb colour) {
    for (int y = static_cast<int>(centre.y - outer) - 1; y <= static_cast<int>(centre.y + outer) + 1; ++y) {
        for (int x = static_cast<int>(centre.x - outer) - 1; x <= static_cast<int>(centre.x + outer) + 1; ++x) {
            const double d = std::hypot(x + 0.5 - centre.x, y + 0.5 - centre.y);
            if (d >= inner && d <= outer && inside(c, x, y)) {
                put_pixel(c, x, y, mix(get_pixel(c, x, y), colour, 0.45));
            }
        }
    }
}

// Faded paint in the middle of the arena: two concentric rings.
void draw_markings(Canvas& c) {
    const Point centre{BG_WIDTH / 2.0, BG_HEIGHT / 2.0};
    draw_ring(c, centre, 150.0, 158.0, MARKING);
    draw_ring(c, centre, 60.0, 64.0, MARKING);
}

void draw_border(Canvas& c) {
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const int edge = std::min({x, y, c.width - 1 - x, c.height - 1 - y});
            if (edge >= BORDER) {
                continue;
            }
            const int bevel = edge < 3 ? 20 : (edge >= BORDER - 3 ? -22 : 0);
            put_pixel(c, x, y, shade(BORDER_METAL, bevel + hash_range(x, y, 21, 2)));
        }
    }
}

void draw_rivets(Canvas& c) {
    constexpr int SPACING = 80;
    const double mid = BORDER / 2.0;
    for (int x = SPACING / 2; x < c.width; x += SPACING) {
        fill_circle(c, x, mid, 3.0, RIVET);
        fill_circle(c, x, c.height - mid, 3.0, RIVET);
    }
    for (int y = SPACING / 2; y < c.height; y += SPACING) {
        fill_circle(c, mid, y, 3.0, RIVET);
        fill_circle(c, c.width - mid, y, 3.0, RIVET);
    }
}

Canvas draw_background() {
    Canvas bg = make_canvas(BG_WIDTH, BG_HEIGHT);
    draw_tiles(bg);
    draw_cracks(bg);
    draw_markings(bg);
    draw_border(bg);
    draw_rivets(bg);
    return bg;
}

// ---------------------------------------------------------------- output

// Kept free of objects with destructors, because libpng reports errors by
// longjmp-ing back to the setjmp here.
bool encode_png(FILE* file, png_bytepp rows, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// 8-bit RGB, default filters, fixed compression level and no ancillary
// chunks, so the same picture always yields the same bytes.
bool write_png(const std::string& path, const Canvas& c) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(c.height));
    for (int y = 0; y < c.height; ++y) {
        // libpng wants non-const rows but only reads them when writing.
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(
            reinterpret_cast<const png_byte*>(&c.pixels[static_cast<std::size_t>(y * c.width)]));
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_images: cannot open %s\n", path.c_str());
        return false;
    }
    const bool encoded = encode_png(file, rows.data(), c.width, c.height);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        std::fprintf(stderr, "make_images: failed writing %s\n", path.c_str());
    }
    return encoded && closed;
}

Canvas single_frame_sheet(const Canvas& frame) {
    Canvas sheet = make_sheet(frame.width, frame.height);
    place_frame(sheet, frame, 0);
    return sheet;
}

Canvas run_sheet(bool facing_left) {
    Canvas sheet = make_sheet(44, 44);
    for (int i = 0; i < RUN_FRAMES; ++i) {
        const Canvas frame = draw_player_running(i);
        place_frame(sheet, facing_left ? mirrored(frame) : frame, i);
    }
    return sheet;
}

Canvas explosion_sheet() {
    Canvas sheet = make_sheet(16, 16);
    for (int i = 0; i < 2; ++i) {
        place_frame(sheet, draw_explosion(i), i);
    }
    return sheet;
}

Canvas cursor_sheet() {
    Canvas sheet = make_sheet(16, 16);
    for (int i = 0; i < 16; ++i) {
        place_frame(sheet, draw_cursor(i), i);
    }
    return sheet;
}

int main(int argc, char** argv) {
    static_assert(sizeof(Rgb) == 3, "rows are handed to libpng as packed RGB bytes");
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_images [output_dir]\n");
        return 2;
    }
    const std::string dir = argc == 2 ? argv[1] : "images";
    bool ok = true;
    ok = write_png(dir + "/player.png", single_frame_sheet(draw_player_standing())) && ok;
    ok = write_png(dir + "/player_run.png", run_sheet(false)) && ok;
    ok = write_png(dir + "/player_run_left.png", run_sheet(true)) && ok;
    ok = write_png(dir + "/demon.png", single_frame_sheet(draw_demon())) && ok;
    ok = write_png(dir + "/blaster.png", single_frame_sheet(draw_blaster())) && ok;
    ok = write_png(dir + "/rocketExplode.png", explosion_sheet()) && ok;
    ok = write_png(dir + "/mouse.png", cursor_sheet()) && ok;
    ok = write_png(dir + "/bgtest.png", draw_background()) && ok;
    return ok ? 0 : 1;
}
