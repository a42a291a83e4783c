#!/usr/bin/env bash
# Builds the Debian package sarvel_VERSION_ARCH.deb into build-deb/ (the program only, no tests or
# benchmarks) and shows what it holds. Installs what it needs: scripts/setup.sh's packages, dpkg-dev
# for the library dependencies and, with --lintian, lintian.
#   scripts/package.sh              the package in build-deb/
#   scripts/package.sh --lintian    and check it with lintian
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${SARVEL_DEB_BUILD_DIR:-build-deb}
bash scripts/setup.sh
need=()
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
[ "${1:-}" = "--lintian" ] && ! command -v lintian >/dev/null && need+=(lintian)
if [ ${#need[@]} -gt 0 ]; then
    SUDO=
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    echo "Installing: ${need[*]}"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${need[@]}"
fi
# Built as Debian builds its packages: dpkg-buildflags' flags, all hardening on (stack protector,
# fortified functions, read-only relocations bound at start). The project is C++ only, so CFLAGS
# has nothing to build. cpack strips the program.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSARVEL_TESTS=OFF -DSARVEL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$BUILD"
(cd "$BUILD" && cpack -G DEB)
DEB=$(ls -t "$BUILD"/sarvel_*.deb | head -1)
dpkg-deb --info "$DEB"
dpkg-deb --contents "$DEB"
if [ "${1:-}" = "--lintian" ]; then
    lintian --info "$DEB"
fi
echo "Built $DEB"
