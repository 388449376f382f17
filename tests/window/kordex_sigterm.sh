#!/bin/sh
# The real program ends cleanly on SIGTERM and saves the connection book.
# usage: kordex_sigterm.sh KORDEX DEMO_STREAM
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
XDG_CONFIG_HOME="$dir" HOME="$dir" QT_QPA_PLATFORM=offscreen "$1" --replay "$2" --rate 4000 &
pid=$!
sleep 0.5
# Start-up wrote the example book; only the close can write it again.
rm -f "$dir/Corvane/Kordex/Kordex.ini"
kill -TERM "$pid"
wait "$pid"
rc=$?
if [ "$rc" -ne 0 ]; then
    echo "kordex ended with $rc after SIGTERM"
    exit 1
fi
if [ ! -f "$dir/Corvane/Kordex/Kordex.ini" ]; then
    echo "no Kordex.ini saved under $dir"
    ls -R "$dir"
    exit 1
fi
echo "ok"
