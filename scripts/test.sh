#!/usr/bin/env bash
# Builds Kobalap with its tests and runs the whole suite headless.
# KOBALAP_SANITIZE=address,undefined (or thread) builds into build-<name>.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/install-deps.sh"

sanitize="${KOBALAP_SANITIZE:-}"
build="$root/build"
[ -n "$sanitize" ] && build="$root/build-${sanitize//,/-}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOBALAP_SANITIZE="$sanitize" >/dev/null
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
if [[ "$sanitize" == *thread* ]]; then
  # The lap-board test forks the board's simulator from a threaded test
  # program; the child execs at once, so that fork is safe.
  export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1 die_after_fork=0 ${TSAN_OPTIONS:-}"
fi
cd "$build"
ctest --output-on-failure -j2 "$@"
