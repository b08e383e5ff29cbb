#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB in build/), checks its licence files
# (LICENSE, and a copyright file that names our files and only the code compiled
# in) and checks it with lintian, installed when missing: any error or warning
# fails the run; notes of the info level are printed for whoever reads the log.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh lintian
rm -f build/quorbit_*.deb
(cd build && cpack -G DEB >/dev/null)
debs=(build/quorbit_*.deb)
deb=${debs[0]}

# The changelog's first entry must be the packaged version.
version=$(dpkg-deb -f "$deb" Version)
top=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/quorbit/changelog.gz | gzip -dc |
    head -1)
if [[ $top != "quorbit ($version) "* ]]; then
    echo "packaging/changelog starts with \"$top\": add an entry for version $version" >&2
    exit 1
fi

# The licence: LICENSE is the GPL-3 text, and the copyright file gives our files
# GPL-3+ and has a stanza only for code that is compiled in: each "Files: DIR/*"
# but ours must be a header folder that the programs' own sources include.
if ! cmp -s LICENSE /usr/share/common-licenses/GPL-3; then
    echo "LICENSE is not the text of /usr/share/common-licenses/GPL-3" >&2
    exit 1
fi
ours=$(awk '/^Files: \*$/ {getline; getline; print; exit}' packaging/copyright)
if [[ $ours != "License: GPL-3+" ]]; then
    echo "packaging/copyright: \"Files: *\" must be followed by its Copyright and License: GPL-3+" >&2
    exit 1
fi
included=$(ninja -C build -t deps | awk '/^[^ ]/ {object = $1}
    object ~ /^src\// && $1 ~ /^\/usr\/include\/[^/]+\// {split($1, path, "/"); print path[4]}' |
    sort -u)
while read -r pattern; do
    [[ $pattern == "*" ]] && continue
    folder=${pattern%/\*}
    if [[ $folder == "$pattern" ]] || ! grep -qxF -- "$folder" <<<"$included"; then
        echo "packaging/copyright names $pattern: no header folder the programs include" >&2
        exit 1
    fi
done < <(sed -n 's/^Files: //p' packaging/copyright)
echo "copyright: ours GPL-3+; compiled in: $(sed -n 's|^Files: \(.*\)/\*$|\1|p' packaging/copyright | xargs)"

echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"
# lintian says so when run as root; that is no finding.
lintian --display-info --fail-on error,warning "$deb" 2> >(grep -v "running with root privileges" >&2)
echo "lintian: no errors, no warnings"
