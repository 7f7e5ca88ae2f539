#!/usr/bin/env bash
# Builds Kobalap and starts it on the simulated track, in the working
# directory run/ (settings, race database and sounds live there).
#   --carrera  on an emulated Carrera Control Unit instead (tools/carrera-emulator,
#              its demo track tools/carrera-emulator/demo.txt); its log goes to
#              run/carrera-cu.log
# Other arguments are passed on to Kobalap.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

carrera=0
arguments=()
for argument in "$@"; do
  if [ "$argument" = "--carrera" ]; then
    carrera=1
  else
    arguments+=("$argument")
  fi
done

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(kobalap)
[ "$carrera" -eq 1 ] && targets+=(carrera_emulator)
cmake --build "$root/build" --target "${targets[@]}"

workdir="$root/run"
mkdir -p "$workdir/sound"
# The default sounds, without replacing any the club has put there itself.
cp -n "$root/build/sound/"*.wav "$workdir/sound/" 2>/dev/null || true
cd "$workdir"

track=(--simulate)
if [ "$carrera" -eq 1 ]; then
  port="$workdir/carrera-cu"
  log="$workdir/carrera-cu.log"
  # The emulator runs as long as its stdin stays open: fd 3 holds it, so it
  # ends with this script however the script ends.
  exec 3> >(exec "$root/build/tools/carrera-emulator/carrera_emulator" --link "$port" \
                 --script "$root/tools/carrera-emulator/demo.txt" >"$log" 2>&1)
  emulator=$!
  trap 'exec 3>&-; kill "$emulator" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    grep -q '^ready ' "$log" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q '^ready ' "$log" 2>/dev/null; then
    echo "The Control Unit emulator did not start; its log:" >&2
    cat "$log" >&2
    exit 1
  fi
  echo "Emulated Control Unit on $port (log: $log)."
  track=(--carrera "$port")
fi

kobalap=("$root/build/kobalap" "${track[@]}" "${arguments[@]}")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Kobalap on a virtual X display (xvfb-run)."
  kobalap=(xvfb-run -a -s "-screen 0 1280x800x24" "${kobalap[@]}")
fi
if [ "$carrera" -eq 0 ]; then
  exec "${kobalap[@]}"
fi
# Kobalap must not hold the emulator's stdin open after this script is gone.
"${kobalap[@]}" 3>&-
