#!/usr/bin/env bash
# Installs the Debian packages Kobalap needs to build, run and test. Quick when
# everything is already there; otherwise needs root (apt-get).
#   --screenshots  also the headless browser that scripts/spectator_page_shots.sh
#                  photographs the spectator page with (not needed to build or test)
set -euo pipefail

with_screenshots=0
for argument in "$@"; do
  case "$argument" in
    --screenshots) with_screenshots=1 ;;
    *) echo "Unknown argument: $argument (only --screenshots is known)" >&2; exit 2 ;;
  esac
done

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins libqt6sql6-sqlite libqt6multimedia6
  libjpeg62-turbo-dev libsqlite3-dev libbenchmark-dev
  xvfb xauth
  # The race screen is laid out for Arial: Liberation Sans has its metrics. The
  # tests also run under DejaVu Sans, a much wider font, to prove nothing is cut.
  fonts-liberation2 fonts-dejavu-core
  # The printed reports are tested by reading their PDF back as text.
  poppler-utils
  # The test that holds the manual to the program's windows and messages.
  python3
  # The USB lap-sensor board: the serial port, and its firmware built and run
  # in simulation by the tests.
  qt6-serialport-dev gcc-avr avr-libc simavr libsimavr-dev
  # Carrera's Bluetooth adapter for the Control Unit (Qt Bluetooth talks to
  # BlueZ, which a machine with an adapter has; without one the program says so).
  qt6-connectivity-dev libqt6bluetooth6
  # The lap chart of the lap view (Qt Charts needs the OpenGL module to be found
  # by CMake, which its package does not bring along).
  qt6-charts-dev libqt6opengl6-dev
  # The spectator page for phones on the club's network: its live feed is a
  # WebSocket (the HTTP side is small enough to serve from a plain TCP server).
  qt6-websockets-dev
  # The race announcements: Qt TextToSpeech with the flite engine, which
  # speaks offline. Qt's CMake files for TextToSpeech look for the QML
  # integration, which only the declarative package brings. The test that
  # hears the engine speak gives it a sound server of its own with a silent
  # output, so it needs no sound card.
  qt6-speech-dev qt6-speech-flite-plugin qt6-declarative-dev pulseaudio
  # The test command checks that the sources keep their format.
  clang-format
  # The tests install the program into a scratch folder and build its Debian
  # package: the desktop entry is validated, the package's dependencies found
  # by dpkg-shlibdeps and the package checked by lintian.
  desktop-file-utils dpkg-dev fakeroot file lintian
)
if [ "$with_screenshots" -eq 1 ]; then
  # Driven over its DevTools pipe by a small Python script. The page names
  # Liberation Sans first, so its pictures come out the same on every machine
  # (fonts-liberation2 is above already).
  packages+=(chromium python3)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Some packages are missing; run this as root (or with sudo) to install them." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
