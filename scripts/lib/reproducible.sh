# SPDX-License-Identifier: MIT
# Sourced by the scripts that make Kestrin's artefacts, after they set `root`: the one time every
# artefact carries, and archives rewritten so that the same files always give the same bytes,
# whatever the folder, the clock and the umask of the build.

# SOURCE_DATE_EPOCH, Debian's reproducible-builds convention: the caller's, else the time of the
# last commit, else (a source tarball, without git) that of the changelog's newest entry. gzip,
# dpkg-deb and binutils' strip (the time in a PE header) read it.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    if [[ -e $root/.git ]]; then
        SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
    else
        SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$root/data/debian/changelog" -S Timestamp)
    fi
fi
export SOURCE_DATE_EPOCH

# normalise_tree FOLDER: everything in FOLDER at SOURCE_DATE_EPOCH, folders and programs 755, other
# files 644.
normalise_tree() {
    find "$1" -type d -exec chmod 755 {} +
    find "$1" -type f -perm -u+x -exec chmod 755 {} +
    find "$1" -type f ! -perm -u+x -exec chmod 644 {} +
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# normalise_deb FILE.deb: rebuilt by dpkg-deb from its own contents, which sorts the entries,
# makes root their owner and holds their times to SOURCE_DATE_EPOCH.
normalise_deb() {
    local tree
    tree=$(mktemp -d)
    dpkg-deb -R "$1" "$tree/package"
    normalise_tree "$tree/package"
    dpkg-deb --root-owner-group -Zxz --build "$tree/package" "$1" >/dev/null
    rm -rf "$tree"
}

# normalise_zip FILE.zip: rewritten by Info-ZIP's zip from its own contents, the names in byte
# order, without the extra fields that hold owners and access times (-X), times in UTC.
normalise_zip() {
    local tree zip
    tree=$(mktemp -d)
    zip=$(realpath "$1")
    unzip -q "$zip" -d "$tree"
    normalise_tree "$tree"
    rm "$zip"
    (cd "$tree" && find . -type f -printf '%P\n' | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$zip")
    rm -rf "$tree"
}

# uuid5 NAMESPACE NAME: the name-based UUID (RFC 4122, version 5, SHA-1) of NAME in the namespace
# NAMESPACE, in upper case, as Windows Installer writes its codes.
uuid5() {
    local hex
    hex=$({ printf '%b' "$(sed 's/-//g; s/../\\x&/g' <<<"$1")"; printf '%s' "$2"; } | sha1sum)
    hex=${hex:0:12}5${hex:13:3}$(printf '%x' $(((0x${hex:16:1} & 3) | 8)))${hex:17:15}
    printf '%s-%s-%s-%s-%s\n' "${hex:0:8}" "${hex:8:4}" "${hex:12:4}" "${hex:16:4}" "${hex:20:12}" |
        tr a-f A-F
}
