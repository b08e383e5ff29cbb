#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB in build/) and checks it with lintian,
# installed when missing: any error or warning fails the run; notes of the info
# level are printed for whoever reads the log.
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

echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"
# lintian says so when run as root; that is no finding.
lintian --display-info --fail-on error,warning "$deb" 2> >(grep -v "running with root privileges" >&2)
echo "lintian: no errors, no warnings"
