#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Safe to run again.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi
packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev
  libx11-dev libxext-dev libxtst-dev xvfb x11-utils
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libpng-dev libstb-dev
  python3 python3-numpy python3-scipy python3-junitparser
  lsp-plugins-vst dragonfly-reverb-vst qtractor muse
)
# The Debian package's test (tools/deb-test.sh): CPack's Depends come from dpkg-shlibdeps, the
# manual page is looked up with man.
packages+=(dpkg-dev man-db)
# The LV2 bundles: headers and schemas (lv2_validate), sord_validate, the lilv library our test
# host links and its command-line tools (lv2ls, lv2info, lv2apply), and jalv to try them by hand.
packages+=(lv2-dev sordi lilv-utils liblilv-dev jalv)
# Ardour 7: its headless Lua session tool (ardour7-lua) and exporter load the bundles as a
# user's Ardour does; its own window is driven with xdotool and read back with xwd.
packages+=(ardour xdotool x11-apps)
# Windows builds and their tests under wine (tools/wine-test.sh): the MinGW-w64 cross compilers
# (posix threads), wine64 for the x86_64 build, debootstrap for the i386 root that runs the
# i686 build (tools/wine-i386-root.sh).
packages+=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 fonts-wine debootstrap
)
# Only touch apt when something is missing, so that the other scripts can call this every time.
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup.sh: all packages are installed"
  exit 0
fi
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
