// Frame-time benchmarks: one frame's work in table states from start-up to the
// worst a player can make, the drawing alone in the dearest, a plain memcpy
// floor, and the sprite cache's lookup of a loaded sheet.
#include "bench_states.h"
#include "video.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The busy state: this many of each on the table.
constexpr int BUSY_DEMONS = 100;
constexpr int BUSY_SHOTS = 100;
constexpr int STARTUP_DEMONS = 2;

// Resident set of this process now, in MiB (0 if it cannot be read). Not the
// peak: the states run interleaved with the memcpy floor, whose buffers are
// handed back to the system once it ends.
double rss_mib()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) {
        return 0.0;
    }
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) {
            break;
        }
    }
    std::fclose(f);
    return static_cast<double>(kib) / 1024.0;
}

double thread_cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Every iteration starts from the same table: restoring it is not timed, the
// frame is, by the clock around it alone.
void run_frames(benchmark::State& state, const GameState& start, void (*work)())
{
    double cpu_seconds = 0.0;
    for (auto _ : state) {
        restore_state(start);
        const double c0 = thread_cpu_seconds();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        cpu_seconds += thread_cpu_seconds() - c0;
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    restore_state(start);
    // CPU time of this thread alone: shows how much of the wall time other
    // processes on the machine took.
    state.counters["cpu_ms"] = 1000.0 * cpu_seconds / static_cast<double>(state.iterations());
    state.counters["taken"] = count_taken();
    state.counters["demons"] = live_of_kind(KIND_DEMON);
    state.counters["shots"] = live_of_kind(KIND_BLASTER);
    state.counters["rss_MiB"] = rss_mib();
}

// The states, each built once on first use.
const GameState& startup()
{
    return startup_state();
}

const GameState& busy()
{
    // Space held for the demons the start-up does not make, the button for every shot.
    static const GameState s = build_state(BUSY_SHOTS, BUSY_DEMONS - STARTUP_DEMONS, BUSY_SHOTS);
    return s;
}

const GameState& full_table()
{
    // Both held until the last slot is taken: player + 2 + 2 x 498 = 999.
    constexpr int STEPS = (MAX_ENTITIES - 1 - STARTUP_DEMONS) / 2;
    static const GameState s = build_state(STEPS, STEPS, STEPS);
    return s;
}

// Every slot a shot, piled where they leave the player: the button held with the
// pointer on the launch point gives shots that never move.
const GameState& shot_pile()
{
    static const GameState s = build_pile_at_muzzle(0, MAX_ENTITIES - 1);
    return s;
}

// Demons piled on the launch point with a shot pile in them: every shot touches
// every demon and every other shot.
const GameState& demon_pile_shots()
{
    constexpr int DEMONS = 500;
    static const GameState s = build_pile_at_muzzle(DEMONS, MAX_ENTITIES - 1 - DEMONS);
    return s;
}

// Every slot a demon: spread over the screen as the benchmark's table is, and
// piled on one spot.
const GameState& demons_spread()
{
    constexpr int STEPS = MAX_ENTITIES - 1 - STARTUP_DEMONS;
    static const GameState s = build_state(STEPS, STEPS, 0);
    return s;
}

const GameState& demon_pile()
{
    static const GameState s = build_pile(MAX_ENTITIES - 1, 0, 300, 200);
    return s;
}

using MadeState = const GameState& (*)();

void BM_frame(benchmark::State& state, MadeState made)
{
    run_frames(state, made(), frame_work);
}

void BM_drawing(benchmark::State& state, MadeState made)
{
    run_frames(state, made(), drawing_work);
}

// The least any frame can cost: the bytes of the two full-screen copies, moved
// by memcpy between three separate buffers as world, buffer and display are.
void BM_memcpy_floor(benchmark::State& state)
{
    const std::size_t bytes = static_cast<std::size_t>(screen_buffer->h) * screen_buffer->w *
                              screen_buffer->format->BytesPerPixel;
    std::vector<unsigned char> world(bytes, 1);
    std::vector<unsigned char> buffer(bytes, 2);
    std::vector<unsigned char> display(bytes, 3);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        std::memcpy(buffer.data(), world.data(), bytes);
        benchmark::ClobberMemory();
        std::memcpy(display.data(), buffer.data(), bytes);
        benchmark::ClobberMemory();
        const auto t1 = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                            static_cast<std::int64_t>(bytes));
}

// A hit on a loaded sheet, as the lives row asks for its icon every frame. The
// references taken are handed back after timing so the count ends as it began.
void BM_sprite_load_cached(benchmark::State& state, const Sheet& sheet)
{
    // Held across the run, so a sheet no entity holds is not freed and reloaded.
    Sprite* held = sprite_load(sheet);
    Sprite* s = nullptr;
    for (auto _ : state) {
        s = sprite_load(sheet);
        benchmark::DoNotOptimize(s);
    }
    for (benchmark::IterationCount i = 0; i < state.iterations(); ++i) {
        sprite_release(s);
    }
    sprite_release(held);
}

// Each state's spread over the repetitions, besides Google Benchmark's median.
double fastest(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

double slowest(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

} // namespace

#define STATE(bench, name)                                                                 \
    BENCHMARK_CAPTURE(bench, name, name)                                                   \
        ->UseManualTime()                                                                  \
        ->Unit(benchmark::kMillisecond)                                                    \
        ->ComputeStatistics("min", fastest)                                                \
        ->ComputeStatistics("max", slowest)
STATE(BM_frame, startup);
STATE(BM_frame, busy);
STATE(BM_frame, full_table);
STATE(BM_frame, shot_pile);
STATE(BM_frame, demon_pile_shots);
STATE(BM_frame, demons_spread);
STATE(BM_frame, demon_pile);
// The floor of the states whose drawing alone is dear: the copies and the blits.
STATE(BM_drawing, full_table);
STATE(BM_drawing, demons_spread);
BENCHMARK(BM_memcpy_floor)->UseManualTime()->Unit(benchmark::kMillisecond);
// The first sheet loaded and the last one the game asks for per frame.
BENCHMARK_CAPTURE(BM_sprite_load_cached, cursor, CURSOR_SHEET);
BENCHMARK_CAPTURE(BM_sprite_load_cached, lives_icon, PLAYER_SHEET);
BENCHMARK_CAPTURE(BM_sprite_load_cached, explosion, EXPLOSION_SHEET);

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (chdir(FIENDS_SOURCE_DIR) != 0) {
        std::perror(FIENDS_SOURCE_DIR);
        return 1;
    }
    // A fixed threshold: the memcpy floor's large buffers are then always mapped
    // apart and handed back when freed, and never stay in the resident set.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    bench_startup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
