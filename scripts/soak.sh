#!/usr/bin/env bash
# The full soak: a release build of the replay net's soak plays every shipped
# arena of game/maps in turn for 1,000,000 frames (or $1) with restless
# controls for both fighters, checks the match's rules after every frame, and
# prints frames, seconds, the peak world list and the peak memory.
#   scripts/soak.sh [frames] [--seed S]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-1000000}
seed=1
[ "${2:-}" = --seed ] && seed=$3
cmake -S . -B build-soak -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLTR_TESTS=ON >/dev/null
cmake --build build-soak --target replay_tests
ZOLTR_SOAK_FRAMES=$frames ZOLTR_SOAK_SEED=$seed SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
  build-soak/tests/replay_tests --gtest_filter=Replay.SoakKeepsTheMatchRules
