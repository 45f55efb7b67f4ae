#!/usr/bin/env bash
# Builds a set of demo image disks in demo/ and shows them with volmara-cli.
# Usage: demo.sh BUILD_DIR
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
DEMO=$ROOT/demo
mkdir -p "$DEMO/state"
cd "$DEMO"

# Disk 1: MBR, 2 GiB — a FAT32 primary (active), an NTFS primary, and an extended area with
# FAT16, Ext3, Ext2 and Linux-swap logical partitions, some free space between them.
rm -f mbr.img gpt.img
truncate -s 2G mbr.img
sfdisk -q --no-reread --no-tell-kernel mbr.img <<'TABLE'
label: dos
label-id: 0x766f6c6d
unit: sectors
start=2048, size=614400, type=c, bootable
start=616448, size=409600, type=7
start=1026048, size=2500000, type=f
start=1028096, size=204800, type=6
start=1234944, size=409600, type=83
start=1851392, size=204800, type=83
start=2058240, size=262144, type=82
TABLE
mkfs.fat --mbr=n -F 32 -n DEMO-FAT32 --offset=2048 mbr.img $((614400 / 2)) >/dev/null 2>&1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
truncate -s $((409600 * 512)) "$tmp/ntfs"
mkntfs -q -Q -F -L Documents "$tmp/ntfs" >/dev/null 2>&1
dd if="$tmp/ntfs" of=mbr.img bs=1M seek=$((616448 * 512)) oflag=seek_bytes conv=notrunc,sparse status=none
mkfs.fat --mbr=n -F 16 -n DEMO-FAT16 --offset=1028096 mbr.img $((204800 / 2)) >/dev/null 2>&1
mke2fs -q -F -t ext3 -L linux-home -E offset=$((1234944 * 512)) mbr.img $((409600 / 2)) >/dev/null
mke2fs -q -F -t ext2 -L linux-boot -E offset=$((1851392 * 512)) mbr.img $((204800 / 2)) >/dev/null
truncate -s $((262144 * 512)) "$tmp/swap"
mkswap -q -L demo-swap "$tmp/swap" >/dev/null
dd if="$tmp/swap" of=mbr.img bs=1M seek=$((2058240 * 512)) oflag=seek_bytes conv=notrunc,sparse status=none

# Disk 2: GPT, 1 GiB — an EFI system partition, a Microsoft reserved partition, basic data and Linux.
truncate -s 1G gpt.img
sgdisk -n 1:2048:+100M -t 1:ef00 -c 1:"EFI system" \
          -n 2:0:+16M -t 2:0c01 -c 2:"Microsoft reserved" \
          -n 3:0:+400M -t 3:0700 -c 3:"Basic data" \
          -n 4:0:+300M -t 4:8300 -c 4:"Linux data" gpt.img >/dev/null
mkfs.fat --mbr=n -F 32 -n EFI --offset=2048 gpt.img $((100 * 1024)) >/dev/null 2>&1
start3=$(sgdisk -i 3 gpt.img | awk '/First sector/ {print $3}')
start4=$(sgdisk -i 4 gpt.img | awk '/First sector/ {print $3}')
truncate -s $((400 * 1024 * 1024)) "$tmp/data"
mkntfs -q -Q -F -L Data "$tmp/data" >/dev/null 2>&1
dd if="$tmp/data" of=gpt.img bs=1M seek=$((start3 * 512)) oflag=seek_bytes conv=notrunc,sparse status=none
mke2fs -q -F -t ext3 -L linux-data -E offset=$((start4 * 512)) gpt.img $((300 * 1024)) >/dev/null

export VOLMARA_STATE_DIR=$DEMO/state
echo "Demo disks in $DEMO:"
"$BUILD/cli/volmara-cli" --disk "$DEMO/mbr.img" --disk "$DEMO/gpt.img" export
