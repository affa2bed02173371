#!/usr/bin/env bash
# Re-records the replay net (tests/replay/*.digest) from the game as it is now.
# Run it only for a change of behaviour that is meant, look at the diff, and
# say in the commit why the replays changed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zoltr_install "${ZOLTR_PACKAGES[@]}" "${ZOLTR_TEST_PACKAGES[@]}"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOLTR_SANITIZE=ON -DZOLTR_TESTS=ON >/dev/null
cmake --build build-test --target replay_tests
ZOLTR_RECORD_REPLAYS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" build-test/tests/replay_tests
git --no-pager diff --stat -- tests/replay
