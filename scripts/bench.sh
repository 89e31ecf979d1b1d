#!/usr/bin/env bash
# Builds and runs the frame-time benchmarks under SDL's dummy video driver, then
# prints each state's median frame time, its spread and its ratio to the start-up
# frame of the same run. The repetitions of all states are interleaved, so a
# machine busy with other work for a while slows them alike.
# Usage: scripts/bench.sh [extra Google Benchmark arguments...]
# Environment: BENCH_BUILD_DIR (default build-bench), BENCH_REPETITIONS (default 10).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${BENCH_BUILD_DIR:-build-bench}"
reps="${BENCH_REPETITIONS:-10}"
json="$build/bench-results.json"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIENDS_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target fiends_bench >/dev/null

SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$build/bench/fiends_bench" \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true \
  --benchmark_out="$json" --benchmark_out_format=json "$@"

# Each state, in the order the benchmark declares them: median, fastest and
# slowest repetition, and the ratios of its median and of its fastest to the
# start-up frame's of this run (on a shared host the fastest are the steadier
# figures).
python3 - "$json" <<'EOF'
import json
import sys

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
states = {}  # name -> {aggregate: run}
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    name = run["run_name"].removeprefix("BM_").removesuffix("/manual_time")
    run["ms"] = run["real_time"] * TO_MS[run["time_unit"]]
    states.setdefault(name, {})[run.get("aggregate_name")] = run
runs = [run for aggregates in states.values() for run in aggregates.values()]
order = sorted(states, key=lambda name: min((run["family_index"], run["per_family_instance_index"])
                                            for run in states[name].values()))


def ms(name, aggregate):
    run = states[name].get(aggregate)
    return run["ms"] if run else None


def shown(v):
    return "-" if v is None else f"{v:.3f}" if v >= 0.01 else f"{v * 1e6:.1f}ns"


def ratio(v, base):
    return f"{v / base:.2f}" if v and base else "-"


start, first = ms("frame/startup", "median"), ms("frame/startup", "min")
print(f"\n{'state (ms)':<30} {'median':>9} {'fastest-slowest':>17} {'x start-up':>11}"
      f" {'fastest x':>13} {'thread CPU':>11}")
for name in order:
    median, fast, slow = (ms(name, aggregate) for aggregate in ("median", "min", "max"))
    cpu = (states[name].get("median") or {}).get("cpu_ms")
    spread = "-" if fast is None else shown(fast) + "-" + shown(slow)
    timed = name.startswith(("frame", "drawing", "memcpy"))
    print(f"{name:<30} {shown(median):>9} {spread:>17} {ratio(median, start) if timed else '-':>11}"
          f" {ratio(fast, first):>13} {'-' if cpu is None else f'{cpu:.3f}':>11}")
rss = max(run.get("rss_MiB", 0.0) for run in runs)
print(f"largest resident set after a frame state: {rss:.1f} MiB")
EOF
