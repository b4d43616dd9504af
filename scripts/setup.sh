#!/usr/bin/env bash
# Installs what Polyverb needs from Debian packages (only what is missing) and configures
# and builds the release tree (build/) and, with --asan, the sanitizer and fuzzing tree
# (build-asan/). Non-interactive; uses sudo when not run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

want_asan=0
for arg in "$@"; do
  case "$arg" in
    --asan) want_asan=1 ;;
    -h|--help) echo "usage: scripts/setup.sh [--asan]"; exit 0 ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libicu-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  fp-compiler fp-units-fcl fpc-source
  lcl-2.2 lcl-gtk2-2.2 lcl-utils-2.2 xvfb twm patch
  gettext
  qt6-base-dev fonts-liberation
  libunistring-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
# ccache, when a developer has it, makes rebuilds across trees cheap; CI builds without it.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$jobs"
if ((want_asan)); then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DPOLYVERB_SANITIZE=ON -DPOLYVERB_FUZZ=ON \
    -DPOLYVERB_BENCH=OFF "${launcher[@]}" >/dev/null
  cmake --build build-asan -j"$jobs"
fi
