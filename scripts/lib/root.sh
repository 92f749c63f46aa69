# Debian roots made with mmdebstrap from the machine's own Debian mirror: the Wine root of
# scripts/windows and the pristine roots of the fresh stage. One cache, one lock per root name,
# one way to mount and unmount. Sourced by common.sh.

orb_root_cache=${ORB_ROOT_CACHE:-/var/cache/orb-ptz-washing}

# The mirror the machine's own apt uses, else Debian's.
orb_mirror() {
    local mirror
    mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)\/*$/\1/p' /etc/apt/sources.list.d/debian.sources \
        2>/dev/null | head -1)
    echo "${mirror:-http://deb.debian.org/debian}"
}

# orb_root_make NAME SUITE PACKAGES [HOOK...]: prints the path of a root of Debian SUITE with
# PACKAGES (space-separated) and mmdebstrap customize HOOKs, made once per key and kept in
# $orb_root_cache/roots/NAME-KEY. A root is made when its stamp, written last, is there: a file
# inside the root, so no link in it is followed to the host. It is built aside and renamed whole
# (mv -T never moves into an existing folder); a half-made root of a killed run and the roots of
# other keys are removed first, so the cache holds one root per name.
orb_root_make() {
    local name=$1 suite=$2 packages=$3
    shift 3
    local dir=$orb_root_cache/roots key root hooks=()
    key=$(printf '%s\n' "$suite" "$packages" "$@" | sha256sum | cut -c1-12)
    root=$dir/$name-$key
    local hook
    for hook in "$@"; do hooks+=(--customize-hook="$hook"); done
    mkdir -p "$dir"
    (
        # One maker at a time; the others wait and then find it made.
        flock 9
        [ -f "$root/.orb-root-made" ] && exit 0
        local old
        for old in "$dir/$name"-????????????{,.part}; do
            [ -e "$old" ] && rm -rf --one-file-system "$old"
        done
        echo "Making the $name root $root (once per machine, a few minutes)" >&2
        mmdebstrap --mode=root --variant=apt --quiet \
            ${packages:+--include="${packages// /,}"} "${hooks[@]}" \
            "$suite" "$root.part" \
            "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(orb_mirror) $suite main" \
            >&2 || { rm -rf --one-file-system "$root.part"; exit 1; }
        date -u >"$root.part/.orb-root-made"
        mv -T "$root.part" "$root"
    ) 9>"$dir/$name.lock" || return 1
    echo "$root"
}

# Mounts made by orb_root_bind and orb_root_mount, undone last-first by orb_root_unmount. Call
# them in a private mount namespace (unshare --mount --propagation private): nothing is seen
# outside it, and what a killed run left goes with its last process.
orb_root_mounted=()

# orb_root_bind SOURCE TARGET: binds the folder SOURCE onto TARGET, made if missing.
orb_root_bind() {
    mkdir -p "$2"
    mount --bind "$1" "$2"
    orb_root_mounted+=("$2")
}

# What programs in ROOT expect of a system: /dev, /dev/pts, /proc, /sys and a /dev/shm.
orb_root_mount() {
    local root=$1 d
    for d in /dev /dev/pts /proc /sys; do orb_root_bind "$d" "$root$d"; done
    mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
    orb_root_mounted+=("$root/dev/shm")
}

orb_root_unmount() {
    local i
    for ((i = ${#orb_root_mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${orb_root_mounted[i]}" 2>/dev/null || true
    done
    orb_root_mounted=()
}

# orb_root_copy BASE DIR: a fresh copy of BASE at DIR/root to write in, BASE left as it is: an
# overlay when the kernel has one, else a copy (a reflink where the file system can).
orb_root_copy() {
    local base=$1 dir=$2
    rm -rf --one-file-system "$dir"
    mkdir -p "$dir/upper" "$dir/work" "$dir/root"
    if mount -t overlay overlay \
        -o "lowerdir=$base,upperdir=$dir/upper,workdir=$dir/work" "$dir/root" 2>/dev/null; then
        orb_root_mounted+=("$dir/root")
    else
        cp -a --reflink=auto "$base/." "$dir/root/"
    fi
}
