#!/usr/bin/env bash
# Fails when a C++ source no longer follows .clang-format, naming the files.
# Fix with: git ls-files 'src/*.cpp' ... | xargs clang-format -i (the same list as below).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
if ! command -v clang-format >/dev/null; then
  echo "clang-format is not installed (scripts/install-deps.sh installs it); format not checked."
  exit 77
fi
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
                                  'bench/*.cpp' 'bench/*.h' 2>/dev/null || true)
if [ ${#files[@]} -eq 0 ]; then
  echo "No sources listed by git; format not checked."
  exit 77
fi
bad=()
for file in "${files[@]}"; do
  [ -f "$file" ] || continue
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    bad+=("$file")
  fi
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (run clang-format -i on them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "${#files[@]} sources follow .clang-format."
