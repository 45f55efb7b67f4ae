#!/bin/bash
# volmara-convert against what a user does without it, on identical images in the same run: a 4 GiB
# FAT32 volume holding 20,000 files (1 GiB) in 200 folders. Volmara converts it in place. The peer
# path copies the files out with mtools, makes NTFS with mkntfs -Q and copies them back through
# ntfs-3g. Each run starts after sync and a drop of the page cache and ends with its writes flushed.
# Both results are judged by ntfsfix -n; the converted tree is compared with the source files.
# Needs root, mtools, ntfs-3g and about 6 GB in DIR.
#   bench/fat_to_ntfs_bench.sh BUILD_DIR [DIR]       (FILES=n, FOLDERS=n to change the load)
set -euo pipefail
BUILD=$(cd "${1:?usage: fat_to_ntfs_bench.sh BUILD_DIR [DIR]}" && pwd)
DIR=${2:-/tmp}/fat-to-ntfs-bench
CONVERT=$BUILD/convert/volmara-convert
[ -x "$CONVERT" ] || { echo "build volmara-convert first (ninja -C $BUILD volmara-convert)" >&2; exit 1; }
FILES=${FILES:-20000}
FOLDERS=${FOLDERS:-200}
export LC_ALL=C MTOOLS_SKIP_CHECK=1
rm -rf "$DIR"; mkdir -p "$DIR/src" "$DIR/out" "$DIR/mnt"
trap 'umount "$DIR/mnt" 2>/dev/null || true' EXIT

echo "making $FILES files in $FOLDERS folders (about 1 GiB)"
python3 - "$DIR/src" "$FILES" "$FOLDERS" <<'EOF'
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
blob = os.urandom(1 << 20)
for i in range(files):
    d = os.path.join(root, f"folder {i % folders:03d}")
    os.makedirs(d, exist_ok=True)
    size = 4096 + (i * 7919) % 99000  # 4 KB to 103 KB, about 53 KB on average
    off = (i * 4099) % (len(blob) - size)
    with open(os.path.join(d, f"file number {i:05d}.dat"), "wb") as f:
        f.write(blob[off:off + size])
EOF
du -sh "$DIR/src" | sed 's/^/  /'

truncate -s 4G "$DIR/fat.img"
mkfs.fat -F 32 -n BENCH "$DIR/fat.img" >/dev/null
echo "filling the FAT32 volume with mtools"
mcopy -s -m -i "$DIR/fat.img" "$DIR/src"/* ::/
cp --sparse=always "$DIR/fat.img" "$DIR/peer.img"

cold() { sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true; }
now() { date +%s.%N; }

cold
t0=$(now)
echo Y | "$CONVERT" --disk "$DIR/fat.img" /FS:NTFS >"$DIR/convert.log"
sync
t1=$(now)
ntfsfix -n "$DIR/fat.img" >/dev/null || { echo "ntfsfix -n fails on the converted volume" >&2; exit 1; }
ntfs-3g -o ro "$DIR/fat.img" "$DIR/mnt"
diff -r -q "$DIR/src" "$DIR/mnt" >/dev/null || { echo "the converted tree differs from the source" >&2; exit 1; }
umount "$DIR/mnt"

cold
t2=$(now)
mcopy -s -m -n -i "$DIR/peer.img" '::/*' "$DIR/out/"
mkntfs -Q -F -q -L BENCH "$DIR/peer.img"
ntfs-3g "$DIR/peer.img" "$DIR/mnt"
cp -a "$DIR/out/." "$DIR/mnt/"
umount "$DIR/mnt"
sync
t3=$(now)
ntfsfix -n "$DIR/peer.img" >/dev/null || { echo "ntfsfix -n fails on the peer volume" >&2; exit 1; }

python3 - "$t0" "$t1" "$t2" "$t3" "$FILES" <<'EOF'
import sys
t0, t1, t2, t3, files = map(float, sys.argv[1:])
conv, peer = t1 - t0, t3 - t2
print(f"volmara-convert:              {conv:8.2f} s  ({files / conv:,.0f} files/s)")
print(f"copy out, mkntfs -Q, copy in: {peer:8.2f} s  ({files / peer:,.0f} files/s)")
print(f"ratio:                        {conv / peer:8.3f} (goal <= 0.05)")
EOF
rm -rf "$DIR"
