#!/bin/bash
# NTFS resize, copy and move against the peers, on identical images in the same run:
#   (a) shrink an 8 GiB volume, 60 % full with files over all of it, to 6 GiB     (vs ntfsresize)
#   (b) grow a 4 GiB volume, half full, to 8 GiB                                (vs ntfsresize)
#   (c) copy the 4 GiB volume to another image                 (vs ntfsclone --overwrite, dd bs=4M)
#   (d) move the 4 GiB volume right by 1 GiB                   (vs dd of as many bytes as are used)
# Every run starts after sync and a drop of the page cache and ends with its image flushed; every
# result of Volmara is judged by ntfsfix -n. Needs root (the mounts, the cache drop), ntfs-3g and
# about 45 GB free in DIR.
#   bench/ntfs_resize_bench.sh BUILD_DIR [DIR]
set -euo pipefail
BUILD=$(cd "${1:?usage: ntfs_resize_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/ntfs-bench
TOOL=$BUILD/bench/volmara-bench-ntfs-resize
[ -x "$TOOL" ] || { echo "build volmara-bench-ntfs-resize first (ninja -C $BUILD volmara-bench-ntfs-resize)" >&2; exit 1; }
export LC_ALL=C
rm -rf "$DIR"; mkdir -p "$DIR/src" "$DIR/mnt"
trap 'umount "$DIR/mnt" 2>/dev/null || true' EXIT
GIB=2097152 # sectors
START=2048  # the volume's first sector in every image

. "$(dirname "$0")/ntfs_bench_lib.sh"

compare_resize() { # NAME BASE FROM_SECTORS TO_SECTORS: ROUNDS alternating rounds on fresh copies
  local name=$1 base=$2 from=$3 to=$4 round sum_ours=0 sum_peer=0
  for ((round = 1; round <= ${ROUNDS:-3}; round++)); do
    cp --sparse=always "$base" "$DIR/ours.img"; alone "$base" "$DIR/peer.vol"
    truncate -s $(( (START + (to > from ? to : from)) * 512 )) "$DIR/ours.img"
    truncate -s $(( (to > from ? to : from) * 512 )) "$DIR/peer.vol"
    cold; read -r ours rc1 < <(timed sh -c "'$TOOL' '$DIR/ours.img' resize $START $from $START $to && sync -d '$DIR/ours.img'")
    cold; read -r peer rc2 < <(timed sh -c "echo y | ntfsresize -f -s $((to * 512)) '$DIR/peer.vol' && sync -d '$DIR/peer.vol'")
    printf '%s, round %d: volmara %.2f s (exit %s), ntfsresize %.2f s (exit %s): ratio %.2f\n' "$name" $round "$ours" "$rc1" "$peer" "$rc2" "$(ratio "$ours" "$peer")"
    sum_ours=$(echo "$sum_ours + $ours" | bc -l); sum_peer=$(echo "$sum_peer + $peer" | bc -l)
    [ $round -eq 1 ] && check "$DIR/ours.img" $START "$to"
    rm -f "$DIR/ours.img" "$DIR/peer.vol"
  done
  printf '%s: all rounds: ratio %.2f\n' "$name" "$(ratio "$sum_ours" "$sum_peer")"
}

echo "making an 8 GiB volume 60 % full"; make "$DIR/big.img" $((8 * GIB)) 60
echo "making a 4 GiB volume half full"; make "$DIR/small.img" $((4 * GIB)) 50
compare_resize "(a) shrink 8 GiB -> 6 GiB" "$DIR/big.img" $((8 * GIB)) $((6 * GIB))
compare_resize "(b) grow 4 GiB -> 8 GiB" "$DIR/small.img" $((4 * GIB)) $((8 * GIB))

# (c) Copy to another image.
S4=$((4 * GIB))
truncate -s $(( (START + S4) * 512 )) "$DIR/target.img"
cold; read -r ours rc1 < <(timed sh -c "'$TOOL' '$DIR/small.img' copy $START $S4 '$DIR/target.img' $START $S4 && sync -d '$DIR/target.img'")
check "$DIR/target.img" $START $S4
alone "$DIR/small.img" "$DIR/source.vol"; truncate -s $((S4 * 512)) "$DIR/clone.vol"
cold; read -r clone rc2 < <(timed sh -c "ntfsclone --overwrite '$DIR/clone.vol' '$DIR/source.vol' && sync -d '$DIR/clone.vol'")
cold; read -r dd rc3 < <(timed sh -c "dd if='$DIR/small.img' of='$DIR/target.img' bs=4M iflag=skip_bytes,count_bytes oflag=seek_bytes skip=$((START * 512)) seek=$((START * 512)) count=$((S4 * 512)) conv=notrunc status=none && sync -d '$DIR/target.img'")
printf '(c) copy 4 GiB (half full): volmara %.1f s (exit %s), ntfsclone %.1f s (exit %s), dd bs=4M %.1f s (exit %s): ratios %.2f, %.2f\n' \
  "$ours" "$rc1" "$clone" "$rc2" "$dd" "$rc3" "$(ratio "$ours" "$clone")" "$(ratio "$ours" "$dd")"
rm -f "$DIR/target.img" "$DIR/source.vol" "$DIR/clone.vol"

# (d) Move right by 1 GiB within the image; dd copies as many bytes as the volume uses.
cp --sparse=always "$DIR/small.img" "$DIR/move.img"; truncate -s $(( (START + S4 + GIB) * 512 )) "$DIR/move.img"
alone "$DIR/small.img" "$DIR/source.vol"
USED=$(ntfsresize --info --force --no-progress-bar "$DIR/source.vol" 2>/dev/null | sed -n 's/^Space in use *: *\([0-9]*\) MB.*/\1/p')
rm -f "$DIR/source.vol"
cold; read -r ours rc1 < <(timed sh -c "'$TOOL' '$DIR/move.img' resize $START $S4 $((START + GIB)) $S4 && sync -d '$DIR/move.img'")
check "$DIR/move.img" $((START + GIB)) $S4
cp --sparse=always "$DIR/small.img" "$DIR/move.img"; truncate -s $(( (START + S4 + GIB) * 512 )) "$DIR/move.img"
cold; read -r dd rc2 < <(timed sh -c "dd if='$DIR/move.img' of='$DIR/move.img' bs=4M iflag=skip_bytes,count_bytes oflag=seek_bytes skip=$((START * 512)) seek=$(( (START + GIB) * 512 )) count=$((USED * 1000000)) conv=notrunc status=none && sync -d '$DIR/move.img'")
printf '(d) move 4 GiB (%s MB used) right by 1 GiB: volmara %.1f s (exit %s), dd of the used bytes %.1f s (exit %s): ratio %.2f\n' \
  "$USED" "$ours" "$rc1" "$dd" "$rc2" "$(ratio "$ours" "$dd")"
rm -rf "$DIR"
