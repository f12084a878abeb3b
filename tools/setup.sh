#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and run its demo.
# Runs on a fresh Debian 12 machine as root (or through sudo); does nothing when all is there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev           # libFuzzer and sanitizer runtimes
  clang-format clang-tidy shellcheck # tools/lint.sh
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev
  libssl-dev openssl minisign         # TLS transport, test CA, signatures
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-wqy-microhei                 # CJK glyphs for the Chinese texts
  qt6-translations-l10n              # the window framework's own Chinese texts (standard buttons)
  qt6-l10n-tools qt6-tools-dev       # lupdate and lrelease with their CMake functions, for the program's English and Chinese
  nginx-light curl python3           # interoperability peers and the demo host
  tinyproxy                          # a real HTTP proxy (plain and CONNECT) for the proxy tests
  libproxy-dev                       # the desktop's proxy settings when no proxy variable is set
  libproxy1-plugin-gsettings libproxy1-plugin-webkit  # GNOME's settings and PAC files, for the desktop proxy test
  hyperfine                          # whole-process timings beside curl
  gcovr                              # tools/coverage.sh: line and branch coverage per folder
  zip unzip libarchive-tools         # archives made by real tools in the tests
  p7zip-full                         # 7-Zip, for the AES-encrypted entries of the archive tests
  locales                            # localedef: a UTF-8 locale in which zip marks names as UTF-8, for the archive tests
  xvfb xauth imagemagick x11-utils   # screenshots
  xdotool openbox                    # clicks and a window manager for the screenshot script
  dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0  # the screen reader test: a session bus, AT-SPI, pyatspi
  orca                               # and what the Orca screen reader says (its debug log; no sound needed)
  wine wine64 gcc-mingw-w64-x86-64   # the player software's Windows programs, and a stand-in built for the tests
  librsvg2-bin                       # the icon's PNG sizes drawn from its SVG
  dpkg-dev lintian desktop-file-utils appstream  # the Debian package and its checks
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  # --check only tells whether anything is missing (for callers that are not root).
  [[ ${1:-} == --check ]] && { echo "missing packages: ${missing[*]}" >&2; exit 1; }
  sudo=()
  [ "$(id -u)" = 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
