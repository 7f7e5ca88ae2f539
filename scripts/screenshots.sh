#!/usr/bin/env bash
# Pictures of the race windows (Single Race page, start lights, race screen,
# pause dialog, result editor, lap view) from a simulated race, then the
# driver selection, heat generation chooser and heats window of a championship
# race with its heat dialogs, standings and printed reports, and the other
# pages and dialogs, taken under Xvfb.
#
#   bash scripts/screenshots.sh [output folder, default shots/]
#   bash scripts/screenshots.sh --manual
#
# --manual renews the pictures of the manual: it takes them scaled down to the
# manual's width and puts every picture that resources/help/index.html shows
# into resources/help/img/ (and removes the ones it no longer shows), so the
# manual always shows the windows as they are. Commit the result.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KOBALAP_SCREENSHOT_BUILD:-$root/build}"
manual=""
if [ "${1:-}" = "--manual" ]; then
  manual="$root/resources/help"
  out="$(mktemp -d)"
  trap 'rm -rf "$out"' EXIT
else
  out="${1:-$root/shots}"
fi
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target race_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/race_screenshots" "$out" ${manual:+--manual}
if [ -n "$manual" ]; then
  mkdir -p "$manual/img"
  used="$(grep -o 'src="img/[^"]*"' "$manual/index.html" | sed 's/^src="img\///; s/"$//' | sort -u)"
  for picture in "$manual"/img/*.png; do
    [ -f "$picture" ] || continue
    grep -qxF "$(basename "$picture")" <<<"$used" || rm -v "$picture"
  done
  missing=0
  while IFS= read -r name; do
    [ -n "$name" ] || continue
    if [ -f "$out/$name" ]; then cp "$out/$name" "$manual/img/$name"; else echo "not taken: $name" >&2; missing=1; fi
  done <<<"$used"
  exit "$missing"
fi
# The first page of each printed report, as a club member sees it on paper.
for report in "$out"/15-*.pdf; do
  [ -f "$report" ] && pdftoppm -png -r 80 -f 1 -l 1 "$report" "${report%.pdf}"
done
