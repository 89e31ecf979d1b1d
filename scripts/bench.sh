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

# The JSON has one "key": value per line. Each state, in the order the benchmark
# declares them: median, fastest and slowest repetition, and the ratios of its
# median and of its fastest to the start-up frame's of this run (on a shared
# host the fastest are the steadier figures).
awk '
  function value(line) { sub(/^[^:]*: */, "", line); gsub(/[",]/, "", line); return line }
  /"run_name":/       { name = value($0); sub(/^BM_/, "", name); sub(/\/manual_time$/, "", name) }
  /"family_index":/   { family = value($0) }
  /"per_family_instance_index":/ { order = family * 1000 + value($0) }
  /"aggregate_name":/ { agg = value($0) }
  /"real_time":/      { t = value($0) }
  /"time_unit":/      { unit = value($0) }
  /"rss_MiB":/        { v = value($0) + 0; if (v > rss) rss = v }
  /"cpu_ms":/         { cpu = value($0) }
  /^    }/ {
    scale = unit == "ns" ? 1e-6 : unit == "us" ? 1e-3 : unit == "s" ? 1e3 : 1
    if (!(order in names)) names[order] = name
    if (agg == "median") { ms[name] = t * scale; cpus[name] = cpu }
    if (agg == "min") lo[name] = t * scale
    if (agg == "max") hi[name] = t * scale
    agg = ""; cpu = ""
  }
  function shown(v) { return v >= 0.01 ? sprintf("%.3f", v) : sprintf("%.1fns", v * 1e6) }
  END {
    start = ms["frame/startup"]; first = lo["frame/startup"]
    printf "\n%-30s %9s %17s %11s %13s %11s\n", "state (ms)", "median", "fastest-slowest",
           "x start-up", "fastest x", "thread CPU"
    n = asort_keys(names, keys)
    for (i = 1; i <= n; i++) {
      k = names[keys[i]]
      ratio = (start > 0 && k ~ /^(frame|drawing|memcpy)/) ? sprintf("%.2f", ms[k] / start) : "-"
      fast = (first > 0 && k in lo) ? sprintf("%.2f", lo[k] / first) : "-"
      spread = (k in lo) ? shown(lo[k]) "-" shown(hi[k]) : "-"
      printf "%-30s %9s %17s %11s %13s %11s\n", k, shown(ms[k]), spread, ratio, fast,
             cpus[k] == "" ? "-" : sprintf("%.3f", cpus[k])
    }
    printf "largest resident set after a frame state: %.1f MiB\n", rss
  }
  # Sorted numeric keys of an array, without gawk extensions.
  function asort_keys(a, out,    k, n, i, j, tmp) {
    n = 0
    for (k in a) out[++n] = k + 0
    for (i = 2; i <= n; i++) {
      tmp = out[i]
      for (j = i - 1; j >= 1 && out[j] > tmp; j--) out[j + 1] = out[j]
      out[j + 1] = tmp
    }
    return n
  }
' "$json"
