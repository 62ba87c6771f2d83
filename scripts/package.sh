#!/usr/bin/env bash
# Builds the Debian package dwelk_<version>_amd64.deb in the repository root: both
# programs in /usr/bin, the desktop entry, icon, MIME types, AppStream metainfo, the
# manual pages, the changelog and the copyright file. Dependencies come from the libraries
# the binaries link, plus what they load or call at run time without linking it. The
# package must pass lintian with no error and no warning.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build-deb
# dpkg-shlibdeps looks for debian/control, and for the files in debian/<package>/ beside
# its DEBIAN folder.
tree="$build/package"
stage="$tree/debian/dwelk"
doc="$stage/usr/share/doc/dwelk"

# The hardening Debian builds its packages with, binding every symbol at start included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DDWELK_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
logged=$(dpkg-parsechangelog -l packaging/changelog -S Version)
if [ "$version" != "$logged" ]; then
  echo "package: packaging/changelog ends at $logged, the project is at $version" >&2
  exit 1
fi
cmake --build "$build" --parallel "$(nproc)"
rm -rf "$tree"
DESTDIR="$PWD/$stage" cmake --install "$build" --strip >/dev/null
gzip -9n "$stage"/usr/share/man/man1/*.1
install -D -m 644 packaging/copyright "$doc/copyright"
install -m 644 packaging/changelog "$doc/changelog"
gzip -9n "$doc/changelog"

arch=$(dpkg --print-architecture)

mkdir -p "$stage/DEBIAN"
printf 'Source: dwelk\n\nPackage: dwelk\nArchitecture: any\n' >"$tree/debian/control"
shlibs=$(cd "$tree" && dpkg-shlibdeps -O debian/dwelk/usr/bin/dwelk debian/dwelk/usr/bin/pas2html |
  sed -n 's/^shlibs:Depends=//p')
# Loaded or called, never linked: the platform plugin, fonts the window names, Qt's own
# translations, and the desktop opener.
runtime="qt6-qpa-plugins, fonts-liberation2, fonts-dejavu-core, qt6-translations-l10n, xdg-utils"

cat >"$stage/DEBIAN/control" <<CONTROL
Package: dwelk
Version: $version
Architecture: $arch
Maintainer: dwelk maintainers <dwelk@localhost>
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $shlibs, $runtime
Section: devel
Priority: optional
Description: Pascal sources to highlighted HTML pages
 dwelk turns Pascal sources (*.pas, *.dfm, *.dpr) into HTML pages: comments,
 reserved words, numbers, strings and compiler directives are wrapped in markup
 you choose, and every page keeps the encoding of its source.
 .
 The package holds the window program dwelk and the command-line converter
 pas2html.
CONTROL
(cd "$stage" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z |
  xargs -0 md5sum) >"$stage/DEBIAN/md5sums"

deb="dwelk_${version}_${arch}.deb"
dpkg-deb --root-owner-group --build "$stage" "$deb" >/dev/null
# The project has no mail address of its own yet: the placeholder is the one thing let pass.
lintian --fail-on error,warning --suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog \
  "$deb" >&2
echo "$deb"
