#!/bin/bash
# The surface test's reading loop over a 4 GiB loop device against dd iflag=direct bs=4M of the same
# device, in alternating rounds, each after sync and a drop of the page cache. The image holds random
# data, so both read the backing file from the disk. Needs root, losetup and about 4 GB in DIR.
#   bench/surface_scan_bench.sh BUILD_DIR [DIR]       (ROUNDS=n: rounds, 3 by default)
set -euo pipefail
BUILD=$(cd "${1:?usage: surface_scan_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/surface-scan-bench
SCAN=$BUILD/bench/volmara-bench-surface-scan
[ -x "$SCAN" ] || { echo "build volmara-bench-surface-scan first" >&2; exit 1; }
rm -rf "$DIR"; mkdir -p "$DIR"
LOOP=
cleanup() { [ -n "$LOOP" ] && losetup -d "$LOOP" 2>/dev/null || true; rm -rf "$DIR"; }
trap cleanup EXIT
head -c $((64 << 20)) /dev/urandom > "$DIR/chunk"
for i in $(seq 1 64); do cat "$DIR/chunk"; done > "$DIR/disk.img"; rm -f "$DIR/chunk"
LOOP=$(losetup --find --show "$DIR/disk.img")
BYTES=$(blockdev --getsize64 "$LOOP")
cold() { sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true; blockdev --flushbufs "$LOOP"; }
now() { date +%s.%N; }
sum_ours=0; sum_dd=0
for ((round = 1; round <= ${ROUNDS:-3}; round++)); do
  cold; s=$(now); out=$("$SCAN" "$LOOP"); ours=$(echo "$(now) - $s" | bc)
  cold; s=$(now); dd if="$LOOP" of=/dev/null bs=4M iflag=direct status=none; dd=$(echo "$(now) - $s" | bc)
  printf 'round %d: surface scan %.2f s (%.0f MB/s), dd bs=4M iflag=direct %.2f s (%.0f MB/s): throughput ratio %.2f\n' \
    $round "$ours" "$(echo "$BYTES / $ours / 1000000" | bc -l)" "$dd" "$(echo "$BYTES / $dd / 1000000" | bc -l)" \
    "$(echo "$dd / $ours" | bc -l)"
  echo "  $out"
  sum_ours=$(echo "$sum_ours + $ours" | bc -l); sum_dd=$(echo "$sum_dd + $dd" | bc -l)
done
printf 'surface scan of a 4 GiB loop device: all rounds: throughput %.2f x dd\n' "$(echo "$sum_dd / $sum_ours" | bc -l)"
