#!/bin/bash
# What a power cut leaves during NTFS moves over the volume's own sectors (no promise is made for
# these): a filled NTFS volume is moved up by 3 sectors (rebuilt in place, then shifted as a whole)
# and by 4,096 sectors (whole clusters: the clusters outside the new extent move, the rest stay)
# through volmara-cli with every write after the N-th failing (VOLMARA_FAULTS=0:w-after:N), N spread
# over the run; after each cut the old and the new extent are judged by ntfsfix -n and their files
# compared through ntfs-3g.
#   bench/ntfs_move_cuts.sh BUILD_DIR [CUTS]
set -uo pipefail
BUILD=$(cd "${1:?usage: ntfs_move_cuts.sh BUILD_DIR [CUTS]}" && pwd)
CUTS=${2:-20}
DIR=$(mktemp -d)
LOOP=
cleanup() { umount "$DIR/mnt" 2>/dev/null; [ -n "$LOOP" ] && losetup -d "$LOOP" 2>/dev/null; rm -rf "$DIR"; }
trap cleanup EXIT
export VOLMARA_STATE_DIR=$DIR/state LC_ALL=C
START=2048 SIZE=204800
mkdir -p "$DIR/mnt"
truncate -s 160M "$DIR/base.img"
printf 'label: dos\nunit: sectors\nstart=%s, size=%s, type=7\n' $START $SIZE | sfdisk -q "$DIR/base.img"

attach() { LOOP=$(losetup -f --show -o $(($2 * 512)) --sizelimit $((SIZE * 512)) "$1"); }
detach() { losetup -d "$LOOP"; LOOP=; }
attach "$DIR/base.img" $START
mkntfs -F -Q -q -c 4096 -p $START -H 255 -S 63 "$LOOP" >/dev/null
ntfs-3g "$LOOP" "$DIR/mnt"
mkdir -p "$DIR/mnt/a/b"
for i in $(seq 1 300); do head -c $((i * 977)) /dev/urandom > "$DIR/mnt/a/file$i.bin"; done
for i in $(seq 1 60); do head -c $((i * 8192)) /dev/urandom > "$DIR/mnt/a/b/x$i.bin"; done
(cd "$DIR/mnt" && find . -type f -exec md5sum {} + | sort -k2) > "$DIR/sums"
umount "$DIR/mnt"; detach

judge() { # judge IMAGE START: "clean/broken, files same/differ"
  attach "$1" "$2"
  local f=broken s=differ
  timeout 60 ntfsfix -n "$LOOP" >/dev/null 2>&1 && f=clean
  if ntfs-3g -o ro "$LOOP" "$DIR/mnt" 2>/dev/null; then
    (cd "$DIR/mnt" && timeout 60 find . -type f -exec md5sum {} + 2>/dev/null | sort -k2) | cmp -s - "$DIR/sums" && s=same
    umount "$DIR/mnt"
  fi
  detach
  echo "$f, files $s"
}

for TO in $((START + 3)) $((START + 4096)); do
  line="ResizePartition DiskIndex:0 PartitionIndex:1 NewStartingLba:$TO NewPartitionSize:$SIZE SafeMode:0"
  truncate -s 0 "$DIR/w.img"; cp --sparse=always "$DIR/base.img" "$DIR/w.img"
  strace -f -e trace=pwrite64 -o "$DIR/trace" "$BUILD/cli/volmara-cli" --disk "$DIR/w.img" run "$line" >/dev/null
  TOTAL=$(grep -c "pwrite64(" "$DIR/trace")
  echo "move up by $((TO - START)) sectors, whole run: $TOTAL writes; new volume $(judge "$DIR/w.img" $TO)"
  for ((k = 0; k < CUTS; k++)); do
    n=$((TOTAL * k / CUTS))
    cp --sparse=always "$DIR/base.img" "$DIR/w.img"
    VOLMARA_FAULTS="0:w-after:$n" "$BUILD/cli/volmara-cli" --disk "$DIR/w.img" run "$line" >/dev/null 2>&1
    echo "  cut after $n writes: old extent $(judge "$DIR/w.img" $START); new extent $(judge "$DIR/w.img" $TO)"
  done
done
