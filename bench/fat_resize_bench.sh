#!/bin/bash
# FAT32 resize and copy against the peers, on the same images in the same run:
#   shrink an 8 GiB volume, half full with files spread over all of it, to 6 GiB   (vs fatresize)
#   grow a 4 GiB volume, half full, to 8 GiB                                     (vs fatresize)
#   copy the 8 GiB volume to another image                                       (vs dd bs=4M)
# Every timing ends with the image flushed (sync -d). Needs about 40 GB free in DIR.
#   bench/fat_resize_bench.sh BUILD_DIR [DIR]
set -euo pipefail
BUILD=$(cd "${1:?usage: fat_resize_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/fat-bench
CLI=$BUILD/cli/volmara-cli
export MTOOLS_SKIP_CHECK=1 VOLMARA_STATE_DIR=$DIR/state LC_ALL=C
rm -rf "$DIR"; mkdir -p "$DIR/src"
GIB=2097152 # sectors
for i in 1 2 3 4 5 6 7 8; do head -c $((8 << 20)) /dev/urandom > "$DIR/src/f$i.bin"; done

# make IMAGE VOLUME_SECTORS: a FAT32 volume at sector 2048 filled to the brim with 8 MiB files in
# folders, then every other folder deleted: half full, spread over the whole volume.
make() {
  local img=$1 sectors=$2
  truncate -s $(( (sectors + 2048 + 4 * GIB) * 512 )) "$img"
  printf 'label: dos\nunit: sectors\nstart=2048, size=%s, type=c\n' "$sectors" | sfdisk -q "$img"
  mkfs.fat -F 32 -s 8 --offset 2048 "$img" $((sectors / 2)) >/dev/null
  # Folders of 64 MiB until about 95 % of the volume is used.
  local n=0 folders=$(( sectors / 2048 * 95 / 100 / 64 ))
  while [ $n -lt $folders ]; do
    mmd -i "$img@@1048576" "::/d$n"
    mcopy -i "$img@@1048576" "$DIR"/src/*.bin "::/d$n/" 2>/dev/null || break
    n=$((n + 1))
  done
  for ((k = 0; k < n; k += 2)); do mdeltree -i "$img@@1048576" "::/d$k"; done
}

check() { # check IMAGE START SECTORS
  dd if="$1" of="$DIR/check.img" bs=1M iflag=skip_bytes,count_bytes skip=$(($2 * 512)) count=$(($3 * 512)) conv=sparse status=none
  fsck.fat -n "$DIR/check.img" >/dev/null && echo "    fsck.fat clean" || echo "    fsck.fat FOUND ERRORS"
  rm -f "$DIR/check.img"
}

timed() { local s=$(date +%s.%N); "$@" >/dev/null 2>&1; local rc=$?; echo "$(echo "$(date +%s.%N) - $s" | bc) $rc"; }

compare_resize() { # NAME BASE FROM_SECTORS TO_SECTORS FATRESIZE_SIZE
  local name=$1 base=$2 to=$4 size=$5
  cp --sparse=always "$base" "$DIR/ours.img"; cp --sparse=always "$base" "$DIR/peer.img"; sync
  read -r ours rc1 < <(timed sh -c "'$CLI' --disk '$DIR/ours.img' run 'ResizePartition DiskIndex:0 PartitionIndex:1 NewStartingLba:2048 NewPartitionSize:$to SafeMode:1' && sync -d '$DIR/ours.img'")
  sync
  read -r peer rc2 < <(timed sh -c "fatresize -f -q -n 1 -s $size '$DIR/peer.img' && sync -d '$DIR/peer.img'")
  printf '%s: volmara %.1f s (exit %s), fatresize %.1f s (exit %s): ratio %.2f\n' "$name" "$ours" "$rc1" "$peer" "$rc2" "$(echo "$ours / $peer" | bc -l)"
  check "$DIR/ours.img" 2048 "$to"
  rm -f "$DIR/ours.img" "$DIR/peer.img"
}

echo "making an 8 GiB volume half full"; make "$DIR/big.img" $((8 * GIB))
echo "making a 4 GiB volume half full"; make "$DIR/small.img" $((4 * GIB))
compare_resize "shrink 8 GiB -> 6 GiB" "$DIR/big.img" $((8 * GIB)) $((6 * GIB)) 6Gi
compare_resize "grow 4 GiB -> 8 GiB" "$DIR/small.img" $((4 * GIB)) $((8 * GIB)) 8Gi

truncate -s $(( (8 * GIB + 4096) * 512 )) "$DIR/target.img"; printf 'label: dos\n' | sfdisk -q "$DIR/target.img"; sync
read -r ours rc1 < <(timed sh -c "'$CLI' --disk '$DIR/big.img' --disk '$DIR/target.img' run 'CopyPartition DiskIndex:0 PartitionIndex:1 DestDiskIndex:1 DestStartingLba:2048 DestPartitionSize:$((8 * GIB)) DestPartitionIsPrimary:1' 'CreatePartition DiskIndex:1 StartingOffset:2048 PartitionLength:$((8 * GIB)) PartTypeId:2147483659 FsType:0 ClusterSize:0 Label:\"\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0' && sync -d '$DIR/target.img'")
check "$DIR/target.img" 2048 $((8 * GIB))
sync
read -r peer rc2 < <(timed sh -c "dd if='$DIR/big.img' of='$DIR/target.img' bs=4M iflag=skip_bytes,count_bytes oflag=seek_bytes skip=1048576 seek=1048576 count=$((8 * GIB * 512)) conv=notrunc status=none && sync -d '$DIR/target.img'")
printf 'copy 8 GiB (half full) to another image: volmara %.1f s (exit %s), dd bs=4M %.1f s (exit %s): ratio %.2f\n' "$ours" "$rc1" "$peer" "$rc2" "$(echo "$ours / $peer" | bc -l)"
rm -rf "$DIR"
