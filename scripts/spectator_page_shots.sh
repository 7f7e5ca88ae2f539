#!/usr/bin/env bash
# Pictures of the spectator page as a phone (390x844) shows it in each of its
# scenes: the middle of a four-track race with a false start, the start lights,
# the next heat and a championship's standings; then the race once more on a
# 1920x1080 TV. Each scene is served by tools/spectator_page_shot from a sample
# document and photographed by headless Chromium (scripts/page_screenshot.py).
#   Usage: bash scripts/spectator_page_shots.sh [output folder, default shots/]
# KOBALAP_BUILD_DIR chooses the build folder (default build/).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/shots}"
build="${KOBALAP_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh" --screenshots
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target spectator_page_shot
mkdir -p "$out"
out="$(cd "$out" && pwd)"

work="$(mktemp -d)"
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cat >"$work/race.json" <<'EOF'
{"scene":"race","title":"Club Cup - Race 2, Heat 3","phase":"Racing","clock":"2:31",
 "lamps":[false,false,false,false,false],
 "drivers":[
  {"place":1,"track":2,"name":"Anna de Vries","laps":"24","lastLap":"6.123","bestLap":"5.987","gap":"","falseStart":false,"colour":"#00ff00","textColour":"#000000"},
  {"place":2,"track":4,"name":"Maximiliaan van Oosterhout-Blankenstein","laps":"24","lastLap":"6.201","bestLap":"6.045","gap":"+1.862","falseStart":false,"colour":"#ffff00","textColour":"#000000"},
  {"place":3,"track":1,"name":"Bert Jansen","laps":"23","lastLap":"6.544","bestLap":"6.230","gap":"+1 lap","falseStart":false,"colour":"#ff0000","textColour":"#ffffff"},
  {"place":4,"track":3,"name":"Chris Bakker","laps":"21","lastLap":"7.012","bestLap":"6.408","gap":"+3 laps","falseStart":true,"colour":"#0000ff","textColour":"#ffffff"}]}
EOF
cat >"$work/lights.json" <<'EOF'
{"scene":"race","title":"Single race","phase":"Start lights","clock":"2:00",
 "lamps":[true,true,true,false,false],
 "drivers":[
  {"place":1,"track":1,"name":"Bert Jansen","laps":"0","lastLap":"","bestLap":"","gap":"","falseStart":false,"colour":"#ff0000","textColour":"#ffffff"},
  {"place":2,"track":2,"name":"Anna de Vries","laps":"0","lastLap":"","bestLap":"","gap":"","falseStart":false,"colour":"#00ff00","textColour":"#000000"},
  {"place":3,"track":3,"name":"Chris Bakker","laps":"0","lastLap":"","bestLap":"","gap":"","falseStart":false,"colour":"#0000ff","textColour":"#ffffff"},
  {"place":4,"track":4,"name":"Dirk Smit","laps":"0","lastLap":"","bestLap":"","gap":"","falseStart":false,"colour":"#ffff00","textColour":"#000000"}]}
EOF
cat >"$work/next.json" <<'EOF'
{"scene":"nextHeat","title":"Club Cup - Race 2","heat":"Heat 4",
 "tracks":[
  {"track":1,"name":"Bert Jansen","colour":"#ff0000","textColour":"#ffffff"},
  {"track":2,"name":"","colour":"#00ff00","textColour":"#000000"},
  {"track":3,"name":"Maximiliaan van Oosterhout-Blankenstein","colour":"#0000ff","textColour":"#ffffff"},
  {"track":4,"name":"Eva Visser","colour":"#ffff00","textColour":"#000000"}]}
EOF
cat >"$work/standings.json" <<'EOF'
{"scene":"standings","title":"Club Cup",
 "standings":[
  {"place":1,"name":"Anna de Vries","points":"45"},
  {"place":2,"name":"Bert Jansen","points":"38.5"},
  {"place":3,"name":"Maximiliaan van Oosterhout-Blankenstein","points":"36"},
  {"place":4,"name":"Chris Bakker","points":"31"},
  {"place":5,"name":"Eva Visser","points":"29.5"},
  {"place":6,"name":"Dirk Smit","points":"27"},
  {"place":7,"name":"Fatima El Amrani","points":"24"},
  {"place":8,"name":"Gerrit Mulder","points":"19"},
  {"place":9,"name":"Hanneke de Boer","points":"17.5"},
  {"place":10,"name":"Ivo Peeters","points":"12"},
  {"place":11,"name":"Joost Hendriks","points":"8"},
  {"place":12,"name":"Karin Dekker","points":"3"}]}
EOF

# Serves one document and photographs the page once its feed has sent it.
shoot() {
  local document="$1" size="$2" picture="$3"
  "$build/tools/spectator_page_shot" "$document" 0 >"$work/address" &
  server=$!
  for _ in $(seq 50); do
    [ -s "$work/address" ] && break
    kill -0 "$server" 2>/dev/null || { echo "The page server did not start." >&2; exit 1; }
    sleep 0.1
  done
  local address
  address="$(head -n 1 "$work/address")"
  python3 "$root/scripts/page_screenshot.py" "$address" "$size" "$out/$picture"
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=""
  echo "$out/$picture"
}

shoot "$work/race.json" 390x844 spectator-1-race-phone.png
shoot "$work/lights.json" 390x844 spectator-2-start-lights-phone.png
shoot "$work/next.json" 390x844 spectator-3-next-heat-phone.png
shoot "$work/standings.json" 390x844 spectator-4-standings-phone.png
shoot "$work/race.json" 1920x1080 spectator-5-race-tv.png
