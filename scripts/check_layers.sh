#!/usr/bin/env bash
# Fails when a file below the main window's folder reaches up into it: only
# the heats and results windows may include the program's shared state
# (app/AppContext.h, app/AppWindows.h), and only from their .cpp files.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root/src"
bad=$(grep -rnE '#include "app/' common data hardware heats results spectator timing voice widgets |
      grep -vE '^(heats|results)/[^:]*\.cpp:[0-9]+:#include "app/(AppContext|AppWindows)\.h"' || true)
if [ -n "$bad" ]; then
  echo "Includes from src/app where none belongs:"
  echo "$bad"
  exit 1
fi
echo "No file below src/app includes it beyond AppContext.h and AppWindows.h."
