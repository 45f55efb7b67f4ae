#!/bin/bash
# Creates the disks for the load benchmark: 32 sparse 2 GiB GPT images (load-00.img .. load-31.img) of
# 128 partitions each, with a file system in nearly every partition. Repeating partitions by number:
#   0 FAT16   1 FAT32   2 ext2   3 ext3   4 swap   5 FAT16   6 FAT32   7 ext2, or unformatted every 16th
# so that each disk holds 32 FAT16, 32 FAT32, 24 ext2, 16 ext3, 16 swap and 8 unformatted partitions.
#
# Usage: bench/make_load_images.sh DIR [COUNT]     (COUNT images, 32 when not given)
# Needs sfdisk, mkfs.fat, mke2fs and mkswap; no root. Takes about a minute on two cores and little disk
# space, as only the file-system metadata is ever written.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 DIR [COUNT]" >&2
    exit 2
fi
out=$1
count=${2:-32}
mkdir -p "$out"

readonly disk_bytes=$((2 * 1024 * 1024 * 1024))
readonly partitions=128
readonly first_lba=2048
readonly part_sectors=32736 # 16 MiB less 32 sectors: 128 of them end before the backup table

# format KIND IMAGE START SECTORS LABEL: writes one file system into the image at sector START.
format() {
    local kind=$1 image=$2 start=$3 sectors=$4 label=$5
    local kib=$((sectors / 2))
    case $kind in
    fat16) mkfs.fat -F 16 -s 1 -n "$label" --offset="$start" "$image" "$kib" >/dev/null ;;
    fat32) mkfs.fat -F 32 -s 1 -n "$label" --offset="$start" "$image" "$kib" >/dev/null 2>&1 ;;
    ext2 | ext3)
        mke2fs -q -F -t "$kind" -L "$label" -E "offset=$((start * 512)),nodiscard" "$image" "${kib}k" ;;
    swap)
        # mkswap cannot write at an offset: the header page is made in a scratch file and copied in.
        local scratch
        scratch=$(mktemp)
        truncate -s "$((sectors * 512))" "$scratch"
        mkswap -L "$label" "$scratch" >/dev/null
        dd if="$scratch" of="$image" bs=4096 count=1 seek="$((start / 8))" conv=notrunc status=none
        rm -f "$scratch"
        ;;
    esac
}
export -f format

jobs=$(mktemp)
trap 'rm -f "$jobs"' EXIT
for ((d = 0; d < count; ++d)); do
    image=$(printf '%s/load-%02d.img' "$out" "$d")
    rm -f "$image"
    truncate -s "$disk_bytes" "$image"
    {
        echo "label: gpt"
        echo "first-lba: 34"
        for ((p = 0; p < partitions; ++p)); do
            echo "start=$((first_lba + p * part_sectors)), size=$part_sectors, type=L"
        done
    } | sfdisk -q --no-reread --no-tell-kernel "$image" >/dev/null
    for ((p = 0; p < partitions; ++p)); do
        case $((p % 8)) in
        0 | 5) kind=fat16 ;;
        1 | 6) kind=fat32 ;;
        2) kind=ext2 ;;
        3) kind=ext3 ;;
        4) kind=swap ;;
        7) if ((p % 16 == 15)); then kind=none; else kind=ext2; fi ;;
        esac
        [ "$kind" = none ] && continue
        printf '%s %s %d %d D%02dP%03d\n' "$kind" "$image" $((first_lba + p * part_sectors)) "$part_sectors" "$d" "$p"
    done >>"$jobs"
done
xargs -P2 -L1 bash -c 'format "$@"' _ <"$jobs"
echo "$count images in $out: $(du -sh --apparent-size "$out" | cut -f1) apparent, $(du -sh "$out" | cut -f1) on disk"
