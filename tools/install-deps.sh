#!/bin/bash
# Installs what building and testing Tolmex needs on a Debian machine.
# Safe to run repeatedly: it only calls apt-get when a package is missing.
set -e
pkgs=(g++ cmake make python3 libgtest-dev libgmp-dev libbenchmark-dev libedit-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
