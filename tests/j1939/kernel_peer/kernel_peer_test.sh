#!/bin/sh
# The display's J1939 stack against the Linux kernel's J1939 stack, in a small QEMU guest
# (this machine's kernel has no CAN). Usage: kernel_peer_test.sh SOURCE_DIR BUILD_DIR NODE
# NODE is the statically linked j1939node. The guest's files are cached in BUILD_DIR.
set -u
src=$1
build=$2
node=$3
cache="$build/kernel-peer"
"$src/tools/kernel-peer/prepare" "$cache" || { echo "cannot prepare the guest"; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$src/tests/j1939/kernel_peer/guest_run" "$stage/run"
cp "$node" "$stage/j1939node"
log="$cache/last-run.log"
"$src/tools/kernel-peer/run" "$cache" "$stage" 180 > "$log" 2>&1
status=$?
tr -d '\r' < "$log" | grep -E '^(PASS|FAIL|--- )|^(rx|tx|claim|ready|dm1)' | cut -c1-150
passes=$(grep -c '^PASS' "$log")
fails=$(grep -c '^FAIL' "$log")
# Eleven checks in the guest script; fewer means it stopped early.
if [ "$status" -ne 0 ] || [ "$fails" -ne 0 ] || [ "$passes" -ne 11 ]; then
    echo "kernel peer: $passes passed, $fails failed, guest status $status (log: $log)"
    exit 1
fi
echo "kernel peer: all $passes checks passed"
