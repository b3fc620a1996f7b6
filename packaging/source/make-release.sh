#!/usr/bin/env bash
# Makes the release's corresponding source: the committed tree of the checkout's HEAD, as
# git archive gives it, under one folder tivrandel-VERSION/.
#   make-release.sh VERSION CHECKOUT OUT_DIR WORK_DIR
# Uncommitted changes and untracked files are not part of it. git archive stamps every entry
# with the commit's time and the modes its umask gives; the archive is packed again the way
# the other artifacts are (entries in name order, owner root, modes 0644 and 0755, every time
# SOURCE_DATE_EPOCH), so that the same commit gives the same bytes.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 VERSION CHECKOUT OUT_DIR WORK_DIR" >&2; exit 2; }
version=$1
checkout=$(realpath "$2")
out=$(realpath -m "$3")
work=$(realpath -m "$4")
# The checkout itself, not a repository around it (an unpacked source archive inside a clone
# is no checkout of its own).
top=$(git -C "$checkout" rev-parse --show-toplevel 2>/dev/null || true)
if [ "$top" != "$checkout" ] ||
    ! commit=$(git -C "$checkout" rev-parse --verify --quiet 'HEAD^{commit}'); then
    echo "$checkout is not a git checkout with a commit: the source archive is made from" \
        "the committed tree with git archive, so make the release from a clone" >&2
    exit 1
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$checkout" log -1 --format=%ct "$commit")}
umask 022

name="tivrandel-$version"
archive="$out/$name-source.tar.gz"
rm -rf "$work"
mkdir -p "$work" "$out"
rm -f "$archive"

git -C "$checkout" archive --format=tar "--prefix=$name/" "$commit" |
    tar -C "$work" --no-same-owner --no-same-permissions -xf -
tar -C "$work" --sort=name --owner=0 --group=0 --numeric-owner --mode='u+rw,go=u-w' \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name" | gzip -9n >"$archive"

echo "$archive"
