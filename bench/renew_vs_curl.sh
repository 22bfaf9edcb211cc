#!/usr/bin/env bash
# Renewal speed against plain fetching: a generated site of 2,000 GBK chapters (about 8 KB of text
# each, one in twenty with a picture) served by `quiveral-cli serve`, over http and then over https
# (a certificate of the site's own CA, which both clients are told to trust); for each, in the same run
#   (a) `quiveral-cli renew` of the novel with MultGetNums 5, and
#   (b) `curl --parallel --parallel-max 5` fetching the same page and picture addresses into files.
# Prints both times (fastest of ROUNDS rounds, 7 unless set), the ratio a/b both fastest against
# fastest and as the median of the rounds' ratios (target <= 1.25), the CPU milliseconds
# per chapter of the renewal process and, when bench/bench_chapter was built beside it, of the
# processing alone. SCHEMES="http" (or "https") measures one of the two.
#
#   bench/renew_vs_curl.sh [path/to/quiveral-cli] [chapters]
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/dev/src/quiveral-cli}")"
chapters="${2:-2000}"
work="$(mktemp -d)"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

site="$work/site"
python3 - "$site" "$chapters" <<'EOF'
import os, random, struct, sys, zlib
site, count = sys.argv[1], int(sys.argv[2])
book = os.path.join(site, "book")
os.makedirs(os.path.join(book, "pic"))
rnd = random.Random(2000)
words = "山河风雨夜色灯火少年剑客城门渡口竹林客栈酒肆钟楼密信月光追踪暗巷真相归途江湖故人离别重逢"
def png(seed):
    w, h = 120, 90
    raw = b"".join(b"\0" + bytes((seed * 7 + x * 3 + y) % 256 for x in range(w * 3)) for y in range(h))
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
rows = []
for i in range(1, count + 1):
    if i == 1 or i == count // 2 + 1:
        rows.append('<h3 class="volume">第%d卷</h3>' % (1 if i == 1 else 2))
    rows.append('<li><a href="%d.html">第%d章 %s</a></li>' % (i, i, "".join(rnd.choice(words) for _ in range(4))))
    paras = []
    size = 0
    while size < 4000:  # characters: about 8 KB in GBK
        p = "".join(rnd.choice(words) for _ in range(rnd.randint(60, 200))) + "。"
        paras.append("&nbsp;&nbsp;&nbsp;&nbsp;" + p)
        size += len(p)
    if i % 20 == 0:
        paras.insert(len(paras) // 2, '<img src="pic/%d.png" alt="插图">' % i)
        with open(os.path.join(book, "pic", "%d.png" % i), "wb") as f:
            f.write(png(i))
    page = ('<html><head><title>第%d章</title></head><body><div class="nav"><a href="/">首页</a>'
            '<a href="index.html">目录</a></div><div id="content">%s<br />本章由演示小说站首发'
            '<script>ad();</script></div><!--content--><div class="nav"><a href="index.html">返回目录</a>'
            '</div></body></html>') % (i, "<br /><br />\r\n".join(paras))
    with open(os.path.join(book, "%d.html" % i), "wb") as f:
        f.write(page.encode("gbk"))
toc = ('<html><head><title>基准小说</title></head><body><div id="chapterlist"><ul>\r\n%s\r\n</ul></div>'
       '<!--chapterlist--></body></html>') % "\r\n".join(rows)
with open(os.path.join(book, "index.html"), "wb") as f:
    f.write(toc.encode("gbk"))
EOF

measure() {
local scheme="$1"
local serve_args=(--quiet)
[ "$scheme" = https ] && serve_args+=(--https --ca-out "$work/ca.pem")
rm -f "$work/serve.out"
"$cli" serve "$site" "${serve_args[@]}" >"$work/serve.out" 2>"$work/serve.err" &
server_pid=$!
for _ in $(seq 100); do
    [ -s "$work/serve.out" ] && break
    sleep 0.1
done
base="$(head -n1 "$work/serve.out")"
[ -n "$base" ] || { echo "the site did not start" >&2; exit 1; }
# Site signs are kept under the http address of a site, https sites too.
host="${base#*://}"
curl_tls=()
unset QUIVERAL_TEST_CA
if [ "$scheme" = https ]; then
    curl_tls=(--cacert "$work/ca.pem")
    export QUIVERAL_TEST_CA="$work/ca.pem"
fi

# (b) curl: the table of contents, every chapter page and every picture.
{
    echo "url = \"${base}book/index.html\""
    echo "output = \"index.html\""
    for i in $(seq "$chapters"); do
        echo "url = \"${base}book/$i.html\""
        echo "output = \"$i.html\""
        if [ $((i % 20)) -eq 0 ]; then
            echo "url = \"${base}book/pic/$i.png\""
            echo "output = \"$i.png\""
        fi
    done
} >"$work/curl.conf"
# Into a new folder each time, as the renewal writes new files; nothing is deleted while timing, as
# ext4 makes creating files right after deleting many of them slow.
fetch_with_curl() {
    mkdir -p "$work/$scheme-$1"
    (cd "$work/$scheme-$1" && curl --silent --no-progress-meter --fail "${curl_tls[@]}" --parallel --parallel-max 5 \
        --config "$work/curl.conf")
}
fetch_with_curl curl-warm # warm the page cache and the server

# (a) quiveral-cli renew with MultGetNums 5, pictures downloaded, in a fresh library each round.
renew_round() {
    local lib="$work/library-$scheme-$1"
    "$cli" --library "$lib" init >/dev/null
    sed -i "s|http://127\.0\.0\.1:18808/|http://$host|" "$lib/sitesign.xml"
    "$cli" --library "$lib" settings set Main MultGetNums 5 >/dev/null
    "$cli" --library "$lib" settings set Main bIsNovelPicDown 1 >/dev/null
    local novel
    novel="$("$cli" --library "$lib" add --url "${base}book/index.html" --name 基准小说)"
    local start
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$work/cpu-$1" "$cli" --library "$lib" renew "$novel" 2>"$work/renew.err" || {
        tail -n 5 "$work/renew.err" >&2
        exit 1
    }
    echo "$(date +%s.%N) - $start" | bc -l >"$work/renew-$1"
    local stored
    stored=$("$cli" --library "$lib" chapters "$novel" | awk -F'\t' '$6 > 0' | wc -l)
    [ "$stored" -eq "$chapters" ] || { echo "only $stored of $chapters chapters stored" >&2; exit 1; }
}

# Rounds side by side, the order swapped every round, as a busy machine slows whatever runs at the
# time. Two readings of the same rounds: the fastest of each (other work only slows a round) and the
# median of the rounds' own ratios (each pair ran at nearly the same time).
rounds="${ROUNDS:-7}"
curl_s=""
renew_s=""
cpu_ms=""
ratios=()
time_curl() {
    local start
    start=$(date +%s.%N)
    fetch_with_curl "curl-$1"
    echo "$(date +%s.%N) - $start" | bc -l
}
for r in $(seq "$rounds"); do
    if [ $((r % 2)) -eq 1 ]; then
        c=$(time_curl "$r")
        renew_round "$r"
    else
        renew_round "$r"
        c=$(time_curl "$r")
    fi
    t=$(cat "$work/renew-$r")
    m=$(awk '{ print ($1 + $2) * 1000 }' "$work/cpu-$r")
    ratios+=("$(echo "$t / $c" | bc -l)")
    if [ -z "$curl_s" ] || [ "$(echo "$c < $curl_s" | bc -l)" -eq 1 ]; then curl_s=$c; fi
    if [ -z "$renew_s" ] || [ "$(echo "$t < $renew_s" | bc -l)" -eq 1 ]; then renew_s=$t; cpu_ms=$m; fi
done
median_ratio=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{ v[NR] = $1 } END {
    print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')

printf '%s\n' "-- $scheme"
printf 'chapters:                 %d (%d pictures), %d rounds\n' "$chapters" $((chapters / 20)) "$rounds"
printf 'curl --parallel-max 5:    %.2f s (fastest)\n' "$curl_s"
printf 'quiveral-cli renew (5):   %.2f s (fastest)\n' "$renew_s"
printf 'ratio renew/curl:         %.2f fastest against fastest, %.2f median of the rounds (target <= 1.25)\n' \
    "$(echo "$renew_s / $curl_s" | bc -l)" "$median_ratio"
printf 'ratios of the rounds:     %s\n' "$(printf '%.2f ' "${ratios[@]}")"
printf 'renew CPU per chapter:    %.2f ms (user+system of the whole run: fetching, processing, storing)\n' \
    "$(echo "$cpu_ms / $chapters" | bc -l)"
kill "$server_pid" 2>/dev/null || true
wait "$server_pid" 2>/dev/null || true
server_pid=""
}

for scheme in ${SCHEMES:-http https}; do
    measure "$scheme"
done

# Processing alone (decode, cut, clean, compose and encode the page), when the benchmarks were built.
bench_chapter="$(dirname "$cli")/../bench/bench_chapter"
if [ -x "$bench_chapter" ]; then
    "$bench_chapter" --benchmark_format=csv 2>/dev/null | awk -F, '/chapterProcessing/ {
        gsub(/"/, "", $1); printf "processing alone:         %.2f ms CPU per chapter (%s)\n", $4 / 1000, $1 }'
fi
