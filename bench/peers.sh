#!/usr/bin/env bash
# Polynomial and integer arithmetic of Tolmex against PARI/GP, Singular and
# FLINT, and against GMP for the integers.
#
# Runs the same workloads in every system, each timed in CPU seconds around
# the operation alone (Tolmex through its own timing, "&t"; PARI/GP through
# gettime(), which gives the time since its previous call; Singular through
# timer; FLINT through clock() in bench/poly/flint_peer.cpp; GMP through
# clock() in bench/poly/gmp_peer.cpp), takes the median of 3 runs in fresh
# processes and prints the times and the ratios Tolmex/peer.
#
#   sparse20  f = (1 + x + y + z + t)^20, then f * (f + 1)
#   sparse10  the same with exponent 10
#   dense2    g = (x + y + 1)^200, then g * (g + 1)
#   fact30000 30000! and its decimal text (Tolmex: the statements f := 30000!
#             and !(f), the display, timed together; PARI/GP Str, Singular
#             string() after general.lib's factorial, FLINT fmpz_get_str,
#             GMP mpz_get_str)
#   pow3      3^1000000 and its decimal text, the same way
#   mul100    the product of two integers of n digits, a = 3^ka and
#   mul1000   b = 7^kb, made before the timing; n = 100, 1000, 10^4, 10^5,
#   mul1e4    10^6. The time is that of one product: FLINT and GMP repeat it
#   mul1e5    for a fifth of a second and divide; Tolmex, PARI/GP and
#   mul1e6    Singular time a loop of R products (R = 200000, 20000, 1000,
#             50, 5) less the same loop assigning 0, divided by R. The
#             table ends with the growth exponents log(t2/t1) / log(n2/n1)
#             of Tolmex and GMP between consecutive sizes.
#   (Integer workloads: Tolmex, PARI/GP, Singular, FLINT and GMP.)
#   onevar    the product of two random polys of degree 2000 over Z with
#             30-digit coefficients (the same polys in every system)
#   power     (x + y + z + 1)^40
#   gcd2      GCD over Z of g*c1 and g*c2, g = (x+y+1)^100 + x*y,
#             c1 = (x-y-2)^100 + x^3, c2 = (x+2*y+3)^100 + y^3 (the GCD
#             built-in in every system)
#   gcd3      the same in x, y, z with exponent 10: g = (x+y+z+1)^10 + x*y*z,
#             c1 = (x-y+z-2)^10 + x^3, c2 = (x+2*y-z+3)^10 + y^3
#   gcd5      in x, y, z, t, u with exponent 10: g = (x+y+z+t+u+1)^10 +
#             x*y*z*t*u, c1 = (x-y+z-t+u-2)^10 + x^3,
#             c2 = (x+2*y-z+t-2*u+3)^10 + y^3
#   ratsum40  the sum of 1/(x + i*y) for i = 1 .. 40 in Q(x, y), added term
#             by term (FLINT: fmpz_mpoly with the GCD cancelled by hand)
#   ratsum200 the same for i = 1 .. 200
#   gcdmodp   GCD over Z/32003 of a*c and b*c, a, b, c random monic of degree
#             5000 in x (the same polys in every system; the products are
#             formed before the timing)
#   factor500 the factorisation into irreducibles over Z/10007 of a random
#             monic poly of degree 500 (the same poly in every system: the
#             coefficients come from a seeded generator)
#   factor1000 the same with degree 1000
#   factor2   the same over Z/2 with degree 2000
#   matint    the product of two dense 200 x 200 integer matrices with
#             entries in -99 .. 99 (Tolmex and PARI/GP only)
#   matpoly   the product of two 100 x 100 matrices of random polys of
#             degree 3 in x with coefficients in -99 .. 99 (Tolmex and
#             PARI/GP only)
#   detp8     the determinant of the n x n matrix over Z[x, y] with entries
#             (x + i*y + j)^((i + j) mod 3 + 1), i, j = 1 .. n, n = 8
#   detp12    the same with n = 12
#   dettoep   the determinant of the symmetric 10 x 10 Toeplitz matrix with
#             entries t_|i-j| in the ten variables t0 .. t9
#   detint100 the determinant of a random 100 x 100 integer matrix with
#             entries in -99 .. 99
#   detint200 the same, 200 x 200
#   (FLINT: fraction-free elimination with fmpz_mpoly for the polynomial
#   matrices, fmpz_mat_det for the integer ones.)
#   hnf50     the Hermite normal form of a random 50 x 50 integer matrix
#             with entries in -99 .. 99 (PARI/GP mathnf, FLINT fmpz_mat_hnf)
#   hnf100    the same, 100 x 100
#   snf50     the Smith normal form of such a matrix (matsnf, fmpz_mat_snf)
#   snf100    the same, 100 x 100
#   rref200   the reduced row echelon form of a random 200 x 200 matrix over
#             Z/32003 (FLINT nmod_mat_rref; PARI/GP has no reduced echelon
#             form: matker runs the same elimination)
#   chpoly100 the characteristic polynomial of a random 100 x 100 integer
#             matrix with entries in -99 .. 99 (charpoly, fmpz_mat_charpoly)
#   loop      s := s + i for i = 1 .. 10^6, a loop typed at the prompt
#             (PARI/GP: a for() at its prompt)
#   loopf     the same loop inside a user function Loop(m) (PARI/GP: a
#             function with a my() variable)
#   fib       the recursive Fibonacci function, Fib(25), 242785 calls
#   (The interpreter workloads run in Tolmex and PARI/GP only.)
#
# Targets: 3^1000000 with decimal output within 2x of GMP; every integer
# product within 2x of GMP from 100 digits up; the matrix forms within 2x of the faster of PARI/GP and FLINT; the interpreter workloads within 3x of PARI/GP; sparse products at most 2x the faster of PARI/GP and Singular;
# every product within 10x of FLINT; matrix products within 2x of PARI/GP; multivariate GCD within 1.5x of
# min(Singular, FLINT); rational sums within 2x of FLINT and ahead of
# Singular; the GCD mod p within 2x of FLINT; factor1000 within 1.5x and
# factor2 within 2x of the fastest peer.
#
# A system that fails on a workload shows "error"; one that is missing, that
# printed no time, or that ran past PEER_TIMEOUT seconds (120) shows "n/a".
# WORKLOADS selects workloads (all by default; the word integer in it stands
# for the integer workloads); SMALL=1 shrinks the GCD and
# sum workloads (exponents 100 to 10 and 10 to 3, 200 terms to 20, degree
# 5000 to 200) to check the script quickly.
#
# The peers are installed with apt-get when missing (pari-gp, singular,
# libflint-dev, libgmp-dev); Tolmex itself never depends on them. TOLMEX may name the
# executable; otherwise build-bench/tolmex (built in Release when absent) or
# build/tolmex is used. RUNS sets the number of runs (3).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
runs="${RUNS:-3}"
# A run that takes longer than this many seconds is cut off and shows n/a.
limit="${PEER_TIMEOUT:-120}"
integer_workloads="fact30000 pow3 mul100 mul1000 mul1e4 mul1e5 mul1e6"
workloads="${WORKLOADS:-sparse20 sparse10 dense2 $integer_workloads onevar power gcd2 gcd3 gcd5 ratsum40 ratsum200 gcdmodp factor500 factor1000 factor2 matint matpoly detp8 detp12 dettoep detint100 detint200 hnf50 hnf100 snf50 snf100 rref200 chpoly100 loop loopf fib}"
# "integer" stands for the integer workloads, alone or in a list.
workloads=" $workloads "
workloads="${workloads// integer / $integer_workloads }"
gcd_big=100 gcd_ten=10 sum_big=200 modp_deg=5000
if [ "${SMALL:-0}" = 1 ]; then gcd_big=10 gcd_ten=3 sum_big=20 modp_deg=200; fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# --- the peers ---------------------------------------------------------------
need=()
command -v gp >/dev/null 2>&1 || need+=(pari-gp)
command -v Singular >/dev/null 2>&1 || need+=(singular)
[ -e /usr/include/flint/fmpz_mpoly.h ] || need+=(libflint-dev)
[ -e /usr/include/gmp.h ] || [ -e /usr/include/x86_64-linux-gnu/gmp.h ] || need+=(libgmp-dev)
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
have_gmp=0
g++ -O2 -std=c++20 "$here/poly/gmp_peer.cpp" -o "$work/gmp_peer" -lgmp 2>"$work/gmp.log" && have_gmp=1

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

# The GCD mod p operands: a, b, c monic of degree modp_deg, coefficients
# 0 .. 32002, constant term first in modp.coeffs.
python3 - "$work" "$modp_deg" <<'EOF'
import random, sys
w, deg = sys.argv[1], int(sys.argv[2])
random.seed(20261207)
polys = [[random.randrange(32003) for _ in range(deg)] + [1] for _ in range(3)]
def text(p):
    return " + ".join(f"({c})*x^{i}" for i, c in reversed(list(enumerate(p))) if c)
with open(f"{w}/modp.coeffs", "w") as f:
    for p in polys:
        f.write(" ".join(str(c) for c in p) + "\n")
for ext, fmt in (("tolmex", "{n} := {t}:\n"), ("gp", "{n} = Mod(1, 32003)*({t});\n"),
                 ("sing", "poly {n} = {t};\n")):
    with open(f"{w}/modp.{ext}", "w") as f:
        for n, p in zip("abc", polys):
            f.write(fmt.format(n=n, t=text(p)))
EOF

# The factoring operands: a random monic poly per workload, coefficients
# constant first in NAME.coeffs after the modulus.
python3 - "$work" <<'EOF4'
import random, sys
w = sys.argv[1]
for name, m, deg, seed in (("factor500", 10007, 500, 20261210), ("factor1000", 10007, 1000, 20261211),
                           ("factor2", 2, 2000, 20261212)):
    random.seed(seed)
    p = [random.randrange(m) for _ in range(deg)] + [1]
    t = " + ".join(f"{c}*x^{i}" for i, c in reversed(list(enumerate(p))) if c)
    with open(f"{w}/{name}.coeffs", "w") as f:
        f.write(f"{m}\n" + " ".join(str(c) for c in p) + "\n")
    with open(f"{w}/{name}.tolmex", "w") as f:
        f.write(f"&(p = {m})\n&J x;\nArray fa[{deg},2];\nf := {t}:\n&t\nn := Factor(f, [fa]):\n")
    with open(f"{w}/{name}.gp", "w") as f:
        f.write(f"f = Mod(1, {m})*({t});\ngettime(); F = factor(f); print(gettime());\n")
    with open(f"{w}/{name}.sing", "w") as f:
        f.write(f"ring r = {m}, x, dp; poly f = {t};\nt0 = timer; list L = factorize(f); timer - t0;\n")
EOF4

# The matrix workloads: the same random matrices for Tolmex (array
# literals) and PARI/GP (Mat).
python3 - "$work" <<'EOF2'
import random, sys
w = sys.argv[1]
random.seed(20261208)
def entry(poly):
    if not poly:
        return str(random.randint(-99, 99))
    c = [random.randint(-99, 99) for _ in range(3)] + [random.choice([i for i in range(-99, 100) if i])]
    return " + ".join(f"({a})*x^{i}" for i, a in reversed(list(enumerate(c))))
for name, n, poly in (("matint", 200, False), ("matpoly", 100, True)):
    mats = [[[entry(poly) for _ in range(n)] for _ in range(n)] for _ in range(2)]
    with open(f"{w}/{name}.tolmex", "w") as f:
        if poly:
            f.write("&J x;\n")
        f.write(f"Array a[{n},{n}], b[{n},{n}], c[{n},{n}];\n")
        for v, m in zip("ab", mats):
            f.write(f"[{v}] := [[ " + ", ".join(e for row in m for e in row) + " ]]:\n")
        f.write("&t\n[c] := [a] * [b]:\n")
    with open(f"{w}/{name}.gp", "w") as f:
        for v, m in zip("ab", mats):
            f.write(f"{v} = [" + "; ".join(", ".join(row) for row in m) + "];\n")
        f.write("gettime(); c = a*b; print(gettime());\n")
EOF2

# The determinant workloads: for each, the Tolmex script (DET_SWITCHES,
# e.g. "&(D = 10)", is put before the timing to try other methods), the
# PARI/GP and Singular scripts and the FLINT input. The polynomial
# matrices of powers take milliseconds: every system computes their
# determinant det_reps times, and the time is divided by that.
python3 - "$work" "${DET_SWITCHES:-}" <<'EOF3'
import random, sys
w, switches = sys.argv[1], sys.argv[2]
random.seed(20261209)
def powers(n):
    return [[f"(x+{i}*y+{j})^{(i + j) % 3 + 1}" for j in range(1, n + 1)] for i in range(1, n + 1)]
toep = [[f"t{abs(i - j)}" for j in range(10)] for i in range(10)]
reps = {"detp8": 20, "detp12": 20}
def randint(n):
    return [[str(random.randint(-99, 99)) for _ in range(n)] for _ in range(n)]
work = {"detp8": (powers(8), "x,y"), "detp12": (powers(12), "x,y"),
        "dettoep": (toep, ",".join(f"t{k}" for k in range(10))),
        "detint100": (randint(100), ""), "detint200": (randint(200), "")}
for name, (m, vars) in work.items():
    n = len(m)
    with open(f"{w}/{name}.tolmex", "w") as f:
        if vars:
            f.write(f"&J {vars.replace(',', ', ')};\n")
        f.write(f"Array a[{n},{n}];\n[a] := [[ " + ", ".join(e for r in m for e in r) + " ]]:\n")
        if switches:
            f.write(switches + "\n")
        f.write("&t\n" + "d := Det([a]):\n" * reps.get(name, 1))
    r = reps.get(name, 1)
    with open(f"{w}/{name}.gp", "w") as f:
        f.write("a = [" + "; ".join(", ".join(r) for r in m) + "];\n")
        f.write(f"gettime(); for(k = 1, {r}, d = matdet(a)); print(gettime());\n")
    with open(f"{w}/{name}.sing", "w") as f:
        f.write(f"ring r = 0, ({vars or 'x'}), dp;\n")
        f.write(f"matrix a[{n}][{n}] = " + ", ".join(e for r in m for e in r) + ";\n")
        f.write(f"poly d; int k; t0 = timer; for (k = 1; k <= {r}; k++) {{ d = det(a); }} timer - t0;\n")
    with open(f"{w}/{name}.reps", "w") as f:
        f.write(f"{r}\n")
    with open(f"{w}/{name}.flint", "w") as f:
        f.write(f"{n} {r} {vars}\n" if vars else f"{n}\n")
        f.write("\n".join(e for r in m for e in r) + "\n")
EOF3

# The matrix forms: a random integer matrix each, for Tolmex (an array
# literal, residues for rref200), PARI/GP and FLINT (the size, then the
# entries).
python3 - "$work" <<'EOF5'
import random, sys
w = sys.argv[1]
random.seed(20261213)
forms = {"hnf50": (50, "r := Hermite([a]):", "h = mathnf(a);"),
         "hnf100": (100, "r := Hermite([a]):", "h = mathnf(a);"),
         "snf50": (50, "r := Smith([a]):", "s = matsnf(a);"),
         "snf100": (100, "r := Smith([a]):", "s = matsnf(a);"),
         "rref200": (200, "r := Redrowech([a]):", "k = matker(a * Mod(1, 32003));"),
         "chpoly100": (100, "c := Chpoly([a]):", "c = charpoly(a);")}
for name, (n, stmt, gp) in forms.items():
    m = [[random.randint(-99, 99) for _ in range(n)] for _ in range(n)]
    shown = [[e % 32003 for e in r] for r in m] if name == "rref200" else m
    with open(f"{w}/{name}.tolmex", "w") as f:
        if name == "rref200":
            f.write("&(p = 32003)\n")
        if name == "chpoly100":
            f.write("&J x;\n")
        f.write(f"Array a[{n},{n}];\n[a] := [[ " + ", ".join(str(e) for r in shown for e in r) + " ]]:\n")
        f.write(f"&t\n{stmt}\n")
    with open(f"{w}/{name}.gp", "w") as f:
        f.write("a = [" + "; ".join(", ".join(str(e) for e in r) for r in m) + "];\n")
        f.write(f"gettime(); {gp} print(gettime());\n")
    with open(f"{w}/{name}.flint", "w") as f:
        f.write(f"{n}\n" + " ".join(str(e) for r in m for e in r) + "\n")
EOF5

# The GCD workloads: their variables, and g, c1, c2 one a line.
gcd_vars() {
    case $1 in
    gcd2) echo "x, y" ;;
    gcd3) echo "x, y, z" ;;
    gcd5) echo "x, y, z, t, u" ;;
    esac
}
gcd_polys() {
    case $1 in
    gcd2) printf '%s\n' "(x+y+1)^$gcd_big + x*y" "(x-y-2)^$gcd_big + x^3" "(x+2*y+3)^$gcd_big + y^3" ;;
    gcd3) printf '%s\n' "(x+y+z+1)^$gcd_ten + x*y*z" "(x-y+z-2)^$gcd_ten + x^3" \
        "(x+2*y-z+3)^$gcd_ten + y^3" ;;
    gcd5) printf '%s\n' "(x+y+z+t+u+1)^$gcd_ten + x*y*z*t*u" "(x-y+z-t+u-2)^$gcd_ten + x^3" \
        "(x+2*y-z+t-2*u+3)^$gcd_ten + y^3" ;;
    esac
}
# "g := ...;" lines: the names, the assignment sign and the line end.
gcd_assign() {  # workload prefix sign end
    gcd_polys "$1" | paste -d' ' <(printf '%s\n' "$2g $3" "$2c1 $3" "$2c2 $3") - | sed "s/\$/$4/"
}
sum_terms() { case $1 in ratsum40) echo 40 ;; ratsum200) echo "$sum_big" ;; esac; }
# The integer products: the digit count, the exponents ka and kb of the
# operands 3^ka and 7^kb of that many digits, and the repetitions R.
mul_digits() {
    case $1 in
    mul100) echo 100 ;; mul1000) echo 1000 ;; mul1e4) echo 10000 ;; mul1e5) echo 100000 ;;
    mul1e6) echo 1000000 ;;
    esac
}
mul_exps() {
    awk -v n="$(mul_digits "$1")" 'BEGIN { l = log(10)
        printf "%d %d\n", (n - 1) * l / log(3) + 1, (n - 1) * l / log(7) + 1 }'
}
mul_reps() {
    case $1 in mul100) echo 200000 ;; mul1000) echo 20000 ;; mul1e4) echo 1000 ;; mul1e5) echo 50 ;;
    mul1e6) echo 5 ;; esac
}
# "t_loop t_base" (two lines) -> the seconds per product; nothing (n/a)
# when the difference is below the timer's resolution.
per_product() {  # workload
    paste -sd' ' | awk -v r="$(mul_reps "$1")" 'NF == 2 && $1 > $2 { printf "%.3g\n", ($1 - $2) / r }'
}

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
    gcd2 | gcd3 | gcd5)
        { printf '&J %s;\n' "$(gcd_vars "$w")"; gcd_assign "$w" "" ":=" ":"
          printf 'p1 := g*c1:\np2 := g*c2:\n&t\nh := GCD(p1, p2):\n'; } >"$f" ;;
    ratsum*)
        { printf '&J x, y;\ns := 0:\n&t\n'
          for ((i = 1; i <= $(sum_terms "$w"); i++)); do printf 's := s + 1/(x + %d*y):\n' "$i"; done; } >"$f" ;;
    gcdmodp)
        { printf '&(p = 32003)\n&J x;\n'; cat "$work/modp.tolmex"
          printf 'p1 := a*c:\np2 := b*c:\n&t\nh := GCD(p1, p2):\n'; } >"$f" ;;
    matint | matpoly | det* | factor* | hnf* | snf* | rref* | chpoly*) cp "$work/$w.tolmex" "$f" ;;
    loop) printf 's := 0:\n&t\nfor i = 1, 1000000 do s := s + i od:\n' >"$f" ;;
    loopf) printf 'Func Loop(m) = s := 0; for i = 1, m do s := s + i od; s.\n&t\ns := Loop(1000000):\n' >"$f" ;;
    fib) printf 'Func Fib(n) = if n < 2 then n else Fib(n - 1) + Fib(n - 2) fi.\n&t\nf := Fib(25):\n' >"$f" ;;
    fact30000) printf '&t\nf := 30000!:\n!(f)\n' >"$f" ;;
    pow3) printf '&t\np := 3^1000000:\n!(p)\n' >"$f" ;;
    mul*)
        local ka kb r
        read -r ka kb < <(mul_exps "$w")
        r=$(mul_reps "$w")
        printf 'a := 3^%s:\nb := 7^%s:\n&t\nfor i = 1, %s do c := a*b od:\nfor i = 1, %s do c := 0 od:\n' \
            "$ka" "$kb" "$r" "$r" >"$f" ;;
    esac
    local out
    out=$(timeout "$limit" "$tolmex" <"$f" 2>/dev/null) || { echo n/a; return; }
    # An error once the timing is on spoils the run (error 373 while the
    # general GCD is missing).
    if sed -n '/Timing enabled/,$p' <<<"$out" | grep -q '^\*\*\*'; then echo error; return; fi
    case $w in
    ratsum*) process_cpu_difference "$f" ;;
    detp*) process_cpu_difference "$f" | per_rep "$w" ;;
    # The value and its display are two statements.
    fact* | pow3) statement_times <<<"$out" | tail -2 | awk '{ s += $1 } END { if (NR) printf "%.4f\n", s }' ;;
    mul*) statement_times <<<"$out" | tail -2 | per_product "$w" ;;
    *) sed -n 's/.*CPU time: *\([0-9.]*\).*/\1/p' <<<"$out" | tail -1 ;;
    esac
}

statement_times() { sed -n 's/.*CPU time: *\([0-9.]*\).*/\1/p'; }

# The sums run one statement per term, each far below the millisecond the
# statement timing shows: the process's CPU time less that of a run that
# stops before the sum.
process_cpu_difference() {  # script
    local head="$work/t_head.in" full=0 base=0
    sed '/^&t$/q' "$1" >"$head"
    full=$( { TIMEFORMAT='%U %S'; time "$tolmex" <"$1" >/dev/null 2>&1; } 2>&1 | tail -1 | awk '{ print $1 + $2 }')
    base=$( { TIMEFORMAT='%U %S'; time "$tolmex" <"$head" >/dev/null 2>&1; } 2>&1 | tail -1 | awk '{ print $1 + $2 }')
    awk -v f="$full" -v b="$base" 'BEGIN { d = f - b; printf "%.4f\n", (d > 0 ? d : 0) }'
}

# A time of all the repetitions of a determinant workload, per repetition.
per_rep() {  # workload
    local r=1
    [ -e "$work/$1.reps" ] && r=$(cat "$work/$1.reps")
    awk -v r="$r" '{ printf "%.4f\n", $1 / r }'
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
        gcd2 | gcd3 | gcd5)
            gcd_assign "$w" "" "=" ";"
            echo 'p1 = g*c1; p2 = g*c2; gettime(); q = gcd(p1, p2); print(gettime());' ;;
        ratsum*) echo "s = 0; gettime(); for(i = 1, $(sum_terms "$w"), s += 1/(x + i*y)); print(gettime());" ;;
        gcdmodp) cat "$work/modp.gp"; echo 'p1 = a*c; p2 = b*c; gettime(); q = gcd(p1, p2); print(gettime());' ;;
        matint | matpoly | det* | factor* | hnf* | snf* | rref* | chpoly*) cat "$work/$w.gp" ;;
        loop) echo 's = 0; gettime(); for(i = 1, 1000000, s = s + i); print(gettime());' ;;
        loopf) echo 'loopf(m) = my(s = 0); for(i = 1, m, s = s + i); s;'
            echo 'gettime(); s = loopf(1000000); print(gettime());' ;;
        fib) echo 'fib(n) = if(n < 2, n, fib(n - 1) + fib(n - 2));'
            echo 'gettime(); f = fib(25); print(gettime());' ;;
        fact30000) echo 'gettime(); f = 30000!; s = Str(f); print(gettime());' ;;
        pow3) echo 'gettime(); p = 3^1000000; s = Str(p); print(gettime());' ;;
        mul*)
            read -r ka kb < <(mul_exps "$w")
            echo "a = 3^$ka; b = 7^$kb; r = $(mul_reps "$w");"
            echo 'gettime(); for(k = 1, r, c = a*b); print(gettime()); for(k = 1, r, c = 0); print(gettime());' ;;
        esac
        echo 'quit;'
    } >"$f"
    timeout "$limit" gp -q -f <"$f" 2>/dev/null | sed 's/\x1b\[[0-9;]*m//g' | grep -E '^[0-9]+$' |
        awk '{ printf "%.4f\n", $1 / 1000 }' | last_time "$w"
}

# The last time printed, per repetition; the products: the last two, per
# product.
last_time() {  # workload
    case $1 in
    mul*) tail -2 | per_product "$1" ;;
    *) tail -1 | per_rep "$1" ;;
    esac
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
        gcd2 | gcd3 | gcd5)
            echo "ring r = 0, ($(gcd_vars "$w")), dp;"
            gcd_assign "$w" "poly " "=" ";"
            echo 'poly p1 = g*c1; poly p2 = g*c2; t0 = timer; poly q = gcd(p1, p2); timer - t0;' ;;
        ratsum*)
            # Q(x, y) as the coefficient field: its numbers are kept reduced.
            echo "ring r = (0, x, y), v, dp; number s = 0; int i; t0 = timer;"
            echo "for (i = 1; i <= $(sum_terms "$w"); i++) { s = s + 1/(x + i*y); } timer - t0;" ;;
        gcdmodp)
            echo 'ring r = 32003, x, dp;'; cat "$work/modp.sing"
            echo 'poly p1 = a*c; poly p2 = b*c; t0 = timer; poly q = gcd(p1, p2); timer - t0;' ;;
        det* | factor*) cat "$work/$w.sing" ;;
        fact30000)
            echo 'LIB "general.lib";'
            echo 't0 = timer; bigint f = factorial(30000); string s = string(f); timer - t0;' ;;
        pow3) echo 't0 = timer; bigint p = bigint(3)^1000000; string s = string(p); timer - t0;' ;;
        mul*)
            read -r ka kb < <(mul_exps "$w")
            echo "bigint a = bigint(3)^$ka; bigint b = bigint(7)^$kb; bigint c; int k; int r = $(mul_reps "$w");"
            echo 't0 = timer; for (k = 1; k <= r; k++) { c = a*b; } timer - t0;'
            echo 't0 = timer; for (k = 1; k <= r; k++) { c = 0; } timer - t0;' ;;
        esac
        echo 'quit;'
    } >"$f"
    timeout "$limit" Singular -q "$f" 2>/dev/null | grep -E '^[0-9]+$' | awk '{ printf "%.4f\n", $1 / 1000 }' |
        last_time "$w"
}

flint_run() {
    case $1 in
    sparse20) timeout "$limit" "$work/flint_peer" sparse 20 ;;
    sparse10) timeout "$limit" "$work/flint_peer" sparse 10 ;;
    dense2) timeout "$limit" "$work/flint_peer" dense2 ;;
    onevar) timeout "$limit" "$work/flint_peer" onevar "$work/onevar.coeffs" ;;
    power) timeout "$limit" "$work/flint_peer" power ;;
    gcd2 | gcd3 | gcd5)
        local polys=()
        mapfile -t polys < <(gcd_polys "$1" | tr -d ' ')
        timeout "$limit" "$work/flint_peer" gcd "$(gcd_vars "$1" | tr -d ' ')" "${polys[@]}" ;;
    ratsum*) timeout "$limit" "$work/flint_peer" ratsum "$(sum_terms "$1")" ;;
    gcdmodp) timeout "$limit" "$work/flint_peer" gcdmodp "$work/modp.coeffs" ;;
    factor*) timeout "$limit" "$work/flint_peer" factor "$work/$1.coeffs" ;;
    detint*) timeout "$limit" "$work/flint_peer" detint "$work/$1.flint" ;;
    det*) timeout "$limit" "$work/flint_peer" detpoly "$work/$1.flint" ;;
    hnf* | snf* | rref* | chpoly*)
        local kind=${1%%[0-9]*}
        [ "$kind" = chpoly ] && kind=charpoly
        timeout "$limit" "$work/flint_peer" matform "$kind" "$work/$1.flint" ;;
    fact30000) timeout "$limit" "$work/flint_peer" intfact 30000 ;;
    pow3) timeout "$limit" "$work/flint_peer" intpow 3 1000000 ;;
    mul*) timeout "$limit" "$work/flint_peer" intmul $(mul_exps "$1") ;;
    esac | awk '{ print $1 }'
}

gmp_run() {
    case $1 in
    fact30000) timeout "$limit" "$work/gmp_peer" fact 30000 ;;
    pow3) timeout "$limit" "$work/gmp_peer" pow 3 1000000 ;;
    mul*) timeout "$limit" "$work/gmp_peer" mul $(mul_exps "$1") ;;
    esac | awk '{ print $1 }'
}

median() {  # command workload: the median time, else "error" or "n/a"
    local i vals=()
    for ((i = 0; i < runs; i++)); do vals+=("$("$1" "$2")"); done
    if printf '%s\n' "${vals[@]}" | grep -qx error; then echo error; return; fi
    printf '%s\n' "${vals[@]}" | grep -E "^$number\$" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else print v[int((NR + 1) / 2)] }'
}

# A time as the peers print it: seconds, with an exponent for the products.
number='[0-9.]+(e[-+]?[0-9]+)?'

ratio() {
    awk -v a="$1" -v b="$2" -v num="^$number\$" 'BEGIN {
        if (a !~ num || b !~ num) { print "-"; exit }
        if (b + 0 == 0) b = 0.0005;
        printf "%.2f\n", a / b }'
}

# The growth exponent log(t2/t1) / log(n2/n1) of two times.
growth() {  # t1 t2 n1 n2
    awk -v a="$1" -v b="$2" -v n1="$3" -v n2="$4" -v num="^$number\$" 'BEGIN {
        if (a !~ num || b !~ num || a <= 0 || b <= 0) { print "-"; exit }
        printf "%.2f\n", log(b / a) / log(n2 / n1) }'
}

declare -A tol_time gmp_time
printf '%-9s %9s %9s %9s %9s %9s %8s %8s %8s %8s\n' workload tolmex pari/gp singular flint gmp \
    'T/gp' 'T/sing' 'T/flint' 'T/gmp'
for w in $workloads; do
    t=$(median tolmex_run "$w")
    g=n/a; s=n/a; f=n/a; m=n/a
    [ $have_gp = 1 ] && g=$(median gp_run "$w")
    case $w in
    mat* | loop* | fib) ;;  # PARI/GP is the peer of the matrix products and the interpreter
    hnf* | snf* | rref* | chpoly*) [ $have_flint = 1 ] && f=$(median flint_run "$w") ;;
    fact* | pow3 | mul*)
        [ $have_sing = 1 ] && s=$(median sing_run "$w")
        [ $have_flint = 1 ] && f=$(median flint_run "$w")
        [ $have_gmp = 1 ] && m=$(median gmp_run "$w") ;;
    *)
        [ $have_sing = 1 ] && s=$(median sing_run "$w")
        [ $have_flint = 1 ] && f=$(median flint_run "$w") ;;
    esac
    tol_time[$w]=$t gmp_time[$w]=$m
    printf '%-9s %9s %9s %9s %9s %9s %8s %8s %8s %8s\n' "$w" "$t" "$g" "$s" "$f" "$m" \
        "$(ratio "$t" "$g")" "$(ratio "$t" "$s")" "$(ratio "$t" "$f")" "$(ratio "$t" "$m")"
done
# The growth exponents of the products between consecutive sizes run.
prev= shown=
for w in mul100 mul1000 mul1e4 mul1e5 mul1e6; do
    [ -n "${tol_time[$w]:-}" ] || continue
    if [ -n "$prev" ]; then
        [ -z "$shown" ] && printf 'growth exponents of the products, log(t2/t1) / log(n2/n1):\n'
        shown=1
        n1=$(mul_digits "$prev") n2=$(mul_digits "$w")
        printf '  %-7s -> %-7s tolmex %5s  gmp %5s\n' "$prev" "$w" \
            "$(growth "${tol_time[$prev]}" "${tol_time[$w]}" "$n1" "$n2")" \
            "$(growth "${gmp_time[$prev]}" "${gmp_time[$w]}" "$n1" "$n2")"
    fi
    prev=$w
done
echo "(CPU seconds, median of $runs runs; mul*: seconds per product; targets: pow3 and mul* <= 2x gmp,"
echo " sparse <= 2x min(gp, singular), products <= 10x flint,"
echo " gcd2/3/5 <= 1.5x min(singular, flint), ratsum <= 2x flint and < singular, gcdmodp <= 2x flint,"
echo " matint and matpoly <= 2x gp, detp/dettoep <= min(gp, singular, flint), detint <= 2x flint,"
echo " loop, loopf and fib <= 3x gp, factor1000 <= 1.5x and factor2 <= 2x the fastest peer,"
echo " hnf, snf, rref200 and chpoly100 <= 2x min(gp, flint))"
