#!/usr/bin/env bash
# Pictures of the race windows (Single Race page, start lights, race screen,
# pause dialog, result editor, lap view) from a simulated race, then the
# driver selection, heat generation chooser and heats window of a championship
# race with its heat dialogs, standings and printed reports, taken under Xvfb. Usage: bash scripts/screenshots.sh [output folder, default shots/]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/shots}"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
cmake --build "$root/build" --target race_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/tools/race_screenshots" "$out"
# The first page of each printed report, as a club member sees it on paper.
for report in "$out"/15-*.pdf; do
  [ -f "$report" ] && pdftoppm -png -r 80 -f 1 -l 1 "$report" "${report%.pdf}"
done
