#!/usr/bin/env bash
# 同步书目 against reading the same contents page. A generated site of CHAPTERS (5,000 unless set) GBK
# chapters served by `quiveral-cli serve` is renewed into a library; then its contents page changes:
# 50 chapters gone, 50 retitled, 50 new ones spread through the list. In the same run, ROUNDS times
# (5 unless set, the order of the two sides swapped every round):
#   (a) `quiveral-cli sync NOVELID --yes --no-download` on a fresh copy of the renewed library, and
#   (b) `quiveral-cli toc URL --novel NOVELID` of the same page (fetch and read the list only).
# Prints the fastest time of each side, the ratio a/b fastest against fastest and the median of the
# rounds' own ratios (target <= 2), and checks that a sync leaves the site's list in the library.
#
#   bench/sync.sh [path/to/quiveral-cli]
#
# Measure with the release build:
#   flock /tmp/quiveral-build.lock cmake --build build/release --target quiveral-cli
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/release/src/quiveral-cli}")"
chapters="${CHAPTERS:-5000}"
rounds="${ROUNDS:-5}"
work="$(mktemp -d)"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Two versions of the contents page (index.html before, changed.html after) and small chapter pages.
site="$work/site"
python3 - "$site" "$chapters" <<'EOF'
import os, random, sys
site, count = sys.argv[1], int(sys.argv[2])
book = os.path.join(site, "book")
os.makedirs(book)
rnd = random.Random(5000)
words = "山河风雨夜色灯火少年剑客城门渡口竹林客栈酒肆钟楼密信月光追踪暗巷真相归途江湖故人离别重逢"
def name():
    return "".join(rnd.choice(words) for _ in range(4))
chapters = [(i, "第%d章 %s" % (i, name())) for i in range(1, count + 1)]
def write(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("gbk"))
def toc(entries, file):
    rows = []
    for n, (i, title) in enumerate(entries):
        if n % 500 == 0:
            rows.append('<h3 class="volume">第%d卷</h3>' % (n // 500 + 1))
        rows.append('<li><a href="%d.html">%s</a></li>' % (i, title))
    write(os.path.join(book, file), '<html><head><title>基准小说</title></head><body><div id="chapterlist">'
          '<ul>\r\n%s\r\n</ul></div><!--chapterlist--></body></html>' % "\r\n".join(rows))
for i, title in chapters:
    write(os.path.join(book, "%d.html" % i), '<html><body><div id="content">%s的正文。'
          '</div><!--content--></body></html>' % title)
toc(chapters, "index.html")
# Every 100th chapter goes, the next one is retitled, and a new one follows the one after.
changed = []
for n, (i, title) in enumerate(chapters):
    if n % 100 == 10:
        continue
    if n % 100 == 11:
        title += "（修订）"
    changed.append((i, title))
    if n % 100 == 12:
        j = count + n // 100 + 1
        changed.append((j, "第%d章 %s" % (j, name())))
        write(os.path.join(book, "%d.html" % j), '<html><body><div id="content">新的正文。'
              '</div><!--content--></body></html>')
toc(changed, "changed.html")
EOF

"$cli" serve "$site" --quiet >"$work/serve.out" 2>"$work/serve.err" &
server_pid=$!
for _ in $(seq 100); do
    [ -s "$work/serve.out" ] && break
    sleep 0.1
done
base="$(head -n1 "$work/serve.out")"
[ -n "$base" ] || { echo "the site did not start" >&2; exit 1; }
host="${base#*://}"

# The renewed library, copied for every sync round.
lib="$work/library"
"$cli" --library "$lib" init >/dev/null
sed -i "s|http://127\.0\.0\.1:18808/|http://$host|" "$lib/sitesign.xml"
"$cli" --library "$lib" settings set Main MultGetNums 5 >/dev/null
novel="$("$cli" --library "$lib" add --url "${base}book/index.html" --name 基准小说)"
"$cli" --library "$lib" renew "$novel" 2>"$work/renew.err" || { tail -n 5 "$work/renew.err" >&2; exit 1; }
stored=$("$cli" --library "$lib" chapters "$novel" | wc -l)
[ "$stored" -eq "$chapters" ] || { echo "only $stored of $chapters chapters stored" >&2; exit 1; }
# From now on the novel's contents page is the changed one.
cp "$site/book/changed.html" "$site/book/index.html"

seconds() {
    local start
    start=$(date +%s.%N)
    "$@" >/dev/null 2>"$work/last.err" || { tail -n 5 "$work/last.err" >&2; exit 1; }
    echo "$(date +%s.%N) - $start" | bc -l
}
sync_round() {
    rm -rf "$work/copy"
    cp -a "$lib" "$work/copy"
    seconds "$cli" --library "$work/copy" sync "$novel" --yes --no-download
}
toc_round() {
    seconds "$cli" --library "$lib" toc "${base}book/index.html" --novel "$novel"
}

toc_round >/dev/null # warm the page cache and the server
sync_s=""
toc_s=""
ratios=()
for r in $(seq "$rounds"); do
    if [ $((r % 2)) -eq 1 ]; then
        t=$(toc_round)
        s=$(sync_round)
    else
        s=$(sync_round)
        t=$(toc_round)
    fi
    ratios+=("$(echo "$s / $t" | bc -l)")
    if [ -z "$sync_s" ] || [ "$(echo "$s < $sync_s" | bc -l)" -eq 1 ]; then sync_s=$s; fi
    if [ -z "$toc_s" ] || [ "$(echo "$t < $toc_s" | bc -l)" -eq 1 ]; then toc_s=$t; fi
done
median_ratio=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{ v[NR] = $1 } END {
    print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')

# The last copy holds what a sync left: the site's titles in the site's order, and nothing more to do.
"$cli" --library "$work/copy" toc "${base}book/index.html" --novel "$novel" | cut -f3 >"$work/site.titles"
"$cli" --library "$work/copy" chapters "$novel" | cut -f4 >"$work/stored.titles"
if ! "$cli" --library "$work/copy" sync "$novel" --dry-run 2>/dev/null | grep -q '删除0章，改名0章，重新排序0章，新增0章'; then
    echo "a second sync still has something to do" >&2
    exit 1
fi

printf 'chapters:                 %d stored; the site lost %d, retitled %d, added %d; %d rounds\n' \
    "$chapters" $((chapters / 100)) $((chapters / 100)) $((chapters / 100)) "$rounds"
printf 'toc of the page:          %.3f s (fastest)\n' "$toc_s"
printf 'sync --yes --no-download: %.3f s (fastest)\n' "$sync_s"
printf 'ratio sync/toc:           %.2f fastest against fastest, %.2f median of the rounds (target <= 2)\n' \
    "$(echo "$sync_s / $toc_s" | bc -l)" "$median_ratio"
printf 'ratios of the rounds:     %s\n' "$(printf '%.2f ' "${ratios[@]}")"
if cmp -s "$work/site.titles" "$work/stored.titles"; then
    echo "after the sync:           the library lists the site's chapters in the site's order"
else
    echo "after the sync:           the library differs from the site's list:" >&2
    diff "$work/site.titles" "$work/stored.titles" | head -n 10 >&2
    exit 1
fi
