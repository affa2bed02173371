#!/usr/bin/env bash
# Builds the fuzzers with clang (build-fuzz) and runs each one for a bounded
# time on its seeds: the hand-made ones in fuzz/corpus, the kept findings in
# fuzz/regressions and the files the game ships. A finding fails the run and
# its input is copied into fuzz/regressions/<target>/, where the replay test
# of the normal test suite picks it up.
#   ZOLTR_FUZZ_SECONDS  seconds per fuzzer (default 45; 0 skips fuzzing)
#   ZOLTR_FUZZ_TARGETS  which fuzzers (default "settings catalogue arena media packet replay")
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${ZOLTR_FUZZ_SECONDS:-45}
targets=${ZOLTR_FUZZ_TARGETS:-settings catalogue arena media packet replay}
[ "$seconds" -gt 0 ] || { echo "fuzz: skipped (ZOLTR_FUZZ_SECONDS=0)"; exit 0; }

build=$root/build-fuzz
# AddressSanitizer stays on here, also for the game's side of the media guard;
# for long media runs a build with -DZOLTR_FUZZ_ASAN=OFF forks its decoders a
# little cheaper.
CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOLTR_FUZZ_ASAN=ON >/dev/null
cmake --build "$build" -j2 --target $(printf '%s_fuzzer ' $targets)

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ZOLTR_GAME_DIR="$root/game"

# Arena seeds need frames of controls after the 4608 file bytes; shipped
# arenas borrow those of the hand-made room.
controls() { tail -c +4609 "$root/fuzz/corpus/arena/room"; }

seed_folder() {
  local target=$1 seeds=$2
  [ -d "$root/fuzz/corpus/$target" ] && cp "$root/fuzz/corpus/$target"/* "$seeds"/
  mkdir -p "$root/fuzz/regressions/$target"
  find "$root/fuzz/regressions/$target" -type f ! -name README.md -exec cp {} "$seeds"/ \;
  case $target in
    settings) [ -f game/settings.ini ] && cp game/settings.ini "$seeds/shipped-settings.ini" ;;
    catalogue) [ -f game/seznam.dat ] && cp game/seznam.dat "$seeds/shipped-seznam.dat" ;;
    arena)
      for map in game/maps/*; do
        [ -f "$map" ] || continue
        cp "$map" "$seeds/shipped-$(basename "$map")"
        { head -c 4608 "$map"; controls; } >"$seeds/shipped-$(basename "$map")-played"
      done ;;
    media)
      # The first byte picks the loader: 0 picture, 3 keyed picture, 1 sample, 2 music.
      for file in game/gfx/*; do
        [ -f "$file" ] || continue
        { printf '\000'; cat "$file"; } >"$seeds/picture-$(basename "$file")"
        { printf '\003'; cat "$file"; } >"$seeds/keyed-$(basename "$file")"
      done
      for file in game/sfx/*; do
        [ -f "$file" ] || continue
        { printf '\001'; head -c 65535 "$file"; } >"$seeds/sample-$(basename "$file")"
        { printf '\002'; head -c 65535 "$file"; } >"$seeds/music-$(basename "$file")"
      done ;;
  esac
  true
}

max_len() {
  case $1 in
    arena) echo $((4608 + 400)) ;;
    media) echo 65536 ;;
    *) echo 8192 ;;
  esac
}

failed=0
summary=""
for target in $targets; do
  seeds=$build/seeds/$target
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  log=$build/logs/$target.log
  rm -rf "$seeds" "$artifacts"
  mkdir -p "$seeds" "$corpus" "$artifacts" "$(dirname "$log")"
  seed_folder "$target" "$seeds"
  options=()
  [ -f "fuzz/dict/$target.dict" ] && options=(-dict="$root/fuzz/dict/$target.dict")
  # The media loaders decode in a child process, which inherits libFuzzer's
  # allocation check; a damaged picture asking the decoder for gigabytes there
  # is the guard's business, not a finding.
  # A slow decode is the guard's business too (it stops any after 2 CPU
  # seconds, 20 for a sound, 60 wall seconds at most), so slow units are not
  # findings, and one run may take up to that long on a busy machine.
  timeout=20
  if [ "$target" = media ]; then
    options+=(-malloc_limit_mb=1048576 -report_slow_units=1000)
    timeout=120
  fi

  echo "fuzz: $target for ${seconds}s"
  status=0
  "$build/${target}_fuzzer" "$corpus" "$seeds" "${options[@]}" \
    -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout="$timeout" -rss_limit_mb=2048 \
    -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?

  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  findings=$(find "$artifacts" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$findings" -gt 0 ]; then
    failed=1
    mkdir -p "fuzz/regressions/$target"
    find "$artifacts" -type f -exec cp {} "fuzz/regressions/$target/" \;
    echo "fuzz: $target FAILED (status $status); inputs kept in fuzz/regressions/$target/"
    grep -E 'hardening rule broken|ERROR|runtime error|SUMMARY|#[0-9]+ 0x' "$log" | head -40 || true
  fi
  summary+=$(printf '%-10s %10s executions  %s findings' "$target" "$runs" "$findings")$'\n'
done

printf '\nfuzz summary (%ss per target)\n%s' "$seconds" "$summary"
exit $failed
