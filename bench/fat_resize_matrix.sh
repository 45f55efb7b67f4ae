#!/bin/sh
# The FAT resize matrix of the test suite, drawn long: RUNS cases (300 unless given) of kind x cluster
# size x operation x fill, each judged by fsck.fat, mdir, mattrib, mcopy and blkid.
#   bench/fat_resize_matrix.sh BUILD_DIR [RUNS]
set -e
BUILD=${1:?usage: fat_resize_matrix.sh BUILD_DIR [RUNS]}
VOLMARA_FAT_MATRIX_RUNS=${2:-300} exec "$BUILD/tests/volmara_fs_tests" --gtest_filter=FatResize.RandomMatrix
