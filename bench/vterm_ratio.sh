#!/bin/sh
# Instructions per byte of the decoder and of libvterm on the same streams,
# counted by callgrind in one run of bench_vterm, and their ratio.
# usage: vterm_ratio.sh BUILD/bin/bench_vterm
set -eu
program=${1:?usage: vterm_ratio.sh PATH/TO/bench_vterm}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Counting starts switched off: only what lies between the program's
# toggles is counted, and every dump holds one feed.
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out/cg.out" \
    "$program" >"$out/sizes" 2>"$out/log" || { cat "$out/log" >&2; exit 1; }
for f in "$out"/cg.out.*; do
    label=$(sed -n 's/^desc: Trigger: Client Request: //p' "$f")
    total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$f")
    if [ -n "$label" ]; then echo "count $label ${total:-0}"; fi
done >"$out/counts"
awk '
    $1 == "bytes" { bytes[$2] = $3; order[++n] = $2 }
    $1 == "count" { count[$2, $3] = $4 }
    END {
        printf "%-8s %10s %10s %7s\n", "stream", "decoder", "libvterm", "ratio"
        printf "%-8s %10s %10s %7s\n", "", "Ir/byte", "Ir/byte", ""
        for (i = 1; i <= n; ++i) {
            s = order[i]
            if (!((("decoder", s) in count) && (("libvterm", s) in count)) || bytes[s] == 0) {
                print "no count for " s > "/dev/stderr"; bad = 1; continue
            }
            d = count["decoder", s] / bytes[s]; v = count["libvterm", s] / bytes[s]
            printf "%-8s %10.1f %10.1f %6.2fx\n", s, d, v, v / d
        }
        exit bad
    }' "$out/sizes" "$out/counts"
