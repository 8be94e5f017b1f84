#!/usr/bin/env bash
# Installs the Debian 12 packages that Kelvora needs and that are not there yet.
set -euo pipefail

packages=(
  cmake g++ make ninja-build ccache
  qtbase5-dev qtbase5-dev-tools qttools5-dev-tools libqt5svg5-dev
  libjsoncpp-dev libeigen3-dev libspdlog-dev
  libgrpc++-dev protobuf-compiler-grpc libprotobuf-dev protobuf-compiler
  qttools5-dev
  libbenchmark-dev libopencv-imgcodecs-dev
  libaravis-dev aravis-tools aravis-tools-cli libusb-1.0-0-dev libopencv-imgproc-dev iproute2
  clang lld libclang-rt-14-dev clang-format-14 openssl
  xvfb xauth x11-apps imagemagick xdotool fonts-wqy-microhei
  dpkg-dev file lintian iproute2 util-linux systemd adduser passwd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all packages present"
  exit 0
fi

echo "deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "deps: these packages are missing and this user is not root, and there is no sudo" >&2
    echo "deps: as root, run:" >&2
    echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  SUDO="sudo"
fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
