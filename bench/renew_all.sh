#!/usr/bin/env bash
# 全部更新 of a whole library against plain fetching. Ten loopback sites (`quiveral-cli serve`, one port
# each), twenty novels of 30 GBK chapters on each; every contents page answers after TOC_DELAY_MS
# (100 unless set), as a real site's slowest page does. MultGetNums 5. In the same run:
#   (a) nothing new: 100 novels (ten of each site) renewed a second time, against
#       `curl --parallel --parallel-max 5` fetching the same 100 contents pages;
#   (b) a first run of all 200 novels × 30 chapters, against curl fetching all their pages
#       (contents pages and chapters, in the library's order) the same way.
# Prints the fastest time of each side over ROUNDS rounds (5 unless set; the order of the two sides
# swapped every round), the ratio fastest against fastest and the median of the rounds' own ratios
# (target <= 1.5 for both).
#
#   bench/renew_all.sh [path/to/quiveral-cli]
#
# Measure with the release build:
#   flock /tmp/quiveral-build.lock cmake --build build/release --target quiveral-cli
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/release/src/quiveral-cli}")"
sites=10
per_site=20     # novels of each site; (a) takes the first half of them
chapters=30     # per novel
delay="${TOC_DELAY_MS:-100}"
rounds="${ROUNDS:-5}"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

python3 - "$work" "$sites" "$per_site" "$chapters" "$delay" <<'EOF'
import os, random, sys
work, sites, per_site, chapters, delay = sys.argv[1], *map(int, sys.argv[2:6])
rnd = random.Random(24)
words = "山河风雨夜色灯火少年剑客城门渡口竹林客栈酒肆钟楼密信月光追踪暗巷真相归途江湖故人离别重逢"
for s in range(sites):
    root = os.path.join(work, "site%d" % s)
    os.makedirs(root)
    with open(os.path.join(root, "localsite.rules"), "w") as f:
        f.write("[/*/index.html]\ndelay: %d\n" % delay)
    for n in range(per_site):
        book = os.path.join(root, "n%d" % n)
        os.makedirs(book)
        rows = []
        for i in range(1, chapters + 1):
            rows.append('<li><a href="%d.html">第%d章 %s</a></li>' % (i, i, "".join(rnd.choice(words) for _ in range(4))))
            paras = ["&nbsp;&nbsp;&nbsp;&nbsp;" + "".join(rnd.choice(words) for _ in range(rnd.randint(60, 200))) + "。"
                     for _ in range(12)]
            page = ('<html><head><title>第%d章</title></head><body><a href="index.html">目录</a>'
                    '<div id="content">%s</div><!--content--></body></html>') % (i, "<br /><br />\r\n".join(paras))
            with open(os.path.join(book, "%d.html" % i), "wb") as f:
                f.write(page.encode("gbk"))
        toc = ('<html><head><title>书%d-%d</title></head><body><div id="list"><ul>\r\n%s\r\n</ul></div>'
               '<!--list--></body></html>') % (s, n, "\r\n".join(rows))
        with open(os.path.join(book, "index.html"), "wb") as f:
            f.write(toc.encode("gbk"))
EOF

bases=()
for s in $(seq 0 $((sites - 1))); do
    "$cli" serve "$work/site$s" --quiet >"$work/serve$s.out" 2>"$work/serve$s.err" &
    pids+=($!)
done
for s in $(seq 0 $((sites - 1))); do
    for _ in $(seq 100); do
        [ -s "$work/serve$s.out" ] && break
        sleep 0.1
    done
    base="$(head -n1 "$work/serve$s.out")"
    [ -n "$base" ] || { echo "site $s did not start" >&2; exit 1; }
    bases+=("$base")
done

# A novel list (.lst) of the first `count` novels of each site, in the library's order: site by site.
write_list() {
    local count="$1" file="$2"
    {
        echo '<?xml version="1.0" encoding="gb2312"?>'
        echo '<MESSAGE>'
        local order=0
        for s in $(seq 0 $((sites - 1))); do
            for n in $(seq 0 $((count - 1))); do
                order=$((order + 1))
                printf '<book_Novel><NovelName>book%d-%d</NovelName><bIsEnd>0</bIsEnd><ListUrl>%sn%d/index.html</ListUrl>' \
                    "$s" "$n" "${bases[$s]}" "$n"
                printf '<ListStart>&lt;div id="list"&gt;</ListStart><ListEnd>&lt;/div&gt;&lt;!--list--&gt;</ListEnd>'
                printf '<ContentStart>&lt;div id="content"&gt;</ContentStart><ContentEnd>&lt;/div&gt;&lt;!--content--&gt;</ContentEnd>'
                printf '<Displayorder>%d</Displayorder></book_Novel>\r\n' "$order"
            done
        done
        echo '</MESSAGE>'
    } >"$file"
}
write_list $((per_site / 2)) "$work/half.lst"
write_list "$per_site" "$work/all.lst"

# The addresses curl fetches, in the same order.
curl_list() {
    local count="$1" with_chapters="$2" file="$3"
    : >"$file"
    for s in $(seq 0 $((sites - 1))); do
        for n in $(seq 0 $((count - 1))); do
            printf 'url = "%sn%d/index.html"\noutput = "%d-%d-index.html"\n' "${bases[$s]}" "$n" "$s" "$n" >>"$file"
            if [ "$with_chapters" = 1 ]; then
                for i in $(seq "$chapters"); do
                    printf 'url = "%sn%d/%d.html"\noutput = "%d-%d-%d.html"\n' "${bases[$s]}" "$n" "$i" "$s" "$n" "$i"
                done >>"$file"
            fi
        done
    done
}
curl_list $((per_site / 2)) 0 "$work/contents.conf"
curl_list "$per_site" 1 "$work/everything.conf"

new_library() {
    local lib="$1" list="$2"
    "$cli" --library "$lib" init >/dev/null
    "$cli" --library "$lib" settings set Main MultGetNums 5 >/dev/null
    "$cli" --library "$lib" lst import "$list" >/dev/null
}

# Seconds the command took, on stdout.
seconds() {
    local start
    start=$(date +%s.%N)
    "$@" >/dev/null 2>"$work/last.err" || { tail -n 5 "$work/last.err" >&2; exit 1; }
    echo "$(date +%s.%N) - $start" | bc -l
}
curl_into() {
    mkdir -p "$1"
    (cd "$1" && curl --silent --no-progress-meter --fail --parallel --parallel-max 5 --config "$2")
}
stored_chapters() {
    python3 -c 'import sqlite3, sys
print(sqlite3.connect(sys.argv[1]).execute("SELECT count(*) FROM book_novelcontent WHERE WordNums > 0").fetchone()[0])' "$1/pim.db"
}

# (a) is renewed once beforehand: its timed runs find nothing new.
new_library "$work/lib-a" "$work/half.lst"
"$cli" --library "$work/lib-a" renew --all 2>/dev/null
curl_into "$work/curl-warm" "$work/everything.conf" # the server's and the page cache warm

# Both sides of one comparison, the first of them swapped every round, as a busy machine slows
# whatever runs at the time; prints "curl renewal" seconds.
both_sides() {
    local r="$1" conf="$2" lib="$3" c t
    if [ $((r % 2)) -eq 1 ]; then
        c=$(seconds curl_into "$work/curl-$r-$(basename "$conf")" "$conf")
        t=$(seconds "$cli" --library "$lib" renew --all)
    else
        t=$(seconds "$cli" --library "$lib" renew --all)
        c=$(seconds curl_into "$work/curl-$r-$(basename "$conf")" "$conf")
    fi
    echo "$c $t"
}

a_curl=() a_renew=() b_curl=() b_renew=() a_ratios=() b_ratios=()
for r in $(seq "$rounds"); do
    new_library "$work/lib-b$r" "$work/all.lst"
    sides=$(both_sides "$r" "$work/contents.conf" "$work/lib-a")
    read -r c t <<<"$sides"
    a_curl+=("$c") a_renew+=("$t") a_ratios+=("$(echo "$t / $c" | bc -l)")
    sides=$(both_sides "$r" "$work/everything.conf" "$work/lib-b$r")
    read -r c t <<<"$sides"
    b_curl+=("$c") b_renew+=("$t") b_ratios+=("$(echo "$t / $c" | bc -l)")
    got=$(stored_chapters "$work/lib-b$r")
    [ "$got" -eq $((sites * per_site * chapters)) ] || { echo "round $r stored $got chapters" >&2; exit 1; }
    rm -rf "$work/lib-b$r" "$work/curl-$r-everything.conf"
done

fastest() { printf '%s\n' "$@" | sort -g | head -n1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
report() {
    local name="$1" what="$2" curl_s renew_s
    shift 2
    local -n curls="$1" renews="$2" ratios="$3"
    curl_s=$(fastest "${curls[@]}")
    renew_s=$(fastest "${renews[@]}")
    printf -- '-- %s\n' "$name"
    printf 'curl --parallel-max 5:    %.2f s (fastest; %s)\n' "$curl_s" "$what"
    printf 'quiveral-cli renew --all: %.2f s (fastest)\n' "$renew_s"
    printf 'ratio renew/curl:         %.2f fastest against fastest, %.2f median of the rounds (target <= 1.5)\n' \
        "$(echo "$renew_s / $curl_s" | bc -l)" "$(median "${ratios[@]}")"
    printf 'ratios of the rounds:     %s\n' "$(printf '%.2f ' "${ratios[@]}")"
}
printf '%d sites, contents pages after %d ms, MultGetNums 5, %d rounds\n' "$sites" "$delay" "$rounds"
report "(a) second run of $((sites * per_site / 2)) novels, nothing new" "the same contents pages" \
    a_curl a_renew a_ratios
report "(b) first run of $((sites * per_site)) novels x $chapters chapters" "every page" b_curl b_renew b_ratios
