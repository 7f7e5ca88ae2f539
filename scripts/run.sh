#!/usr/bin/env bash
# Builds Kobalap and starts it on the simulated track, in the working
# directory run/ (settings, race database and sounds live there).
#   --carrera  on an emulated Carrera Control Unit instead (tools/carrera-emulator,
#              its demo track tools/carrera-emulator/demo.txt); its log goes to
#              run/carrera-cu.log
#   --lapcounter  on an emulated DIY lap counter instead (tools/lapcounter-emulator,
#              its demo script tools/lapcounter-emulator/demo.txt) on a serial
#              line, with the outputs chosen in Settings (none at first); its
#              log goes to run/lapcounter.log
# Other arguments are passed on to Kobalap.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

carrera=0
lapcounter=0
arguments=()
for argument in "$@"; do
  if [ "$argument" = "--carrera" ]; then
    carrera=1
  elif [ "$argument" = "--lapcounter" ]; then
    lapcounter=1
  else
    arguments+=("$argument")
  fi
done
if [ "$carrera" -eq 1 ] && [ "$lapcounter" -eq 1 ]; then
  echo "--carrera and --lapcounter cannot be used together: one run, one track." >&2
  exit 2
fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(kobalap)
[ "$carrera" -eq 1 ] && targets+=(carrera_emulator)
[ "$lapcounter" -eq 1 ] && targets+=(lapcounter_emulator)
cmake --build "$root/build" --target "${targets[@]}"

workdir="$root/run"
mkdir -p "$workdir/sound"
# The default sounds, without replacing any the club has put there itself.
cp -n "$root/build/sound/"*.wav "$workdir/sound/" 2>/dev/null || true
cd "$workdir"

# Starts an emulator (its program, its folder under tools/, what it is
# called) behind the pseudo-terminal $port, writing to $log, and waits until
# it is ready. It runs as long as its stdin stays open: fd 3 holds it, so it
# ends with this script however the script ends.
start_emulator() {
  exec 3> >(exec "$root/build/tools/$2/$1" --link "$port" --script "$root/tools/$2/demo.txt" >"$log" 2>&1)
  emulator=$!
  trap 'exec 3>&-; kill "$emulator" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    grep -q '^ready ' "$log" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q '^ready ' "$log" 2>/dev/null; then
    echo "The $3 emulator did not start; its log:" >&2
    cat "$log" >&2
    exit 1
  fi
  echo "Emulated $3 on $port (log: $log)."
}

track=(--simulate)
if [ "$carrera" -eq 1 ]; then
  port="$workdir/carrera-cu"
  log="$workdir/carrera-cu.log"
  start_emulator carrera_emulator carrera-emulator "Control Unit"
  track=(--carrera "$port")
elif [ "$lapcounter" -eq 1 ]; then
  port="$workdir/lapcounter"
  log="$workdir/lapcounter.log"
  start_emulator lapcounter_emulator lapcounter-emulator "lap counter"
  track=(--lapcounter "$port")
fi

kobalap=("$root/build/kobalap" "${track[@]}" "${arguments[@]}")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Kobalap on a virtual X display (xvfb-run)."
  kobalap=(xvfb-run -a -s "-screen 0 1280x800x24" "${kobalap[@]}")
fi
if [ "$carrera" -eq 0 ] && [ "$lapcounter" -eq 0 ]; then
  exec "${kobalap[@]}"
fi
# Kobalap must not hold the emulator's stdin open after this script is gone.
"${kobalap[@]}" 3>&-
