#!/bin/bash
# volmara-convert on real images: FAT12/16/32 volumes made by mkfs.fat and by Volmara, filled with
# mtools (non-ASCII long names, names that differ from their short names only in case, an empty file,
# a fragmented file, a folder large enough for index blocks, a deep path, attributes, times in and out
# of daylight saving), converted and judged by ntfsfix -n, ntfsresize --info, blkid and an ntfs-3g
# mount against the FAT volume's own listing. A nearly full volume is refused with nothing written;
# power cuts before the boot sector leave a FAT volume that fsck.fat passes with every file intact.
#
#   convert_test.sh VOLMARA_CONVERT VOLMARA_CLI
set -u
conv=$1
cli=$2
for tool in mkfs.fat mcopy mdir mattrib mdel fsck.fat ntfsfix ntfsresize ntfs-3g fusermount blkid sfdisk python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
[[ $(id -u) -eq 0 && -c /dev/fuse ]] || { echo "SKIP: needs root and FUSE"; exit 77; }

work=$(mktemp -d)
mnt=$work/mnt
mkdir -p "$mnt"
cleanup() {
    mountpoint -q "$mnt" && { fusermount -u "$mnt" 2>/dev/null || umount -l "$mnt"; }
    rm -rf "$work"
}
trap cleanup EXIT
export MTOOLS_SKIP_CHECK=1 TZ=America/New_York
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The files, with times on even seconds (FAT keeps two-second steps).
tree=$work/tree
mkdir -p "$tree/big folder" "$tree/deep/a/b/c/d/e/f"
printf 'ü\n' >"$tree/Ünïcödé façade.txt"
printf 'jp\n' >"$tree/日本語のファイル.txt"
printf 'mixed\n' >"$tree/MixedCase.Txt"
printf 'lower\n' >"$tree/lower.txt"
printf 'upper\n' >"$tree/UPPER.TXT"
printf 'readme\n' >"$tree/Readme"
: >"$tree/empty.bin"
head -c 70000 /dev/urandom >"$tree/deep/a/b/c/d/e/f/leaf with a long name.bin"
for i in $(seq -w 1 120); do
    printf '%s\n' "$i" >"$tree/big folder/entry number $i with a rather long name.dat"
done
find "$tree" -exec touch -h -d '2019-07-04 13:37:42' {} +
touch -d '2020-01-15 08:00:06' "$tree/lower.txt" "$tree/big folder"
# A smaller tree for the power cuts, still with a folder that needs index blocks.
small=$work/small
mkdir -p "$small/folder"
cp -a "$tree/lower.txt" "$tree/UPPER.TXT" "$tree/MixedCase.Txt" "$tree/Readme" "$tree/Ünïcödé façade.txt" "$small/"
cp -a "$tree/big folder/"*0[0-4]?" with"* "$small/folder/"
touch -d '2019-07-04 13:37:42' "$small/folder"

# fill IMAGE@@OFFSET [TREE]: copies the tree, then makes frag.bin fragmented (it fills a hole and goes on
# after the next file), then sets attributes.
fill() {
    local img=$1 from=${2:-$tree}
    mcopy -s -m -i "$img" "$from"/* ::/ || return 1
    head -c 40000 /dev/urandom >"$work/f1"
    head -c 40000 /dev/urandom >"$work/f2"
    head -c 150000 /dev/urandom >"$work/frag.bin"
    mcopy -i "$img" "$work/f1" ::/hole.bin && mcopy -i "$img" "$work/f2" ::/after.bin &&
        mdel -i "$img" ::/hole.bin && mcopy -i "$img" "$work/frag.bin" ::/frag.bin || return 1
    mattrib -i "$img" +r ::/lower.txt && mattrib -i "$img" +h ::/UPPER.TXT && mattrib -i "$img" +s ::/Readme &&
        mattrib -i "$img" -a ::/MixedCase.Txt
}

# What a FAT volume holds: one line per item, "path|size|mtime|attributes|sha1", from mtools.
fat_listing() {
    local img=$1 out=$work/fat-out
    rm -rf "$out" && mkdir -p "$out"
    mcopy -s -m -n -i "$img" '::/*' "$out/" 2>/dev/null || return 1
    mattrib -/ -i "$img" ::/ >"$work/attrs" || return 1
    mdir -/ -a -b -i "$img" ::/ >"$work/names" || return 1
    python3 - "$out" "$work/attrs" "$work/names" <<'EOF'
import hashlib, os, sys
root, attrs, names = sys.argv[1:4]
bits = {}
for line in open(attrs, encoding='utf-8', errors='replace'):
    at = line.find('::/')
    if at >= 0:
        flags = line[:at]
        bits[line[at + 3:].rstrip('\n').rstrip('/')] = sum(v for k, v in (('R', 1), ('H', 2), ('S', 4), ('A', 32)) if k in flags)
listed = {l.strip()[3:].rstrip('/') for l in open(names, encoding='utf-8', errors='replace') if l.startswith('::/')}
for dirpath, dirs, files in os.walk(root):
    for n in sorted(dirs + files):
        p = os.path.join(dirpath, n); rel = os.path.relpath(p, root); st = os.lstat(p)
        isdir = os.path.isdir(p)
        digest = '' if isdir else hashlib.sha1(open(p, 'rb').read()).hexdigest()
        print(f"{rel}|{0 if isdir else st.st_size}|{int(st.st_mtime) // 2 * 2}|{bits.get(rel, 0) & 0x27}|{digest}|{'listed' if rel in listed else 'unlisted'}")
EOF
}

# The same from an ntfs-3g mount; attributes from the NTFS attribute word.
ntfs_listing() {
    python3 - "$1" <<'EOF'
import hashlib, os, sys
root = sys.argv[1]
for dirpath, dirs, files in os.walk(root):
    for n in sorted(dirs + files):
        p = os.path.join(dirpath, n); rel = os.path.relpath(p, root); st = os.lstat(p)
        isdir = os.path.isdir(p)
        attr = int.from_bytes(os.getxattr(p, 'system.ntfs_attrib_be'), 'big') & 0x27
        digest = '' if isdir else hashlib.sha1(open(p, 'rb').read()).hexdigest()
        print(f"{rel}|{0 if isdir else st.st_size}|{int(st.st_mtime) // 2 * 2}|{attr}|{digest}|listed")
EOF
}

sorted_file() { sort >"$1"; }

# judge NAME VOLUME-FILE EXPECTED-LISTING LABEL
judge() {
    local name=$1 vol=$2 expected=$3 label=$4
    ntfsfix -n "$vol" >"$work/ntfsfix.out" 2>&1 || fail "$name: ntfsfix -n: $(cat "$work/ntfsfix.out")"
    ntfsresize --info --force --bad-sectors --no-progress-bar "$vol" >"$work/resize.out" 2>&1 ||
        fail "$name: ntfsresize --info: $(tail -3 "$work/resize.out")"
    [[ $(blkid -p -o value -s TYPE "$vol") == ntfs ]] || fail "$name: blkid does not see NTFS"
    [[ $(blkid -p -o value -s LABEL "$vol") == "$label" ]] || fail "$name: label $(blkid -p -o value -s LABEL "$vol"), not $label"
    if ntfs-3g -o ro,streams_interface=xattr "$vol" "$mnt" 2>"$work/mount.err"; then
        ntfs_listing "$mnt" | sorted_file "$work/after"
        fusermount -u "$mnt" || umount -l "$mnt"
        diff "$expected" "$work/after" >"$work/diff" || fail "$name: the NTFS tree differs from the FAT listing:
$(head -20 "$work/diff")"
    else
        fail "$name: ntfs-3g cannot mount: $(cat "$work/mount.err")"
    fi
}

# mark_bad IMAGE: marks a free cluster near the end of a FAT16 volume bad in every FAT; prints the first NTFS
# cluster it becomes (NTFS clusters tile the FAT clusters: the largest power of two up to 4 KiB that
# divides the data area's offset and the cluster size).
mark_bad() {
    python3 - "$1" <<'EOF'
import struct, sys
f = open(sys.argv[1], 'r+b'); b = f.read(512)
bps, spc, res, fats, roots, tot16, _, fsz = struct.unpack_from('<HBHBHHBH', b, 11)
tot = tot16 or struct.unpack_from('<I', b, 32)[0]
data = (res + fats * fsz) * bps + roots * 32
count = (tot * bps - data) // (spc * bps)
last = count + 1 - 100  # free: the files lie at the start
for i in range(fats):
    f.seek((res + i * fsz) * bps + 2 * last); f.write(struct.pack('<H', 0xFFF7))
c = 4096
while data % c or (spc * bps) % c:
    c //= 2
print((data + (last - 2) * spc * bps) // c)
EOF
}

# case NAME SIZE-MiB PARTITIONED MAKE... : makes, fills, lists, converts, judges.
run_case() {
    local name=$1 mib=$2 partitioned=$3
    shift 3
    local img=$work/$name.img vol=$work/$name.vol mimg label
    truncate -s "${mib}M" "$img"
    if [[ $partitioned == yes ]]; then
        local sectors=$((mib * 2048 - 2048))
        printf 'label: dos\nlabel-id: 0x11223344\n' | sfdisk -q "$img" >/dev/null || { fail "$name: sfdisk"; return; }
        "$cli" --disk "$img" run "CreatePartition DiskIndex:0 StartingOffset:2048 PartitionLength:$sectors PartTypeId:$1 FsType:$2 ClusterSize:$3 Label:\"VOLMARA\" Letter:0 Active:0 Primary:1 BootVolume:0 SystemVolume:0" \
            >"$work/cli.out" 2>&1 || { fail "$name: volmara-cli: $(cat "$work/cli.out")"; return; }
        mimg="$img@@1048576"
        label=VOLMARA
    else
        "$@" "$img" >/dev/null || { fail "$name: $*"; return; }
        mimg=$img
        label=$(blkid -p -o value -s LABEL "$img")
    fi
    fill "$mimg" || { fail "$name: mtools could not fill the volume"; return; }
    fat_listing "$mimg" | sorted_file "$work/before"
    local badLcn=
    [[ $name == fat16 ]] && badLcn=$(mark_bad "$img")
    grep -q unlisted "$work/before" && fail "$name: mdir and mcopy disagree"
    [[ $(wc -l <"$work/before") -gt 130 ]] || fail "$name: the FAT listing is short"
    grep -q '^lower.txt|6|[0-9]*|33|' "$work/before" && grep -q '^UPPER.TXT|6|[0-9]*|34|' "$work/before" &&
        grep -q '^Readme|7|[0-9]*|36|' "$work/before" && grep -q '^MixedCase.Txt|6|[0-9]*|0|' "$work/before" ||
        fail "$name: the FAT listing lacks the attributes set: $(grep -e lower -e UPPER -e Readme -e Mixed "$work/before")"
    local args=(--disk "$img")
    [[ $partitioned == yes ]] && args+=(--partition 1)
    if ! echo Y | "$conv" "${args[@]}" /FS:NTFS >"$work/conv.out" 2>&1; then
        fail "$name: the conversion failed: $(tail -5 "$work/conv.out")"
        return
    fi
    grep -q 'Convert .* to NTFS now (Y/N)? Y' "$work/conv.out" || fail "$name: no question asked"
    grep -q $'100 percent completed.' "$work/conv.out" || fail "$name: no progress shown"
    if [[ $partitioned == yes ]]; then
        local type
        type=$(sfdisk --part-type "$img" 1 | tr -d ' ')
        [[ $type == 7 ]] || fail "$name: the partition type is $type, not 7"
        dd if="$img" of="$vol" bs=1M skip=1 status=none
    else
        cp --sparse=always "$img" "$vol"
    fi
    judge "$name" "$vol" "$work/before" "$label"
    if [[ -n $badLcn ]]; then
        ntfscluster -f -c "$badLcn" "$vol" 2>&1 | grep -q '^Inode 8 ' || fail "$name: the bad cluster $badLcn is not in \$BadClus"
    fi
    rm -f "$img" "$vol"
}

run_case fat12 8 no mkfs.fat -F 12 -n F12LABEL
run_case fat16 24 no mkfs.fat -F 16 -s 4 -n F16LABEL
run_case fat32 40 no mkfs.fat -F 32 -s 1 -n F32LABEL
run_case volmara16 40 yes 6 6 0
run_case volmara32 72 yes 11 11 0

# Refusals: nearly full (nothing written, the need named), in use, No, already NTFS; and a volume with
# exactly the room the refusal asked for.
img=$work/full.img
truncate -s 8M "$img"
mkfs.fat -F 12 -n FULL "$img" >/dev/null
free=$(mdir -i "$img" ::/ | awk '/bytes free/ { gsub(/ /, "", $0); print $0 }' | grep -o '^[0-9]*')
head -c $((free - 60000)) /dev/zero >"$work/filler"
mcopy -i "$img" "$work/filler" ::/filler.bin
before=$(sha1sum <"$img")
if echo Y | "$conv" --disk "$img" /FS:NTFS >"$work/full.out" 2>&1; then
    fail "a nearly full volume was converted"
fi
grep -q 'not enough free space: the NTFS metadata needs [0-9]* KiB' "$work/full.out" || fail "no room message: $(cat "$work/full.out")"
grep -q 'Y/N' "$work/full.out" && fail "the nearly full volume was asked about"
[[ $(sha1sum <"$img") == "$before" ]] || fail "the refused volume was changed"
# Exactly the room asked for: the filler shrinks by what the refusal said was missing.
more=$(grep -o 'free at least [0-9]* KiB more' "$work/full.out" | grep -o '[0-9]*')
head -c $((free - 60000 - ${more:-0} * 1024)) /dev/zero >"$work/filler"
mcopy -o -i "$img" "$work/filler" ::/filler.bin
before=$(sha1sum <"$img")
echo N | "$conv" --disk "$img" /FS:NTFS >"$work/no.out" 2>&1
[[ $? -eq 3 ]] || fail "No did not end with status 3"
[[ $(sha1sum <"$img") == "$before" ]] || fail "the volume was changed after No"
# Mounted (where this system lets us mount FAT through a loop device).
if mount -o loop,ro -t vfat "$img" "$mnt" 2>/dev/null; then
    echo Y | "$conv" --disk "$img" /FS:NTFS >"$work/inuse.out" 2>&1 && fail "a mounted volume was converted"
    grep -q 'in use (mounted)' "$work/inuse.out" || fail "no in-use message: $(cat "$work/inuse.out")"
    umount "$mnt"
fi
# Held by another program of ours: a lock on the volume's byte range.
python3 -c 'import fcntl, os, struct, sys, time
fd = os.open(sys.argv[1], os.O_RDWR)
fcntl.fcntl(fd, fcntl.F_OFD_SETLK, struct.pack("hhqqi4x", fcntl.F_WRLCK, 0, 0, 0, 0))
print("locked", flush=True)
time.sleep(30)' "$img" >"$work/lock.out" &
holder=$!
for _ in $(seq 50); do [[ -s $work/lock.out ]] && break; sleep 0.1; done
echo Y | "$conv" --disk "$img" /FS:NTFS >"$work/held.out" 2>&1 && fail "a volume in use was converted"
grep -q 'in use' "$work/held.out" || fail "no in-use message: $(cat "$work/held.out")"
kill "$holder"
wait "$holder" 2>/dev/null
[[ $(sha1sum <"$img") == "$before" ]] || fail "the volume was changed while in use"
echo Y | "$conv" --disk "$img" /FS:NTFS >"$work/exact.out" 2>&1 || fail "a volume with the room asked for was not converted: $(tail -2 "$work/exact.out")"
ntfsfix -n "$img" >/dev/null 2>&1 || fail "ntfsfix -n fails on the volume converted with the room asked for"
echo Y | "$conv" --disk "$img" /FS:NTFS >"$work/again.out" 2>&1 && fail "an NTFS volume was converted again"
grep -q 'already NTFS' "$work/again.out" || fail "no already-NTFS message: $(cat "$work/again.out")"

# Power cuts: every write after the N-th fails. The writes of a whole run are counted first.
img=$work/cut.img
truncate -s 8M "$img"
mkfs.fat -F 12 -n CUTS "$img" >/dev/null
fill "$img" "$small" || fail "cuts: fill"
fat_listing "$img" | sorted_file "$work/cut-before"
lo=0 hi=4096
while ((lo < hi)); do
    mid=$(((lo + hi) / 2))
    cp --sparse=always "$img" "$work/try.img"
    if echo Y | VOLMARA_FAULTS="0:w-after:$mid" "$conv" --disk "$work/try.img" /FS:NTFS >/dev/null 2>&1; then
        hi=$mid
    else
        lo=$((mid + 1))
    fi
done
writes=$lo
echo "a conversion of $writes writes"
((writes > 20)) || fail "cuts: a conversion of only $writes writes"
# The boot region is the third-last write (the boot sector copies follow): cut before it.
for k in $(seq 0 19); do
    n=$((k * (writes - 3) / 19))
    cp --sparse=always "$img" "$work/try.img"
    echo Y | VOLMARA_FAULTS="0:w-after:$n" "$conv" --disk "$work/try.img" /FS:NTFS >"$work/cut.out" 2>&1 &&
        { fail "cut after $n of $writes writes: the conversion succeeded"; continue; }
    fsck.fat -n "$work/try.img" >"$work/fsck.out" 2>&1 || fail "cut after $n: fsck.fat: $(tail -3 "$work/fsck.out")"
    fat_listing "$work/try.img" | sorted_file "$work/cut-after"
    cmp -s "$work/cut-before" "$work/cut-after" || fail "cut after $n: the files changed"
done

((failures == 0)) || { echo "$failures failure(s)" >&2; exit 1; }
echo "all conversions judged"
