#!/bin/bash
# Copy Disk without resize (the lines the window queues for "2. Copy partitions without resize.") of a
# 4 GiB disk about 40 % full, holding FAT32, NTFS and Ext3 volumes, against dd bs=4M of the whole disk,
# on identical images in the same run. Every run starts after sync and a drop of the page cache and ends
# with its image flushed; Volmara's copy is judged by the volumes' checkers. Needs root (the NTFS fill
# mounts through ntfs-3g), mkfs.fat, mtools, mkntfs, ntfs-3g, mke2fs and about 20 GB in DIR.
#   bench/copy_disk_bench.sh BUILD_DIR [DIR]       (ROUNDS=n: rounds, 3 by default)
set -euo pipefail
BUILD=$(cd "${1:?usage: copy_disk_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/copy-disk-bench
CLI=$BUILD/cli/volmara-cli
[ -x "$CLI" ] || { echo "build volmara-cli first" >&2; exit 1; }
export LC_ALL=C MTOOLS_SKIP_CHECK=1
rm -rf "$DIR"; mkdir -p "$DIR/src" "$DIR/mnt" "$DIR/tree"
trap 'umount "$DIR/mnt" 2>/dev/null || true' EXIT
MIB=2048
FAT=2048;        FATS=$((1536 * MIB))
NTFS=$((FAT + FATS));  NTFSS=$((1536 * MIB))
EXT=$((NTFS + NTFSS)); EXTS=$((8388608 - EXT - 2048))
DISK=$((4096 * MIB))
# 40 % of the disk in 8 MiB files of random data, spread over the three volumes.
for i in $(seq 1 8); do head -c $((8 << 20)) /dev/urandom > "$DIR/src/f$i.bin"; done
fill_tree() { # fill_tree DIR MIB
  local n=0; while [ $((n * 64)) -lt $2 ]; do mkdir -p "$1/d$n"; cp "$DIR"/src/*.bin "$1/d$n/"; n=$((n + 1)); done
}
echo "making the source disk"
truncate -s $((DISK * 512)) "$DIR/source.img"
printf 'label: dos\nunit: sectors\nstart=%d, size=%d, type=c, bootable\nstart=%d, size=%d, type=7\nstart=%d, size=%d, type=83\n' \
  $FAT $FATS $NTFS $NTFSS $EXT $EXTS | sfdisk -q "$DIR/source.img"
truncate -s $((FATS * 512)) "$DIR/fat.vol"; mkfs.fat -F 32 -h $FAT "$DIR/fat.vol" >/dev/null
fill_tree "$DIR/tree" 640; mcopy -s -i "$DIR/fat.vol" "$DIR/tree"/* ::/; rm -rf "$DIR/tree"/*
dd if="$DIR/fat.vol" of="$DIR/source.img" bs=4M oflag=seek_bytes seek=$((FAT * 512)) conv=notrunc,sparse status=none; rm -f "$DIR/fat.vol"
truncate -s $((NTFSS * 512)) "$DIR/ntfs.vol"; mkntfs -F -Q -q -c 4096 -p $NTFS "$DIR/ntfs.vol" 2>/dev/null
ntfs-3g "$DIR/ntfs.vol" "$DIR/mnt"; fill_tree "$DIR/mnt" 640; umount "$DIR/mnt"
dd if="$DIR/ntfs.vol" of="$DIR/source.img" bs=4M oflag=seek_bytes seek=$((NTFS * 512)) conv=notrunc,sparse status=none; rm -f "$DIR/ntfs.vol"
fill_tree "$DIR/tree" 384; truncate -s $((EXTS * 512)) "$DIR/ext.vol"; mke2fs -q -F -t ext3 -d "$DIR/tree" "$DIR/ext.vol"; rm -rf "$DIR/tree"
dd if="$DIR/ext.vol" of="$DIR/source.img" bs=4M oflag=seek_bytes seek=$((EXT * 512)) conv=notrunc,sparse status=none; rm -f "$DIR/ext.vol"

lines=()
part=1
for spec in "$FAT $FATS 12 1" "$NTFS $NTFSS 7 0" "$EXT $EXTS 131 0"; do
  set -- $spec
  lines+=("CopyPartition DiskIndex:0 PartitionIndex:$part DestDiskIndex:1 DestStartingLba:$1 DestPartitionSize:$2 DestPartitionIsPrimary:1")
  lines+=("CreatePartition DiskIndex:1 StartingOffset:$1 PartitionLength:$2 PartTypeId:$((0x80000000 | $3)) FsType:0 ClusterSize:0 Label:\"\" Letter:0 Active:$4 Primary:1 BootVolume:0 SystemVolume:0")
  part=$((part + 1))
done
lines+=("UpdateDiskBootConfig DiskIndex:0 DestDiskIndex:1")

cold() { sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true; }
timed() { local s; s=$(date +%s.%N); "$@" >/dev/null 2>&1; local rc=$?; echo "$(echo "$(date +%s.%N) - $s" | bc) $rc"; }
check() {
  dd if="$DIR/target.img" of="$DIR/c.vol" bs=4M iflag=skip_bytes,count_bytes skip=$(($1 * 512)) count=$(($2 * 512)) conv=sparse status=none
  if $3 "$DIR/c.vol" >/dev/null 2>&1; then echo "    $3: clean"; else echo "    $3: FOUND ERRORS"; fi
  rm -f "$DIR/c.vol"
}
sum_ours=0; sum_dd=0
for ((round = 1; round <= ${ROUNDS:-3}; round++)); do
  rm -f "$DIR/target.img" "$DIR/dd.img"; truncate -s $((DISK * 512)) "$DIR/target.img" "$DIR/dd.img"
  echo 'label: dos' | sfdisk -q "$DIR/target.img"
  cold; read -r ours rc1 < <(timed sh -c "'$CLI' --disk '$DIR/source.img' --disk '$DIR/target.img' run $(printf "'%s' " "${lines[@]}") && sync -d '$DIR/target.img'")
  cold; read -r dd rc2 < <(timed sh -c "dd if='$DIR/source.img' of='$DIR/dd.img' bs=4M conv=notrunc status=none && sync -d '$DIR/dd.img'")
  printf 'round %d: volmara %.1f s (exit %s), dd bs=4M %.1f s (exit %s): ratio %.2f\n' $round "$ours" "$rc1" "$dd" "$rc2" "$(echo "$ours / $dd" | bc -l)"
  sum_ours=$(echo "$sum_ours + $ours" | bc -l); sum_dd=$(echo "$sum_dd + $dd" | bc -l)
  if [ $round -eq 1 ]; then
    check $FAT $FATS "fsck.fat -n"; check $NTFS $NTFSS "ntfsfix -n"; check $EXT $EXTS "e2fsck -fn"
  fi
done
printf 'copy disk without resize, 4 GiB, 40 %% full: all rounds: ratio %.2f\n' "$(echo "$sum_ours / $sum_dd" | bc -l)"
rm -rf "$DIR"
