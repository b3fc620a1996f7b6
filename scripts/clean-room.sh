#!/usr/bin/env bash
# Runs the README's two set-up commands as a new user would: on a fresh Debian 12 root made
# with debootstrap, as root, with no standard input, on a clone of this checkout's committed
# HEAD (uncommitted changes are not part of it). Then the first of them, the main job, once
# more in the release's source archive, unpacked: the corresponding source builds on its own.
# Not part of CI: it needs root for chroot and mounts, a network connection for apt, and about
# three quarters of an hour.
#   sudo bash scripts/clean-room.sh [root folder]      (default: build/clean-room)
# The folder is removed and made again on every run, and left in place afterwards (unmounted)
# for a look at what the commands built. Exits non-zero when either command fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
room=${1:-$here/build/clean-room}
mkdir -p "$(dirname "$room")"
room=$(cd "$(dirname "$room")" && pwd -P)/$(basename "$room")
started=$SECONDS

if [ "$(id -u)" -ne 0 ]; then
    echo "clean-room.sh: must run as root (debootstrap, chroot and mounts)" >&2
    exit 2
fi

mounted=() # mount points inside the room, in the order they were mounted

mounts_under() { # every mount point at or below the room, deepest last
    awk -v r="$room" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/self/mounts
}

# shellcheck disable=SC2317 # called by the trap
cleanup() {
    local status=$?
    set +e
    # Whatever the commands left running inside (an X server, wineserver) holds the mounts.
    local proc
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root" 2>/dev/null)" = "$room" ] && kill "${proc#/proc/}" 2>/dev/null
    done
    sleep 1
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}"
    done
    local left
    left=$(mounts_under)
    if [ -n "$left" ]; then
        echo "clean-room.sh: still mounted, unmount by hand before removing $room:" >&2
        echo "$left" >&2
        status=1
    fi
    echo "== clean room: $((SECONDS - started)) s in all, exit status $status"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap ||
        { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y \
            --no-install-recommends debootstrap; }
fi

# A previous room goes first, but never while anything is still mounted in it: removing it
# would reach into the machine's own /dev and /proc.
if [ -e "$room" ]; then
    if [ -n "$(mounts_under)" ]; then
        echo "clean-room.sh: $room has mounts inside; unmount them first:" >&2
        mounts_under >&2
        exit 1
    fi
    rm -rf --one-file-system "$room"
fi

echo "== debootstrap: a fresh Debian 12 (bookworm, minbase) in $room"
t=$SECONDS
debootstrap --variant=minbase bookworm "$room" >"$room.debootstrap.log" 2>&1 || {
    tail -n 30 "$room.debootstrap.log"
    exit 1
}
echo "   $((SECONDS - t)) s"

# The machine's name resolution and package sources (disabled source files stay behind).
cp /etc/resolv.conf "$room/etc/resolv.conf"
rm -f "$room/etc/apt/sources.list"
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$room/etc/apt/sources.list"
for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && cp "$f" "$room/etc/apt/sources.list.d/"
done

for m in proc sys dev dev/pts dev/shm; do
    mkdir -p "$room/$m"
    mount --bind "/$m" "$room/$m"
    mounted+=("$room/$m")
done

# The committed HEAD of this checkout, whichever branch it is on.
commit=$(git -C "$here" rev-parse HEAD)
[ -z "$(git -C "$here" status --porcelain --untracked-files=no)" ] ||
    echo "   note: uncommitted changes in $here are not part of the clean room"
git clone --quiet --no-hardlinks "$here" "$room/root/tivrandel"
git -C "$room/root/tivrandel" checkout --quiet --detach "$commit"
echo "== commit $(git -C "$here" log -1 --format='%h %s' "$commit")"

# The commands exactly as the clone's README gives them: the indented lines of its set-up
# section.
mapfile -t commands < <(awk '
    /^## / { inside = ($0 ~ /^## Set-up on a fresh Debian 12 machine/) ; next }
    inside && /^    [^ ]/ { sub(/^    /, ""); print }' "$room/root/tivrandel/README.md")
if [ ${#commands[@]} -ne 2 ]; then
    echo "clean-room.sh: expected the README's two set-up commands, found ${#commands[@]}:" >&2
    printf '  %s\n' "${commands[@]}" >&2
    exit 1
fi

failed=0
in_room() { # <folder inside the room> <command>
    local dir=$1 command=$2 t=$SECONDS status=0
    echo "== $command (in $dir)"
    # A root login's environment, nothing inherited from this shell. In the background, so that
    # a signal reaches the trap at once rather than when the command ends.
    chroot "$room" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd $dir && $command" </dev/null &
    wait $! || status=$?
    echo "== $command: exit status $status after $((SECONDS - t)) s"
    return "$status"
}
for command in "${commands[@]}"; do
    in_room /root/tivrandel "$command" || failed=1
done

# The source archive that the main job put into dist/, unpacked where no git checkout is
# around it: the main job builds the plug-in and renders the demo from it (and, outside a
# checkout, makes no release).
if [ "$failed" -eq 0 ]; then
    archives=("$room"/root/tivrandel/dist/tivrandel-*-source.tar.gz)
    if [ ! -f "${archives[0]}" ] || [ ${#archives[@]} -ne 1 ]; then
        echo "clean-room.sh: the main job made no single source archive in dist/" >&2
        failed=1
    else
        rm -rf "$room/root/source"
        mkdir -p "$room/root/source"
        tar -xzf "${archives[0]}" -C "$room/root/source"
        unpacked=/root/source/$(basename "${archives[0]}" -source.tar.gz)
        if ! in_room "$unpacked" "${commands[0]}"; then
            failed=1
        elif [ ! -s "$room$unpacked/out/tivrandel-demo.wav" ]; then
            echo "clean-room.sh: the unpacked source rendered no demo" >&2
            failed=1
        fi
    fi
fi
exit "$failed"
