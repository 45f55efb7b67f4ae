#!/bin/bash
# Partition recovery's full scan of a 4 GiB image whose partition table was wiped, against testdisk's
# search of the same image (its scripted "analyze,search", which runs its quick and its deeper search
# in one go) and against dd reading the same bytes. The image holds random bytes with FAT32, NTFS,
# FAT16, Ext3 and Ext2 volumes (the last three logical) made by their own tools; every run starts after
# sync and a drop of the page cache. Prints every tool's finds and the times.
# Needs root, losetup, mkfs.fat, mkntfs, mke2fs, sfdisk, testdisk and about 4.3 GB in DIR.
#   bench/recovery_scan_bench.sh BUILD_DIR [DIR]       (ROUNDS=n: rounds, 2 by default)
set -euo pipefail
BUILD=$(cd "${1:?usage: recovery_scan_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/recovery-scan-bench
SCAN=$BUILD/bench/volmara-bench-recovery-scan
[ -x "$SCAN" ] || { echo "build volmara-bench-recovery-scan first" >&2; exit 1; }
command -v testdisk >/dev/null || { echo "testdisk is not installed" >&2; exit 1; }
rm -rf "$DIR"; mkdir -p "$DIR"
LOOP=
cleanup() { [ -n "$LOOP" ] && losetup -d "$LOOP" 2>/dev/null || true; rm -rf "$DIR"; }
trap cleanup EXIT
IMG=$DIR/disk.img
head -c $((64 << 20)) /dev/urandom > "$DIR/chunk"
for i in $(seq 1 64); do cat "$DIR/chunk"; done > "$IMG"; rm -f "$DIR/chunk"
printf 'label: dos\n2048,1G,c,*\n,1G,7\n,,5\n,500M,6\n,1G,83\n,,83\n' | sfdisk -q "$IMG"
mk() { # START SECTORS mkfs...
  local start=$1 sectors=$2; shift 2
  LOOP=$(losetup --find --show -o $((start * 512)) --sizelimit $((sectors * 512)) "$IMG")
  "$@" "$LOOP" >/dev/null 2>&1; losetup -d "$LOOP"; LOOP=
}
mapfile -t parts < <(sfdisk --dump "$IMG" | sed -n 's/.*start= *\([0-9]*\), size= *\([0-9]*\), type=\([0-9a-f]*\).*/\1 \2 \3/p')
formats=("mkfs.fat -F 32 -n RFAT32" "mkntfs -Q -L RNTFS" "" "mkfs.fat -F 16 -n RFAT16" "mke2fs -q -t ext3 -L REXT3" "mke2fs -q -t ext2 -L REXT2")
ebrs=()
for i in "${!parts[@]}"; do
  read -r start size type <<<"${parts[$i]}"
  if [ "$type" = 5 ]; then continue; fi
  [ "$i" -ge 3 ] && ebrs+=($((start - 2048)))
  # shellcheck disable=SC2086
  mk "$start" "$size" ${formats[$i]}
  echo "made: start $start sectors $size (${formats[$i]})"
done
# Wipe the table: the boot record and every extended boot record.
for s in 0 "${ebrs[@]}"; do dd if=/dev/zero of="$IMG" bs=512 seek="$s" count=1 conv=notrunc status=none; done
sync
BYTES=$(stat -c %s "$IMG")
cold() { sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true; }
now() { date +%s.%N; }
sum_ours=0; sum_td=0; sum_dd=0
for ((round = 1; round <= ${ROUNDS:-2}; round++)); do
  cold; s=$(now); out=$("$SCAN" "$IMG" full); ours=$(echo "$(now) - $s" | bc)
  cold; s=$(now); (cd "$DIR" && rm -f testdisk.log && testdisk /log /cmd "$IMG" partition_i386,analyze,search >/dev/null 2>&1)
  td=$(echo "$(now) - $s" | bc)
  cold; s=$(now); dd if="$IMG" of=/dev/null bs=4M status=none; dd=$(echo "$(now) - $s" | bc)
  printf 'round %d: full scan %.2f s (%.0f MB/s), testdisk search %.2f s, dd bs=4M %.2f s (%.0f MB/s)\n' \
    $round "$ours" "$(echo "$BYTES / $ours / 1000000" | bc -l)" "$td" "$dd" "$(echo "$BYTES / $dd / 1000000" | bc -l)"
  if [ "$round" = 1 ]; then
    echo "$out" | sed 's/^/  volmara: /'
    grep -E '^ +(FAT|HPFS|Linux)' "$DIR/testdisk.log" | sed 's/^ */  testdisk: /' | sort | uniq -c
  fi
  sum_ours=$(echo "$sum_ours + $ours" | bc -l); sum_td=$(echo "$sum_td + $td" | bc -l); sum_dd=$(echo "$sum_dd + $dd" | bc -l)
done
printf 'full scan of a 4 GiB image, all rounds: %.2f x testdisk search time, %.2f x dd throughput\n' \
  "$(echo "$sum_ours / $sum_td" | bc -l)" "$(echo "$sum_dd / $sum_ours" | bc -l)"
