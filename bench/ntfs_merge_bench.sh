#!/bin/bash
# NTFS merge against what a user does without it, on identical images in the same run: two adjacent
# 4 GiB volumes, each half full. Volmara merges them in place (the second into a folder of the
# first). The peer path copies the second volume's files away through ntfs-3g (cp -a), drops the
# second volume, grows the first over both with ntfsresize and copies the files back into a folder.
# Every run starts after sync and a drop of the page cache and ends with its files flushed; the merged
# volume is judged by ntfsfix -n and ntfsresize --info. Needs root, ntfs-3g and about 30 GB in DIR.
#   bench/ntfs_merge_bench.sh BUILD_DIR [DIR]       (ROUNDS=n: rounds, 3 by default)
set -euo pipefail
BUILD=$(cd "${1:?usage: ntfs_merge_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/ntfs-merge-bench
TOOL=$BUILD/bench/volmara-bench-ntfs-resize
[ -x "$TOOL" ] || { echo "build volmara-bench-ntfs-resize first (ninja -C $BUILD volmara-bench-ntfs-resize)" >&2; exit 1; }
export LC_ALL=C
rm -rf "$DIR"; mkdir -p "$DIR/src" "$DIR/mnt" "$DIR/mnt2"
trap 'umount "$DIR/mnt" 2>/dev/null || true; umount "$DIR/mnt2" 2>/dev/null || true' EXIT
GIB=2097152 # sectors
START=2048  # the first volume's first sector
. "$(dirname "$0")/ntfs_bench_lib.sh"
S4=$((4 * GIB))

echo "making two 4 GiB volumes, each half full"
make "$DIR/a.img" $S4 50; alone "$DIR/a.img" "$DIR/first.vol"; rm -f "$DIR/a.img"
make "$DIR/b.img" $S4 50; alone "$DIR/b.img" "$DIR/second.vol"; rm -f "$DIR/b.img"
truncate -s $(( (START + 2 * S4) * 512 )) "$DIR/pair.img"
dd if="$DIR/first.vol" of="$DIR/pair.img" bs=4M oflag=seek_bytes seek=$((START * 512)) conv=notrunc,sparse status=none
dd if="$DIR/second.vol" of="$DIR/pair.img" bs=4M oflag=seek_bytes seek=$(( (START + S4) * 512 )) conv=notrunc,sparse status=none

peer() { # the user's way, on first.vol / second.vol copies
  mkdir -p "$DIR/away"
  ntfs-3g -o ro "$DIR/p2.vol" "$DIR/mnt2" && cp -a "$DIR/mnt2/." "$DIR/away/" && umount "$DIR/mnt2"
  rm -f "$DIR/p2.vol"
  truncate -s $((2 * S4 * 512)) "$DIR/p1.vol"
  echo y | ntfsresize -f -s $((2 * S4 * 512)) "$DIR/p1.vol"
  ntfs-3g "$DIR/p1.vol" "$DIR/mnt" && mkdir "$DIR/mnt/second" && cp -a "$DIR/away/." "$DIR/mnt/second/" && umount "$DIR/mnt"
  rm -rf "$DIR/away"; sync -d "$DIR/p1.vol"
}

sum_ours=0; sum_peer=0
for ((round = 1; round <= ${ROUNDS:-3}; round++)); do
  cp --sparse=always "$DIR/pair.img" "$DIR/ours.img"
  cp --sparse=always "$DIR/first.vol" "$DIR/p1.vol"; cp --sparse=always "$DIR/second.vol" "$DIR/p2.vol"
  cold; read -r ours rc1 < <(timed sh -c "'$TOOL' '$DIR/ours.img' merge $START $((2 * S4)) $((START + S4)) 1 second && sync -d '$DIR/ours.img'")
  cold; read -r theirs rc2 < <(timed peer)
  printf 'round %d: volmara %.2f s (exit %s), cp -a + ntfsresize + cp -a %.2f s (exit %s): ratio %.3f\n' $round "$ours" "$rc1" "$theirs" "$rc2" "$(ratio "$ours" "$theirs")"
  sum_ours=$(echo "$sum_ours + $ours" | bc -l); sum_peer=$(echo "$sum_peer + $theirs" | bc -l)
  if [ $round -eq 1 ]; then
    check "$DIR/ours.img" $START $((2 * S4))
    dd if="$DIR/ours.img" of="$DIR/check.vol" bs=4M iflag=skip_bytes skip=$((START * 512)) conv=sparse status=none
    ntfsresize --info --force --no-progress-bar "$DIR/check.vol" 2>&1 | grep -q "accounting failed" && echo "    ntfsresize: ACCOUNTING MISMATCH" || echo "    ntfsresize: consistent"
    rm -f "$DIR/check.vol"
  fi
  rm -f "$DIR/ours.img" "$DIR/p1.vol" "$DIR/p2.vol"
done
printf 'merge two half-full 4 GiB volumes: all rounds: ratio %.3f\n' "$(ratio "$sum_ours" "$sum_peer")"
rm -rf "$DIR"
