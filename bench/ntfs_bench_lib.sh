# Shared by the NTFS benchmarks; sourced with DIR, START and GIB set and "$DIR/src", "$DIR/mnt" made.
for i in 1 2 3 4 5 6 7 8; do [ -f "$DIR/src/f$i.bin" ] || head -c $((8 << 20)) /dev/urandom > "$DIR/src/f$i.bin"; done

# make IMAGE VOLUME_SECTORS PERCENT: an NTFS volume at START filled to about 90 % with 64 MiB folders,
# then folders deleted evenly until about PERCENT % is used: files over the whole volume.
make() {
  local img=$1 sectors=$2 percent=$3 vol=$DIR/make.vol
  truncate -s $((sectors * 512)) "$vol"
  mkntfs -F -Q -q -c 4096 -p $START -H 255 -S 63 "$vol" 2>/dev/null
  ntfs-3g "$vol" "$DIR/mnt"
  local n=0 folders=$(( sectors / 2048 * 90 / 100 / 64 ))
  while [ $n -lt $folders ]; do
    mkdir "$DIR/mnt/d$n"; cp "$DIR"/src/*.bin "$DIR/mnt/d$n/" 2>/dev/null || break
    n=$((n + 1))
  done
  # Delete every k-th folder so that PERCENT of the volume stays used.
  local drop=$(( n - n * percent / 90 )) k
  for ((k = 0; k < drop; k++)); do rm -rf "$DIR/mnt/d$(( k * n / drop ))"; done
  umount "$DIR/mnt"; sleep 1
  truncate -s $(( (START + sectors) * 512 )) "$img"
  dd if="$vol" of="$img" bs=4M seek=$((START * 512)) oflag=seek_bytes conv=notrunc,sparse status=none
  rm -f "$vol"
}

cold() { sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true; }
timed() { local s; s=$(date +%s.%N); "$@" >/dev/null 2>&1; local rc=$?; echo "$(echo "$(date +%s.%N) - $s" | bc) $rc"; }
ratio() { echo "$1 / $2" | bc -l; }

check() { # check IMAGE START SECTORS
  dd if="$1" of="$DIR/check.img" bs=4M iflag=skip_bytes,count_bytes skip=$(($2 * 512)) count=$(($3 * 512)) conv=sparse status=none
  ntfsfix -n "$DIR/check.img" >/dev/null 2>&1 && echo "    ntfsfix -n: clean" || echo "    ntfsfix -n: FOUND ERRORS"
  rm -f "$DIR/check.img"
}

# The volume alone in a file, for ntfsresize and ntfsclone.
alone() { dd if="$1" of="$2" bs=4M iflag=skip_bytes skip=$((START * 512)) conv=sparse status=none; }

