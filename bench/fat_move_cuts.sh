#!/bin/bash
# What a power cut leaves during an overlapping FAT move (no promise is made for these): a FAT16 volume
# full of files is moved up by 4,097 sectors over itself through volmara-cli with every write after the
# N-th failing (VOLMARA_FAULTS=0:w-after:N), for N spread over the run; after each cut the old and the
# new extent are judged by fsck.fat and the files compared.
#   bench/fat_move_cuts.sh BUILD_DIR [CUTS]
set -uo pipefail
BUILD=$(cd "${1:?usage: fat_move_cuts.sh BUILD_DIR [CUTS]}" && pwd)
CUTS=${2:-20}
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
export MTOOLS_SKIP_CHECK=1 VOLMARA_STATE_DIR=$DIR/state LC_ALL=C
START=2048 SIZE=100000 TO=$((2048 + 4097))
mkdir -p "$DIR/src/a/b"
for i in $(seq 1 200); do head -c $((i * 1531)) /dev/urandom > "$DIR/src/a/file$i.bin"; done
for i in $(seq 1 50); do head -c $((i * 4096)) /dev/urandom > "$DIR/src/a/b/x$i.bin"; done
truncate -s 128M "$DIR/base.img"
printf 'label: dos\nunit: sectors\nstart=%s, size=%s, type=6\n' $START $SIZE | sfdisk -q "$DIR/base.img"
mkfs.fat -F 16 -s 4 --offset $START "$DIR/base.img" $((SIZE / 2)) >/dev/null
mcopy -s -i "$DIR/base.img@@$((START * 512))" "$DIR/src/a" ::/
(cd "$DIR/src" && find . -type f -exec md5sum {} + | sort -k2) > "$DIR/sums"
line="ResizePartition DiskIndex:0 PartitionIndex:1 NewStartingLba:$TO NewPartitionSize:$SIZE SafeMode:1"

judge() { # judge IMAGE START: "clean/broken, files same/differ"
  dd if="$1" of="$DIR/v.img" bs=512 skip=$2 count=$SIZE status=none
  local f=broken; timeout 20 fsck.fat -n "$DIR/v.img" >/dev/null 2>&1 && f=clean
  rm -rf "$DIR/out"; mkdir "$DIR/out"; timeout 20 mcopy -s -n -i "$DIR/v.img" "::/a" "$DIR/out/" >/dev/null 2>&1
  local s=differ; (cd "$DIR/out" && find . -type f -exec md5sum {} + | sort -k2) | cmp -s - "$DIR/sums" && s=same
  echo "$f, files $s"
}

# The number of writes of a whole run.
cp "$DIR/base.img" "$DIR/w.img"
strace -f -e trace=pwrite64 -o "$DIR/trace" "$BUILD/cli/volmara-cli" --disk "$DIR/w.img" run "$line" >/dev/null
TOTAL=$(grep -c "pwrite64(" "$DIR/trace")
echo "whole run: $TOTAL writes; new volume $(judge "$DIR/w.img" $TO)"
for ((k = 0; k < CUTS; k++)); do
  n=$((TOTAL * k / CUTS))
  cp "$DIR/base.img" "$DIR/w.img"
  VOLMARA_FAULTS="0:w-after:$n" "$BUILD/cli/volmara-cli" --disk "$DIR/w.img" run "$line" >/dev/null 2>&1
  echo "cut after $n writes: old extent $(judge "$DIR/w.img" $START); new extent $(judge "$DIR/w.img" $TO)"
done
