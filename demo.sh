#!/usr/bin/env bash
# Builds a set of demo image disks in demo/ with Volmara's own commands, shows them with
# volmara-cli, then starts the desktop program on them (without a display: a screenshot of it in
# demo/volmara.png). No other tool writes to the images: they start as empty sparse files.
# Usage: demo.sh BUILD_DIR
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
CLI=$BUILD/cli/volmara-cli
DEMO=$ROOT/demo
mkdir -p "$DEMO/state"
cd "$DEMO"
export VOLMARA_STATE_DIR=$DEMO/state
rm -f mbr.img gpt.img "$DEMO/state/mounted-devices"
truncate -s 2G mbr.img
truncate -s 1G gpt.img

# create DISK START LENGTH TYPE-ID FS-TYPE LABEL LETTER ACTIVE PRIMARY: one CreatePartition line.
# Letters are given as their character codes (C = 67); 0 is none.
create() {
    local letter=0
    [ "$7" != "-" ] && letter=$(printf '%d' "'$7")
    printf 'CreatePartition DiskIndex:%s StartingOffset:%s PartitionLength:%s PartTypeId:%s FsType:%s ClusterSize:0 Label:"%s" Letter:%s Active:%s Primary:%s BootVolume:0 SystemVolume:0' \
        "$1" "$2" "$3" "$4" "$5" "$6" "$letter" "$8" "$9"
}

# Disk 1: MBR, 2 GiB — a FAT32 primary (active), an NTFS primary, and an extended area with FAT16,
# FAT32, NTFS, Ext3 and Linux-swap logical partitions, with free space between some of them.
"$CLI" --disk "$DEMO/mbr.img" run \
    "InitiateDisk DiskIndex:0 Style:0 ForceReboot:0" \
    "$(create 0 2048 614400 11 11 'DEMO-FAT32' E 1 1)" \
    "$(create 0 616448 409600 7 7 'Documents' F 0 1)" \
    "$(create 0 1028096 204800 6 6 'DEMO-FAT16' G 0 0)" \
    "$(create 0 1234944 131072 11 11 'LOGICAL32' - 0 0)" \
    "$(create 0 1370112 262144 7 7 'Archive' H 0 0)" \
    "$(create 0 1640448 204800 131 50 'linux-home' - 0 0)" \
    "$(create 0 1851392 262144 130 51 '' - 0 0)" \
    "LabelPartition DiskIndex:0 PartitionIndex:7 Label:\"demo-swap\"" >/dev/null

# Disk 2: GPT, 1 GiB — NTFS basic data, FAT32 and Ext3.
"$CLI" --disk "$DEMO/gpt.img" run \
    "InitiateDisk DiskIndex:0 Style:1 ForceReboot:0" \
    "$(create 0 2048 819200 7 7 'Data' D 0 1)" \
    "$(create 0 821248 204800 11 11 'EFI' - 0 1)" \
    "$(create 0 1026048 1048576 131 50 'linux-data' - 0 1)" >/dev/null

echo "Demo disks in $DEMO:"
"$CLI" --disk "$DEMO/mbr.img" --disk "$DEMO/gpt.img" export

# The desktop program on the same disks. Without a display it runs on a virtual X server, saves a
# screenshot of its window and ends.
APP=$BUILD/app/volmara
if [ ! -x "$APP" ]; then
    echo "The desktop program is not part of this build ($APP is missing); skipping it."
    exit 0
fi
export VOLMARA_DISKS=$DEMO/mbr.img:$DEMO/gpt.img
SHOT=$DEMO/volmara.png
if [ "${QT_QPA_PLATFORM:-}" != "${QT_QPA_PLATFORM#offscreen}" ]; then
    # Drawn offscreen (tools/make_screenshot.sh): no display needed.
    rm -f "$SHOT"
    VOLMARA_SCREENSHOT=$SHOT "$APP"
    [ -s "$SHOT" ] || { echo "The desktop program did not save its screenshot." >&2; exit 1; }
    echo "Screenshot of Volmara on the demo disks: $SHOT"
    exit 0
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting Volmara on the demo disks..."
    exec "$APP"
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "No display and no xvfb-run: skipping the desktop program (./run deps installs xvfb)." >&2
    exit 0
fi
rm -f "$SHOT"
VOLMARA_SCREENSHOT=$SHOT xvfb-run -a -s "-screen 0 1280x1024x24" "$APP"
if [ ! -s "$SHOT" ]; then
    echo "The desktop program did not save its screenshot." >&2
    exit 1
fi
echo "Screenshot of Volmara on the demo disks: $SHOT"
