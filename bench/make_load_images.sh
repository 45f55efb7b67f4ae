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

# quiet COMMAND...: runs the command, showing its output only when it fails.
quiet() {
    local output
    if ! output=$("$@" 2>&1); then
        echo "$output" >&2
        echo "failed: $*" >&2
        return 1
    fi
}

# format KIND IMAGE START SECTORS LABEL: writes one file system into the image at sector START.
format() {
    local kind=$1 image=$2 start=$3 sectors=$4 label=$5
    local kib=$((sectors / 2))
    case $kind in
    fat16) quiet mkfs.fat -F 16 -s 1 -n "$label" --offset="$start" "$image" "$kib" ;;
    fat32) quiet mkfs.fat -F 32 -s 1 -n "$label" --offset="$start" "$image" "$kib" ;;
    ext2 | ext3) quiet mke2fs -q -F -t "$kind" -L "$label" -E "offset=$((start * 512)),nodiscard" "$image" "${kib}k" ;;
    swap)
        # mkswap cannot write at an offset: the header page is made in a scratch file and copied in.
        local scratch
        scratch=$(mktemp)
        head -c 4096 /dev/zero >"$scratch"
        quiet mkswap -f -L "$label" "$scratch" "$kib"
        dd if="$scratch" of="$image" bs=4096 count=1 seek="$((start / 8))" conv=notrunc status=none
        rm -f "$scratch"
        ;;
    esac
}
export -f quiet format

# kind P: the file system of partition P.
kind() {
    case $(($1 % 8)) in
    0 | 5) echo fat16 ;;
    1 | 6) echo fat32 ;;
    2) echo ext2 ;;
    3) echo ext3 ;;
    4) echo swap ;;
    7) if (($1 % 16 == 15)); then echo none; else echo ext2; fi ;;
    esac
}

# The GPT type of each kind: basic data for FAT, Linux swap, Linux file system for the rest.
declare -A gpt_type=([fat16]=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7 [fat32]=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7
    [ext2]=L [ext3]=L [swap]=S [none]=L)

jobs=$(mktemp)
trap 'rm -f "$jobs"' EXIT
for ((d = 0; d < count; ++d)); do
    image=$(printf '%s/load-%02d.img' "$out" "$d")
    rm -f "$image"
    truncate -s "$disk_bytes" "$image"
    script="label: gpt"$'\n'"first-lba: 34"$'\n'
    for ((p = 0; p < partitions; ++p)); do
        k=$(kind "$p")
        start=$((first_lba + p * part_sectors))
        script+="start=$start, size=$part_sectors, type=${gpt_type[$k]}"$'\n'
        [ "$k" = none ] || printf '%s %s %d %d D%02dP%03d\n' "$k" "$image" "$start" "$part_sectors" "$d" "$p" >>"$jobs"
    done
    sfdisk -q --no-reread --no-tell-kernel "$image" <<<"$script" >/dev/null
done
xargs -P2 -L1 bash -c 'format "$@"' _ <"$jobs"
echo "$count images in $out: $(du -sh --apparent-size "$out" | cut -f1) apparent, $(du -sh "$out" | cut -f1) on disk"
