#!/usr/bin/env bash
# Searching a novel's chapters against ripgrep on the same pages. The 3,000-chapter GBK novel of
# bench_chm (bench/longnovel.h, written by bench_longnovel --make) is searched, warm, ROUNDS times
# (5 unless set, the order of the two sides swapped every round), for
#   a word in every chapter, a word in one chapter of a hundred, a word in none, and a regex:
#   (a) `quiveral-cli --library DIR find NOVELID WORD` (`--regex RE` for the regex), and
#   (b) `rg -E gbk -n -F WORD chm/NOVELID/` (`rg -E gbk -n -i -e RE` for the regex), all threads,
#   and (c) the same with `rg -j1`, one thread as the program searches.
# Prints the median time of each, the ratio a/b (target <= 2) and a/c, and checks that both find the
# same chapters.
#
#   bench/find_vs_rg.sh [path/to/quiveral-cli]
#
# Measure with the release build (bench_longnovel is built beside it there):
#   flock /tmp/quiveral-build.lock cmake --build build/release --target quiveral-cli bench_longnovel
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/release/src/quiveral-cli}")"
maker="$(dirname "$cli")/../bench/bench_longnovel"
rounds="${ROUNDS:-5}"
command -v rg >/dev/null || { echo "ripgrep is not installed (scripts/install-deps.sh)" >&2; exit 1; }
[ -x "$maker" ] || { echo "$maker is not built" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

lib="$work/library"
novel="$("$maker" --make "$lib")"
pages="$lib/chm/$novel"
chapters=$(find "$pages" -name '[0-9]*.htm' | wc -l)

# The words longnovel.h plants, and a regex over a sentence of every chapter.
names=(every rare none regex)
words=(萧炎 青铜罗盘 量子计算机 '河[东西]，莫欺少.穷')

# rg exits 1 when nothing matches; find exits 0 then.
seconds() {
    local start rc=0
    start=$(date +%s.%N)
    "$@" >"$work/last.out" 2>"$work/last.err" || rc=$?
    if [ $rc -ne 0 ] && ! { [ "$1" = rg ] && [ $rc -eq 1 ]; }; then
        tail -n 5 "$work/last.err" >&2
        exit 1
    fi
    echo "$(date +%s.%N) - $start" | bc -l
}
# The chapter pages only: find writes its result page, find.htm, beside them.
only_chapters=(-g '[0-9]*.htm')
ours() {
    if [ "$1" = regex ]; then
        seconds "$cli" --library "$lib" find "$novel" --regex "$2"
    else
        seconds "$cli" --library "$lib" find "$novel" "$2"
    fi
}
theirs() {
    local kind=$1 word=$2
    shift 2
    if [ "$kind" = regex ]; then
        seconds rg "$@" "${only_chapters[@]}" -E gbk -n -i -e "$word" "$pages/"
    else
        seconds rg "$@" "${only_chapters[@]}" -E gbk -n -F "$word" "$pages/"
    fi
}
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

printf 'chapters: %d GBK pages of about 3,000 characters; median of %d rounds, warm\n' "$chapters" "$rounds"
printf '%-7s %6s %6s %9s %9s %9s %7s %7s\n' search hits files find_s rg_s rg-j1_s find/rg find/j1
worst=0
for i in "${!names[@]}"; do
    kind=${names[$i]}
    word=${words[$i]}
    # Both must find the same chapters: the program prints a line per chapter (then its lines, indented).
    ours "$kind" "$word" >/dev/null
    hits=$(grep -c -v $'^\t' "$work/last.out" || true)
    if [ "$kind" = regex ]; then
        files=$(rg "${only_chapters[@]}" -E gbk -l -i -e "$word" "$pages/" | wc -l || true)
    else
        files=$(rg "${only_chapters[@]}" -E gbk -l -F "$word" "$pages/" | wc -l || true)
    fi
    if [ "$hits" -ne "$files" ]; then
        echo "$kind: find lists $hits chapters, rg $files files" >&2
        exit 1
    fi
    theirs "$kind" "$word" >/dev/null
    theirs "$kind" "$word" -j1 >/dev/null
    a=()
    b=()
    c=()
    for r in $(seq "$rounds"); do
        if [ $((r % 2)) -eq 1 ]; then
            a+=("$(ours "$kind" "$word")")
            b+=("$(theirs "$kind" "$word")")
            c+=("$(theirs "$kind" "$word" -j1)")
        else
            c+=("$(theirs "$kind" "$word" -j1)")
            b+=("$(theirs "$kind" "$word")")
            a+=("$(ours "$kind" "$word")")
        fi
    done
    ma=$(median "${a[@]}")
    mb=$(median "${b[@]}")
    mc=$(median "${c[@]}")
    ratio=$(echo "$ma / $mb" | bc -l)
    printf '%-7s %6d %6d %9.3f %9.3f %9.3f %7.2f %7.2f\n' "$kind" "$hits" "$files" "$ma" "$mb" "$mc" \
        "$ratio" "$(echo "$ma / $mc" | bc -l)"
    if [ "$(echo "$ratio > $worst" | bc -l)" -eq 1 ]; then worst=$ratio; fi
done
printf 'worst ratio find/rg: %.2f (target <= 2)\n' "$worst"
