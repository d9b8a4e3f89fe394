#!/usr/bin/env bash
# Installs what building Vantrel needs on a Debian machine, where it is
# missing: a C++ compiler, make and CMake; with --tests also GoogleTest.
# Run as root (apt-get installs system packages); it does nothing when
# everything is there.
#
#   scripts/setup.sh [--tests] [PACKAGE...]   (further Debian packages to add)
set -euo pipefail
missing=()
if [ "${1:-}" = "--tests" ]; then
  shift
  [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
fi
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
missing+=("$@")
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: missing ${missing[*]}; run this as root (or install them)" >&2
    exit 1
  fi
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
