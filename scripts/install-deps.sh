#!/usr/bin/env bash
# Installs the Debian packages Marvek needs to build, test, benchmark and fuzz.
# Only missing packages are installed, so this is a quick no-op on a ready machine.
set -euo pipefail

packages=(
  # build tools
  g++ cmake ninja-build pkg-config
  # libraries
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  # the storage benchmark's peer
  libsqlite3-dev
  # the desktop program: Qt 6 Widgets, PrintSupport, Network (QLocalServer) and Test come with
  # qt6-base-dev; SVG artwork; DejaVu Sans has the chess figurines
  qt6-base-dev qt6-svg-dev fonts-dejavu-core
  # the tests that drive the program on a real X display
  xvfb xauth xdotool
  # test peers: pgn-extract (its eco.pgn is our real PGN test data); real engines: stockfish (UCI),
  # fairymax (Winboard), polyglot (a second Winboard engine over stockfish; also a benchmark peer)
  pgn-extract stockfish fairymax polyglot
)
# ./fuzz.sh builds its harnesses with clang and links libFuzzer and the sanitizer runtimes.
if [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang libfuzzer-14-dev libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
  echo "Run this script as root, or install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
