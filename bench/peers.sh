#!/usr/bin/env bash
# Polynomial arithmetic of Tolmex against PARI/GP, Singular and FLINT.
#
# Runs the same workloads in every system, each timed in CPU seconds around
# the operation alone (Tolmex through its own timing, "&t"; PARI/GP through
# gettime(), which gives the time since its previous call; Singular through
# timer; FLINT through clock() in bench/poly/flint_peer.cpp), takes the
# median of 3 runs in fresh processes and prints the times and the ratios
# Tolmex/peer.
#
#   sparse20  f = (1 + x + y + z + t)^20, then f * (f + 1)
#   sparse10  the same with exponent 10
#   dense2    g = (x + y + 1)^200, then g * (g + 1)
#   onevar    the product of two random polys of degree 2000 over Z with
#             30-digit coefficients (the same polys in every system)
#   power     (x + y + z + 1)^40
#
# Targets: sparse products at most 2x the faster of PARI/GP and Singular;
# every workload within 10x of FLINT.
#
# The peers are installed with apt-get when missing (pari-gp, singular,
# libflint-dev); Tolmex itself never depends on them. TOLMEX may name the
# executable; otherwise build-bench/tolmex (built in Release when absent) or
# build/tolmex is used. RUNS sets the number of runs (3).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
runs="${RUNS:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# --- the peers ---------------------------------------------------------------
need=()
command -v gp >/dev/null 2>&1 || need+=(pari-gp)
command -v Singular >/dev/null 2>&1 || need+=(singular)
[ -e /usr/include/flint/fmpz_mpoly.h ] || need+=(libflint-dev)
if [ ${#need[@]} -gt 0 ]; then
    echo "installing ${need[*]} ..."
    if [ "$(id -u)" = 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}" >"$work/apt.log" 2>&1 ||
            echo "apt-get failed; see the log" >&2
    else
        sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}" >"$work/apt.log" 2>&1 ||
            echo "apt-get failed" >&2
    fi
fi
have_gp=0; command -v gp >/dev/null 2>&1 && have_gp=1
have_sing=0; command -v Singular >/dev/null 2>&1 && have_sing=1
have_flint=0
if [ -e /usr/include/flint/fmpz_mpoly.h ] &&
    g++ -O2 -std=c++20 "$here/poly/flint_peer.cpp" -o "$work/flint_peer" -lflint -lgmp 2>"$work/flint.log"; then
    have_flint=1
fi

# --- Tolmex ------------------------------------------------------------------
tolmex="${TOLMEX:-}"
if [ -z "$tolmex" ]; then
    if [ -x "$root/build-bench/tolmex" ]; then
        tolmex="$root/build-bench/tolmex"
    elif [ -x "$root/build/tolmex" ]; then
        tolmex="$root/build/tolmex"
    else
        echo "building Tolmex in build-bench ..."
        cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
            cmake --build "$root/build-bench" -j2 --target tolmex >/dev/null || exit 1
        tolmex="$root/build-bench/tolmex"
    fi
fi

# --- the one-variable operands --------------------------------------------------
python3 - "$work" <<'EOF'
import random, sys
w = sys.argv[1]
random.seed(20261206)
polys = [[random.randrange(10**29, 10**30) * random.choice((1, -1)) for _ in range(2001)]
         for _ in range(2)]
def text(p):  # highest exponent first
    return " + ".join(f"({c})*x^{i}" for i, c in reversed(list(enumerate(p))))
with open(f"{w}/onevar.coeffs", "w") as f:
    for p in polys:
        f.write(" ".join(str(c) for c in p) + "\n")
with open(f"{w}/onevar.tolmex", "w") as f:
    f.write(f"a := {text(polys[0])}:\nb := {text(polys[1])}:\n")
with open(f"{w}/onevar.gp", "w") as f:
    f.write(f"a = {text(polys[0])};\nb = {text(polys[1])};\n")
with open(f"{w}/onevar.sing", "w") as f:
    f.write(f"poly a = {text(polys[0])};\npoly b = {text(polys[1])};\n")
EOF

# --- one run of each system ------------------------------------------------------
# Each prints the CPU seconds of the operation.

tolmex_run() {  # workload
    local w=$1 f="$work/t_$1.in"
    case $w in
    sparse20 | sparse10)
        printf '&J x, y, z, t;\nf := (1 + x + y + z + t)^%s:\n&t\ng := f*(f + 1):\n' "${w#sparse}" >"$f" ;;
    dense2) printf '&J x, y;\ng := (x + y + 1)^200:\n&t\nh := g*(g + 1):\n' >"$f" ;;
    onevar) { printf '&J x;\n'; cat "$work/onevar.tolmex"; printf '&t\nc := a*b:\n'; } >"$f" ;;
    power) printf '&J x, y, z;\n&t\np := (x + y + z + 1)^40:\n' >"$f" ;;
    esac
    "$tolmex" <"$f" 2>/dev/null | sed -n 's/.*CPU time: *\([0-9.]*\).*/\1/p' | tail -1
}

gp_run() {
    local w=$1 f="$work/g_$1.gp"
    {
        echo 'default(parisizemax, 4000000000);'
        case $w in
        sparse20 | sparse10) echo "f = (1 + x + y + z + t)^${w#sparse}; gettime(); g = f*(f + 1); print(gettime());" ;;
        dense2) echo 'g = (x + y + 1)^200; gettime(); h = g*(g + 1); print(gettime());' ;;
        onevar) cat "$work/onevar.gp"; echo 'gettime(); c = a*b; print(gettime());' ;;
        power) echo 'gettime(); p = (x + y + z + 1)^40; print(gettime());' ;;
        esac
        echo 'quit;'
    } >"$f"
    gp -q -f <"$f" 2>/dev/null | sed 's/\x1b\[[0-9;]*m//g' | grep -E '^[0-9]+$' | tail -1 |
        awk '{ printf "%.4f\n", $1 / 1000 }'
}

sing_run() {
    local w=$1 f="$work/s_$1.sing"
    {
        echo 'system("--ticks-per-sec", 1000); int t0;'
        case $w in
        sparse20 | sparse10) echo "ring r = 0, (x, y, z, t), dp; poly f = (1 + x + y + z + t)^${w#sparse}; t0 = timer; poly g = f*(f + 1); timer - t0;" ;;
        dense2) echo 'ring r = 0, (x, y), dp; poly g = (x + y + 1)^200; t0 = timer; poly h = g*(g + 1); timer - t0;' ;;
        onevar) echo 'ring r = 0, x, dp;'; cat "$work/onevar.sing"; echo 't0 = timer; poly c = a*b; timer - t0;' ;;
        power) echo 'ring r = 0, (x, y, z), dp; t0 = timer; poly p = (x + y + z + 1)^40; timer - t0;' ;;
        esac
        echo 'quit;'
    } >"$f"
    Singular -q "$f" 2>/dev/null | grep -E '^[0-9]+$' | tail -1 | awk '{ printf "%.4f\n", $1 / 1000 }'
}

flint_run() {
    case $1 in
    sparse20) "$work/flint_peer" sparse 20 ;;
    sparse10) "$work/flint_peer" sparse 10 ;;
    dense2) "$work/flint_peer" dense2 ;;
    onevar) "$work/flint_peer" onevar "$work/onevar.coeffs" ;;
    power) "$work/flint_peer" power ;;
    esac | awk '{ print $1 }'
}

median() {  # command workload
    local i vals=()
    for ((i = 0; i < runs; i++)); do vals+=("$("$1" "$2")"); done
    printf '%s\n' "${vals[@]}" | grep -E '^[0-9.]+$' | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN {
        if (a == "-" || b == "-") { print "-"; exit }
        if (b + 0 == 0) b = 0.0005;
        printf "%.2f\n", a / b }'
}

printf '%-9s %9s %9s %9s %9s %8s %8s %8s\n' workload tolmex pari/gp singular flint \
    'T/gp' 'T/sing' 'T/flint'
for w in sparse20 sparse10 dense2 onevar power; do
    t=$(median tolmex_run "$w")
    g=-; s=-; f=-
    [ $have_gp = 1 ] && g=$(median gp_run "$w")
    [ $have_sing = 1 ] && s=$(median sing_run "$w")
    [ $have_flint = 1 ] && f=$(median flint_run "$w")
    printf '%-9s %9s %9s %9s %9s %8s %8s %8s\n' "$w" "$t" "$g" "$s" "$f" \
        "$(ratio "$t" "$g")" "$(ratio "$t" "$s")" "$(ratio "$t" "$f")"
done
echo "(CPU seconds, median of $runs runs; targets: sparse <= 2x min(gp, singular), all <= 10x flint)"
