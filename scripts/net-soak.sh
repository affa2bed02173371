#!/usr/bin/env bash
# The network soak: matches of two hard computers between two game
# processes through the link simulator on loopback, at 2 % loss and 10 ms
# jitter each way, for each round trip asked. Prints one table row per round
# trip: matches, desyncs, crashes, links lost (with the sides' words under
# the table), rollback depth p50/p99 (medians over the matches played to
# their end), input delay, CPU of a frame's corrections and step p99 (worst
# match), bytes a second each way (worst match) and the joiner's time from
# its process's start to its first frame (median). Needs a build without
# sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLTR_TESTS=OFF -DZOLTR_BENCH=OFF
#   cmake --build build-rel --target zoltr zoltr-netsim
#   scripts/net-soak.sh [MATCHES] [FRAMES] [ROUND TRIPS...]   (default 10 2000 0 60 150)
# Runs side by side take ports of their own: ZOLTR_SOAK_PORT=30000, 31000...
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ZOLTR_BUILD:-$root/build-rel}
matches=${1:-10}
frames=${2:-2000}
[ $# -ge 2 ] && shift 2 || set --
trips=("$@")
[ ${#trips[@]} -gt 0 ] || trips=(0 60 150)
work=$(mktemp -d /tmp/zoltr-net-soak-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

for side in host join; do
    mkdir -p "$work/$side"
    cp -r "$root/game/." "$work/$side/"
    sed -i -e 's/^Zoltr .*/Zoltr 1000/' -e 's/^Sounds .*/Sounds 0/' -e '/^Computer[12] /d' "$work/$side/settings.ini"
    printf 'Computer1 3\nComputer2 3\n' >>"$work/$side/settings.ini"
done

field() { sed -n "s/.*$1.*/\1/p"; }
median() { sort -n | awk '{a[NR]=$1} END {print NR ? a[int((NR+1)/2)] : "-"}'; }
highest() { sort -n | tail -1; }
report() { grep -h '^Network report: ' "$@"; }
# A side that ended by itself did so with 0 or 1 and said why; a signal or silence is a crash.
crashed() {  # pid, error file
    if kill -0 "$1" 2>/dev/null; then
        kill -KILL "$1" 2>/dev/null
        wait "$1" 2>/dev/null
        return 1
    fi
    wait "$1" 2>/dev/null
    local status=$?
    [ $status -gt 1 ] || ! grep -q '^Network' "$2"
}

printf '| round trip | matches | desyncs | crashes | links lost | rollback p50 | rollback p99 | input delay | frame CPU p99 | bytes/s out, in | first frame |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|\n'
port=${ZOLTR_SOAK_PORT:-$((30000 + $$ % 10000))}
for trip in "${trips[@]}"; do
    : >"$work/lines"
    : >"$work/first"
    : >"$work/words"
    desyncs=0 crashes=0 lost=0
    for ((m = 0; m < matches; m++)); do
        "$build/tools/zoltr-netsim" $((port + 1)) "$port" $((trip / 2)) 10 0.02 0 0.01 $((m + 1)) &
        relay=$!
        (cd "$work/host" && exec "$build/zoltr" --host "$port" --frames "$frames" 2>"$work/host.err") &
        host=$!
        sleep 0.2
        (cd "$work/join" && exec "$build/zoltr" --join "127.0.0.1:$((port + 1))" --frames "$frames" 2>"$work/join.err") &
        join=$!
        # The end scene waits for Escape: once both have said how the match
        # ended, they are stopped.
        for ((t = 0; t < 6000; t++)); do
            report "$work/host.err" >/dev/null && report "$work/join.err" >/dev/null && break
            kill -0 $host 2>/dev/null && kill -0 $join 2>/dev/null || sleep 2  # the other side has 2 s to notice
            kill -0 $host 2>/dev/null || kill -0 $join 2>/dev/null || break
            sleep 0.1
        done
        crashed $host "$work/host.err" && crashes=$((crashes + 1))
        crashed $join "$work/join.err" && crashes=$((crashes + 1))
        kill $relay 2>/dev/null
        wait $relay 2>/dev/null
        h=$(report "$work/host.err" | field 'state hash \([0-9a-f]*\), .*, ended')
        j=$(report "$work/join.err" | field 'state hash \([0-9a-f]*\), .*, ended')
        if grep -q 'no longer agree' "$work/host.err" "$work/join.err" || { [ -n "$h$j" ] && [ "$h" != "$j" ]; }; then
            desyncs=$((desyncs + 1))
        elif [ -z "$h" ]; then
            lost=$((lost + 1))
            printf 'match %d: host "%s", joiner "%s"\n' $((m + 1)) "$(grep -h '^Network: ' "$work/host.err")" \
                "$(grep -h '^Network: ' "$work/join.err")" >>"$work/words"
            report "$work/host.err" "$work/join.err" | sed 's/^/    /' >>"$work/words"
        else
            report "$work/host.err" "$work/join.err" >>"$work/lines"
            report "$work/join.err" | field 'first frame after \([0-9]*\) ms' >>"$work/first"
        fi
        port=$((port + 2))
    done
    p50=$(field 'rollback p50 \([0-9]*\)' <"$work/lines" | median)
    p99=$(field 'p99 \([0-9]*\) of' <"$work/lines" | median)
    delay=$(field 'input delay \([0-9]*\)' <"$work/lines" | sort -u | tr '\n' ' ')
    cpu=$(field 'p99 \([0-9]*\) us' <"$work/lines" | highest)
    out=$(field 'second \([0-9]*\) out' <"$work/lines" | highest)
    in=$(field 'out \([0-9]*\) in' <"$work/lines" | highest)
    first=$(median <"$work/first")
    printf '| %s ms | %s | %s | %s | %s | %s | %s | %s| %s us | %s, %s | %s ms |\n' "$trip" "$matches" "$desyncs" \
        "$crashes" "$lost" "$p50" "$p99" "$delay" "$cpu" "$out" "$in" "$first"
    sed 's/^/    /' "$work/words"
done
