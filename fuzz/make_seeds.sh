#!/bin/bash
# Creates seed corpora for the fuzz targets:
#   DIR/table/    disk images for fuzz_table_scan (MBR with an extended chain, GPT, hybrid, damaged variants)
#   DIR/volinfo/  volume images for fuzz_volume_info: an 8-byte claimed length, then the volume's first
#                 sectors (64 KiB to 1 MiB)
#   DIR/ntfs/     inputs for fuzz_ntfs_structures: a mode byte, then the attributes and mapping pairs of
#                 a few MFT records of a new NTFS volume, an attribute list, or the volume's first 256 KiB
#   DIR/record/   inputs for fuzz_ntfs_record: a mode byte, then one file record or a whole small volume
#
# Usage: fuzz/make_seeds.sh DIR
# Needs sfdisk, sgdisk, mkfs.fat, mke2fs, mkswap and mkntfs; mkfs.exfat, mkfs.btrfs and mkfs.xfs are
# used when present. Nothing runs as root: every tool writes into a plain file.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DIR" >&2
    exit 2
fi
out=$1
mkdir -p "$out/table" "$out/volinfo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The 8 little-endian bytes of a claimed length, as fuzz/FuzzMemoryDisk.h reads them.
le64() {
    local value=$1 bytes="" i
    for i in 0 1 2 3 4 5 6 7; do
        bytes+=$(printf '\\x%02x' $(((value >> (8 * i)) & 255)))
    done
    printf '%b' "$bytes"
}
zero_tail=$((1 << 63))

# ---- partition tables -------------------------------------------------------------------------------

# fresh NAME SIZE: an empty image in the work folder.
fresh() {
    rm -f "$work/$1"
    truncate -s "$2" "$work/$1"
}

# keep NAME [CLAIM]: copies an image into the corpus, optionally with a claimed size in its first 8 bytes.
keep() {
    cp "$work/$1" "$out/table/$1"
    if [ $# -gt 1 ]; then
        le64 "$2" | dd of="$out/table/$1" bs=1 count=8 conv=notrunc status=none
    fi
}

fresh mbr-primary.img 256K
sfdisk -q "$work/mbr-primary.img" <<'EOF'
label: dos
label-id: 0x12345678
start=1, size=100, type=83, bootable
start=101, size=100, type=7
start=201, size=100, type=c
start=301, size=150, type=82
EOF
keep mbr-primary.img

fresh mbr-extended.img 256K
sfdisk -q "$work/mbr-extended.img" <<'EOF'
label: dos
start=2, size=60, type=83
start=64, size=440, type=5
start=66, size=30, type=7
start=100, size=30, type=c
start=140, size=30, type=82
start=180, size=100, type=83
start=300, size=200, type=6
EOF
keep mbr-extended.img

fresh mbr-extended-lba.img 256K
sfdisk -q "$work/mbr-extended-lba.img" <<'EOF'
label: dos
start=8, size=400, type=f
start=10, size=50, type=b
start=70, size=50, type=e
EOF
keep mbr-extended-lba.img

fresh mbr-extended-linux.img 64K
sfdisk -q "$work/mbr-extended-linux.img" <<'EOF'
label: dos
start=4, size=100, type=85
start=6, size=40, type=83
start=50, size=40, type=83
EOF
keep mbr-extended-linux.img

fresh mbr-dynamic.img 64K
sfdisk -q "$work/mbr-dynamic.img" <<'EOF'
label: dos
start=1, size=100, type=42
EOF
keep mbr-dynamic.img

# The same kind of table on a disk claimed at 2 TiB, of which only the first 64 KiB can be read.
fresh mbr-large.img 64K
sfdisk -q "$work/mbr-large.img" <<'EOF'
label: dos
start=1, size=60, type=83
start=64, size=64, type=5
start=66, size=60, type=7
EOF
keep mbr-large.img $(( (1 << 32) - 1 ))

fresh gpt.img 256K
sgdisk -a 1 \
    -n 1:34:99 -t 1:ef00 -c 1:"EFI system" \
    -n 2:100:199 -t 2:0700 -c 2:data -A 2:set:63 \
    -n 3:200:299 -t 3:8300 -c 3:linux -A 3:set:0 \
    -n 4:300:399 -t 4:8200 -c 4:swap \
    -n 5:400:0 -t 5:0c01 \
    "$work/gpt.img" >/dev/null
keep gpt.img
# The same disk seen bigger than the image: the backup header is where the image has no sectors.
cp "$work/gpt.img" "$work/gpt-backup-missing.img"
keep gpt-backup-missing.img $((1 << 21))
cp "$work/gpt.img" "$work/gpt-backup-zero.img"
keep gpt-backup-zero.img $((zero_tail | (1 << 20)))

# With the checksum flag: mutations of the headers and entries keep valid CRCs.
cp "$work/gpt.img" "$work/gpt-fixcrc.img"
keep gpt-fixcrc.img $((1 << 62))
cp "$work/gpt.img" "$work/gpt-fixcrc-backup-zero.img"
keep gpt-fixcrc-backup-zero.img $((zero_tail | (1 << 62) | (1 << 20)))

# Only the backup header is intact.
cp "$work/gpt.img" "$work/gpt-primary-damaged.img"
printf 'XXXX' | dd of="$work/gpt-primary-damaged.img" bs=1 seek=$((512 + 24)) conv=notrunc status=none
keep gpt-primary-damaged.img

fresh gpt-many.img 128K
args=()
for i in $(seq 1 128); do
    args+=(-n "$i:$((33 + i)):$((33 + i))")
done
sgdisk -a 1 "${args[@]}" "$work/gpt-many.img" >/dev/null
keep gpt-many.img
cp "$work/gpt-many.img" "$work/gpt-many-fixcrc.img"
keep gpt-many-fixcrc.img $((1 << 62))

fresh gpt-hybrid.img 256K
sgdisk -a 1 -n 1:34:99 -t 1:0700 -n 2:100:199 -t 2:8300 -n 3:200:299 -h 1:2 "$work/gpt-hybrid.img" >/dev/null
keep gpt-hybrid.img
cp "$work/gpt-hybrid.img" "$work/gpt-hybrid-fixcrc.img"
keep gpt-hybrid-fixcrc.img $((1 << 62))

fresh gpt-sfdisk.img 128K
sfdisk -q "$work/gpt-sfdisk.img" <<'EOF'
label: gpt
first-lba: 34
start=34, size=40, type=L, name="root"
start=74, size=40, type=S
start=114, size=40, type=C12A7328-F81F-11D2-BA4B-00A0C93EC93B
EOF
keep gpt-sfdisk.img

head -c 4096 /dev/zero >"$out/table/empty.img"

# ---- volumes ----------------------------------------------------------------------------------------

# volume NAME SIZE KEEP COMMAND...: formats a sparse file of SIZE bytes with COMMAND (the file name is
# appended) and keeps its first KEEP bytes behind the claimed length, with a zero-filled tail. KEEP covers
# what the probes read: the superblocks, and for FAT the first FAT and the root directory.
volume() {
    local name=$1 size=$2 keep=$3
    shift 3
    fresh "$name" "$size"
    if ! "$@" "$work/$name" >/dev/null 2>&1; then
        echo "$0: skipping $name: $1 failed" >&2
        return 0
    fi
    local bytes
    bytes=$(stat -c %s "$work/$name")
    {
        le64 $((zero_tail | (bytes / 512)))
        head -c "$keep" "$work/$name"
    } >"$out/volinfo/$name"
}

volume fat12.img 1M 64K mkfs.fat -F 12 -n FAT12LABEL
volume fat16.img 8M 128K mkfs.fat -F 16 -s 1 -n FAT16LABEL
volume fat32.img 34M 1M mkfs.fat -F 32 -s 1 -n FAT32LABEL
volume fat32-nolabel.img 72M 1M mkfs.fat -F 32 -s 2 -f 1
volume ext2.img 4M 64K mke2fs -q -F -t ext2 -L ext2label
volume ext3.img 8M 64K mke2fs -q -F -t ext3 -L ext3label
volume ext4.img 8M 64K mke2fs -q -F -t ext4 -O 64bit -L ext4label
volume swap.img 1M 8K mkswap -L swaplabel
volume swap64k.img 2M 64K mkswap -p 65536
volume ntfs.img 2M 64K mkntfs -F -Q -q -L ntfslabel
if command -v mkfs.exfat >/dev/null; then
    volume exfat.img 8M 256K mkfs.exfat -b 64K -c 4K -L exfatlabel
fi
if command -v mkfs.btrfs >/dev/null; then
    volume btrfs.img 128M 128K mkfs.btrfs -f -L btrfslabel
fi
if command -v mkfs.xfs >/dev/null; then
    volume xfs.img 320M 64K mkfs.xfs -f -L xfslabel
fi
# An unformatted volume, and a FAT16 volume whose tail cannot be read at all.
{ le64 0; head -c 4096 /dev/zero; } >"$out/volinfo/zero.img"
{ le64 $((16 * 2048)); tail -c +9 "$out/volinfo/fat16.img"; } >"$out/volinfo/fat16-unreadable-tail.img"

# ---- NTFS structures --------------------------------------------------------------------------------

mkdir -p "$out/ntfs"
# le N VALUE: N little-endian bytes.
le() {
    local bytes="" i
    for ((i = 0; i < $1; i++)); do
        bytes+=$(printf '\\x%02x' $((($2 >> (8 * i)) & 255)))
    done
    printf '%b' "$bytes"
}
# at WIDTH OFFSET FILE: an unsigned little-endian number from a file.
at() { od -An -t"u$1" -j"$2" -N"$1" "$3" | tr -d ' '; }
# slice OFFSET LENGTH FILE: bytes of a file.
slice() { head -c $(($1 + $2)) "$3" | tail -c "$2"; }

fresh ntfs-structures.img 4M
ntfs=$work/ntfs-structures.img
mkntfs -F -Q -q -c 1024 "$ntfs" >/dev/null 2>&1
{ printf '\x03'; head -c 256K "$ntfs"; } >"$out/ntfs/volume"
mft=$(($(at 8 48 "$ntfs") * $(at 1 13 "$ntfs") * 512))
# Every attribute of records 0 ($MFT), 5 (the root) and 10 ($UpCase) as mode 1, their pairs as mode 0.
# The fixups stay applied: two bytes of a record may be off, which only makes the seeds more varied.
for record in 0 5 10; do
    base=$((mft + record * 1024))
    offset=$(at 2 $((base + 20)) "$ntfs")
    while [ "$offset" -lt 1016 ]; do
        type=$(at 4 $((base + offset)) "$ntfs")
        length=$(at 4 $((base + offset + 4)) "$ntfs")
        if [ "$type" = 4294967295 ] || [ "$length" -eq 0 ]; then
            break
        fi
        { printf '\x01'; slice $((base + offset)) "$length" "$ntfs"; } \
            >"$out/ntfs/attribute-$record-$type"
        if [ "$(at 1 $((base + offset + 8)) "$ntfs")" = 1 ]; then
            pairs=$(at 2 $((base + offset + 32)) "$ntfs")
            { printf '\x00'; slice $((base + offset + pairs)) $((length - pairs)) "$ntfs"; } \
                >"$out/ntfs/pairs-$record-$type"
        fi
        offset=$((offset + length))
    done
done
# Pairs with a hole and a step back; an attribute list of an unnamed and a named entry.
printf '\x00\x11\x05\x64\x01\x03\x11\x02\x0a\x11\x05\xf0\x00' >"$out/ntfs/pairs-sparse"
{
    printf '\x02'
    le 4 0x10; le 2 32; le 1 0; le 1 26; le 8 0; le 8 $(((1 << 48) | 40)); le 2 0; le 6 0
    le 4 0x80; le 2 32; le 1 3; le 1 26; le 8 0; le 8 $(((1 << 48) | 41)); le 2 3
    printf 'a\0d\0s\0'
} >"$out/ntfs/attribute-list"

# fuzz_ntfs_record: the first 27 records of the volume as single records (even mode byte), and a
# whole small volume (odd mode byte).
mkdir -p "$out/record"
for record in $(seq 0 26); do
    { printf '\x00'; slice $((mft + record * 1024)) 1024 "$ntfs"; } >"$out/record/record-$record"
done
fresh ntfs-record.img 2M
mkntfs -F -Q -q -c 512 "$work/ntfs-record.img" >/dev/null 2>&1
{ printf '\x01'; cat "$work/ntfs-record.img"; } >"$out/record/volume"

echo "table seeds:   $(find "$out/table" -type f | wc -l) in $out/table"
echo "volinfo seeds: $(find "$out/volinfo" -type f | wc -l) in $out/volinfo"
echo "ntfs seeds:    $(find "$out/ntfs" -type f | wc -l) in $out/ntfs"
echo "record seeds:  $(find "$out/record" -type f | wc -l) in $out/record"
