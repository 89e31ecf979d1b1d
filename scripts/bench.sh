#!/usr/bin/env bash
# Builds and runs the frame-time benchmarks under SDL's dummy video driver, then
# prints each state's median frame time and its ratio to the memcpy floor.
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
  --benchmark_out="$json" --benchmark_out_format=json "$@"

# The JSON has one "key": value per line; keep the medians and divide by the floor's.
awk '
  function value(line) { sub(/^[^:]*: */, "", line); gsub(/[",]/, "", line); return line }
  /"name":/           { name = value($0) }
  /"aggregate_name":/ { agg = value($0) }
  /"real_time":/      { t = value($0) }
  /"time_unit":/      { unit = value($0) }
  /"peak_rss_MiB":/   { rss = value($0) }
  /"cpu_ms":/         { cpu = value($0) }
  /^    }/ {
    if (agg == "median") {
      scale = unit == "ns" ? 1e-6 : unit == "us" ? 1e-3 : unit == "s" ? 1e3 : 1
      n++; names[n] = name; ms[n] = t * scale; peak[n] = rss; cpus[n] = cpu
      if (name ~ /^BM_memcpy_floor/) floor_ms = t * scale
    }
    agg = ""; rss = ""; cpu = ""
  }
  END {
    printf "\n%-30s %12s %9s %12s %10s\n", "median of each", "time", "x floor", "thread CPU", "peak MiB"
    for (i = 1; i <= n; i++) {
      short = names[i]; sub(/^BM_/, "", short); sub(/(\/manual_time)?_median$/, "", short)
      ratio = (floor_ms > 0 && names[i] ~ /frame|memcpy/) ? sprintf("%.1f", ms[i] / floor_ms) : "-"
      shown = ms[i] >= 0.01 ? sprintf("%.3f ms", ms[i]) : sprintf("%.1f ns", ms[i] * 1e6)
      cpu_shown = cpus[i] == "" ? "-" : sprintf("%.3f ms", cpus[i])
      printf "%-30s %12s %9s %12s %10s\n", short, shown, ratio, cpu_shown, peak[i] == "" ? "-" : sprintf("%.1f", peak[i])
    }
  }
' "$json"
