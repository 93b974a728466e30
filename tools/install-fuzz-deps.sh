#!/bin/bash
# Installs what the statement fuzzer needs on a Debian machine: clang and
# its runtime (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer).
# Safe to run repeatedly: it only calls apt-get when a package is missing.
set -e
pkgs=(clang libclang-rt-dev)
missing=()
for p in "${pkgs[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
