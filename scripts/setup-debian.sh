#!/usr/bin/env bash
# Installs what the build, the tests and the benchmarks need on Debian 12.
set -euo pipefail
packages=(
  cmake g++ make pkgconf
  libgif-dev libtiff-dev
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev   # sanitizers and libFuzzer
  valgrind
  musl-tools                 # a small static C library for the del helper
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
