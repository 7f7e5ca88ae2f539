#!/usr/bin/env bash
# Installs Kobalap as a package would (prefix /usr, into a scratch DESTDIR),
# starts the installed copy as the desktop entry does in a fresh home, then
# builds the Debian package and checks it. Exits 77 (skipped), saying why,
# where a tool it needs is missing.
#   tst_install.sh <build folder>
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

for tool in cmake cpack desktop-file-validate dpkg-deb dpkg-shlibdeps fakeroot file lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# --- the installed copy
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$scratch/root/usr"
for file in bin/kobalap share/kobalap/logo.jpg share/kobalap/help/index.html share/applications/kobalap.desktop \
            share/doc/kobalap/copyright; do
  [ -f "$usr/$file" ] || fail "not installed: /usr/$file"
done
for size in 16 32 48 64 128 256; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/kobalap.png" | grep -q "PNG image data, $size x $size" ||
    fail "no ${size}x${size} icon"
done
for sound in "$source_dir"/resources/sound/*.wav; do
  cmp -s "$sound" "$usr/share/kobalap/sound/$(basename "$sound")" || fail "sound not installed: $(basename "$sound")"
done
desktop-file-validate "$usr/share/applications/kobalap.desktop" || fail "desktop entry not valid"

"$usr/bin/kobalap" --version | grep -q '^Kobalap [0-9]' || fail "--version"
"$usr/bin/kobalap" --help | grep -q -- '--data-folder' || fail "--help does not list --data-folder"

# Started the way the desktop entry starts it, in a home without a data
# folder: the folder is made and the default sounds copied in. On a first
# start the missing settings are reported in a message box; a SIGTERM closes
# it and ends the run the program's own way, after the database was made.
home="$scratch/home"
mkdir -p "$home" "$scratch/started-in"
read -ra exec_line <<<"$(sed -n 's/^Exec=//p' "$usr/share/applications/kobalap.desktop")"
(cd "$scratch/started-in" && exec env HOME="$home" XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=offscreen \
   "$usr/bin/${exec_line[0]}" "${exec_line[@]:1}" --simulate) >"$scratch/run.log" 2>&1 &
program=$!
data="$home/.local/share/KOBA"
sounds=$(ls "$source_dir"/resources/sound/*.wav | wc -l)
for _ in $(seq 300); do
  [ "$(ls "$data/sound" 2>/dev/null | wc -l)" -eq "$sounds" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$program" 2>/dev/null || true
for _ in $(seq 300); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
! kill -KILL "$program" 2>/dev/null || fail "still running 30 s after SIGTERM"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || { cat "$scratch/run.log"; fail "the run ended with status $status"; }
[ -f "$data/data/KWLManager.sqlite" ] || fail "no database in $data"
for sound in "$usr"/share/kobalap/sound/*.wav; do
  cmp -s "$sound" "$data/sound/$(basename "$sound")" || fail "sound not copied: $(basename "$sound")"
done
[ -z "$(ls -A "$scratch/started-in")" ] || fail "files written to the folder it was started in"

# --- the package
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$(ls "$scratch"/package/kobalap_*.deb)"
dpkg --contents "$deb" | awk '{print $6}' >"$scratch/contents"
for file in ./usr/bin/kobalap ./usr/share/kobalap/logo.jpg ./usr/share/kobalap/sound/Lap.wav \
            ./usr/share/kobalap/help/index.html ./usr/share/applications/kobalap.desktop \
            ./usr/share/icons/hicolor/48x48/apps/kobalap.png ./usr/share/doc/kobalap/changelog.gz; do
  grep -qx -- "$file" "$scratch/contents" || fail "not in the package: $file"
done
! grep -v '^\./usr/' "$scratch/contents" | grep -v '^\./$' || fail "the package puts files outside /usr"
# Found by dpkg-shlibdeps, not written down.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "dependencies not found: $(dpkg-deb -f "$deb" Depends)"
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || true
cat "$scratch/lintian.log"
! grep -q '^E:' "$scratch/lintian.log" || fail "lintian reports errors"
echo "PASS"
