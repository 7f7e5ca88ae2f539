#!/usr/bin/env bash
# Builds Kobalap and starts it on the simulated track, in the working
# directory run/ (settings, race database and sounds live there).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target kobalap

workdir="$root/run"
mkdir -p "$workdir/sound"
# The default sounds, without replacing any the club has put there itself.
cp -n "$root/build/sound/"*.wav "$workdir/sound/" 2>/dev/null || true
cd "$workdir"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Kobalap on a virtual X display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/kobalap" --simulate "$@"
fi
exec "$root/build/kobalap" --simulate "$@"
