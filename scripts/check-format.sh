#!/usr/bin/env bash
# Fails, naming the lines, when a C++ file of src/, tests/, tools/, bench/ or
# fuzz/ is not laid out as .clang-format says. To lay them out:
#   scripts/check-format.sh --fix
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src tests tools bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run -Werror "${files[@]}"
fi
