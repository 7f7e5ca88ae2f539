#!/usr/bin/env bash
# Builds and runs the benchmarks; they print their numbers and assert nothing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build"
export QT_QPA_PLATFORM=offscreen
for bench in "$root"/build/bench/bench_*; do
  [ -x "$bench" ] && "$bench" "$@"
done
