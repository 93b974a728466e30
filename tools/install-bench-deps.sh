#!/bin/bash
# Installs what the benchmarks need on a Debian machine: Google Benchmark and
# GMP (the references of bench_numbers), FLINT (the reference of
# bench_modular) and PARI/GP (a peer of bench/peers.sh, the only one of its
# interpreter workloads loop, loopf and fib). Safe to run repeatedly: it
# only calls apt-get when a package is missing or was left half-installed.
set -e
pkgs=(libbenchmark-dev libgmp-dev libflint-dev pari-gp)
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
