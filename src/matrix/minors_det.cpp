// Expansion by minors with the minor stash (minors_det.h).
#include "matrix/minors_det.h"

#include <cstdio>
#include <utility>

#include "base/errors.h"
#include "matrix/det_settings.h"
#include "matrix/minor_stash.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// The matrix as lists: per row its nonzero entries in increasing column
// order, per column in increasing row order (as entry numbers into the
// caller's values); and for the minor at hand the deleted rows and
// columns with the count of live entries in every line.
class MinorLists {
public:
    struct Cell {
        int32_t at;  // the column in a row's list, the row in a column's
        int32_t k;   // the entry number
    };
    struct Line {
        bool row;
        int32_t index;
        int32_t count;
    };

    explicit MinorLists(int32_t n)
        : n_(n), rows_(n), cols_(n), row_dead_(n, 0), col_dead_(n, 0), row_count_(n, 0), col_count_(n, 0) {}

    // Entries must come row by row, in increasing column order.
    void add(int32_t r, int32_t c, int32_t k) {
        rows_[r].push_back({c, k});
        cols_[c].push_back({r, k});
        ++row_count_[r];
        ++col_count_[c];
    }
    int32_t n() const { return n_; }
    int32_t deleted() const { return deleted_; }
    int32_t size() const { return n_ - deleted_; }

    // Deletes row r and column c; restore undoes the last remove.
    void remove(int32_t r, int32_t c) {
        row_dead_[r] = col_dead_[c] = 1;
        for (const Cell& x : rows_[r])
            if (!col_dead_[x.at]) --col_count_[x.at];
        for (const Cell& x : cols_[c])
            if (!row_dead_[x.at]) --row_count_[x.at];
        ++deleted_;
    }
    void restore(int32_t r, int32_t c) {
        for (const Cell& x : cols_[c])
            if (!row_dead_[x.at]) ++row_count_[x.at];
        for (const Cell& x : rows_[r])
            if (!col_dead_[x.at]) ++col_count_[x.at];
        row_dead_[r] = col_dead_[c] = 0;
        --deleted_;
    }

    // The live line with fewest live entries; rows before columns and
    // lower indices first among equals.
    Line fewest() const {
        Line best{true, -1, n_ + 1};
        for (int32_t i = 0; i < n_; ++i)
            if (!row_dead_[i] && row_count_[i] < best.count) best = {true, i, row_count_[i]};
        for (int32_t i = 0; i < n_; ++i)
            if (!col_dead_[i] && col_count_[i] < best.count) best = {false, i, col_count_[i]};
        return best;
    }
    const std::vector<Cell>& cells(const Line& l) const { return l.row ? rows_[l.index] : cols_[l.index]; }
    // Whether the line crossing l at x is live.
    bool crossing_live(const Line& l, const Cell& x) const { return l.row ? !col_dead_[x.at] : !row_dead_[x.at]; }
    // pos[i] := the number of live rows (or columns) before row (column) i.
    void positions(bool of_rows, std::vector<int32_t>& pos) const {
        const std::vector<char>& dead = of_rows ? row_dead_ : col_dead_;
        pos.resize(static_cast<size_t>(n_));
        int32_t live = 0;
        for (int32_t i = 0; i < n_; ++i) {
            pos[i] = live;
            if (!dead[i]) ++live;
        }
    }
    int32_t position(bool of_rows, int32_t i) const {
        const std::vector<char>& dead = of_rows ? row_dead_ : col_dead_;
        int32_t live = 0;
        for (int32_t j = 0; j < i; ++j) live += !dead[j];
        return live;
    }
    // The deleted rows and columns, 1-based.
    MinorKey key() const {
        MinorKey k;
        k.rows.reserve(static_cast<size_t>(deleted_));
        k.cols.reserve(static_cast<size_t>(deleted_));
        for (int32_t i = 0; i < n_; ++i) {
            if (row_dead_[i]) k.rows.push_back(i + 1);
            if (col_dead_[i]) k.cols.push_back(i + 1);
        }
        return k;
    }
    // The entry number of a 1 x 1 minor, -1 when it is 0.
    int32_t last_entry() const {
        for (int32_t r = 0; r < n_; ++r) {
            if (row_dead_[r]) continue;
            for (const Cell& x : rows_[r])
                if (!col_dead_[x.at]) return x.k;
            return -1;
        }
        return -1;
    }

private:
    int32_t n_;
    int32_t deleted_ = 0;
    std::vector<std::vector<Cell>> rows_, cols_;
    std::vector<char> row_dead_, col_dead_;
    std::vector<int32_t> row_count_, col_count_;
};

// A quoly minor: its own value, or one the stash holds (read in place:
// the stash keeps it until the expansion ends or purges a smaller size,
// and a minor is used at once, before anything else is stashed).
struct QuolyMinor {
    Quoly own;
    const QuolyRec* held = nullptr;
    const QuolyRec* get() const { return held ? held : own.get(); }
    // The value to keep once the expansion is over.
    Quoly owned() && { return held ? quoly_copy(held) : std::move(own); }
};

// The arithmetic of quoly minors.
struct QuolyArith {
    using Minor = QuolyMinor;
    const std::vector<const QuolyRec*>& v;

    static QuolyMinor zero() {
        QuolyMinor z;
        quoly_set(0, z.own);
        return z;
    }
    QuolyMinor entry(int32_t k) const {
        if (k < 0) return zero();
        QuolyMinor m;
        m.held = v[k];
        return m;
    }
    static bool lookup(MinorStash& s, const MinorKey& key, QuolyMinor& m) {
        m.held = s.minor_is_there(key);
        return m.held != nullptr;
    }
    // The value moves into the stash and is read there from then on.
    static void store(MinorStash& s, const MinorKey& key, int32_t size, QuolyMinor& m) {
        if (m.held) return;
        if (const QuolyRec* q = s.stash_minor_held(key, size, m.own)) m.held = q;
    }
    // sum := sum +- entry k times m.
    void accumulate(QuolyMinor& sum, int32_t k, QuolyMinor&& m, bool negative) const {
        if (quoly_iszero(m.get())) return;
        Quoly t;
        quoly_mult(v[k], m.get(), t);
        if (negative)
            best_quoly_sub(sum.own, std::move(t));
        else
            best_quoly_add(sum.own, std::move(t));
    }
};

// The arithmetic of residue minors, modulo the modulus in force.
struct ResidueArith {
    using Minor = int32_t;
    const std::vector<int32_t>& v;

    static int32_t zero() { return 0; }
    int32_t entry(int32_t k) const { return k < 0 ? 0 : v[k]; }
    static bool lookup(MinorStash& s, const MinorKey& key, int32_t& m) { return s.int_minor_is_there(key, m); }
    static void store(MinorStash& s, const MinorKey& key, int32_t size, int32_t m) { s.stash_minor(key, size, m); }
    void accumulate(int32_t& sum, int32_t k, int32_t m, bool negative) const {
        if (m == 0) return;
        const int32_t t = modmult(v[k], m);
        sum = negative ? mod_sub(sum, t, modulus) : mod_add(sum, t, modulus);
    }
};

// Verbose output names the rows expanded along at the outermost levels.
constexpr int32_t kVerboseLevels = 2;

template <class Arith>
class Expansion {
    using Minor = typename Arith::Minor;

public:
    Expansion(MinorLists& lists, const Arith& arith) : l_(lists), a_(arith), stash_(lists.n()) {}
    Minor run() { return minor(); }

private:
    // The minor of the live rows and columns.
    Minor minor() {
        poll_interrupt();
        MinorStats& st = stash_.stats();
        ++st.branches;
        const int32_t size = l_.size();
        if (size == 1) {
            ++st.leaves;
            return a_.entry(l_.last_entry());
        }
        const MinorLists::Line line = l_.fewest();
        if (line.count == 0) return Arith::zero();
        if (!stash_.wanted(size)) return expand(line);
        const MinorKey key = l_.key();
        Minor m;
        if (Arith::lookup(stash_, key, m)) return m;
        m = expand(line);
        Arith::store(stash_, key, size, m);
        return m;
    }

    // The sum of the entries of `line` times their signed minors.
    Minor expand(const MinorLists::Line& line) {
        if (verbose && line.row && l_.deleted() < kVerboseLevels) {
            std::printf("using row %1d.", line.index + 1);
            std::printf("\n");
        }
        std::vector<int32_t> pos;
        l_.positions(!line.row, pos);
        const int32_t own = l_.position(line.row, line.index);
        Minor sum = Arith::zero();
        for (const MinorLists::Cell& x : l_.cells(line)) {
            if (!l_.crossing_live(line, x)) continue;
            const int32_t r = line.row ? line.index : x.at;
            const int32_t c = line.row ? x.at : line.index;
            l_.remove(r, c);
            Minor m = minor();
            l_.restore(r, c);
            a_.accumulate(sum, x.k, std::move(m), (own + pos[x.at]) % 2 != 0);
        }
        return sum;
    }

    MinorLists& l_;
    const Arith& a_;
    MinorStash stash_;  // freed when the expansion ends, however it ends
};

// The nonzero entries of m as lists over values (value(q) for entry q).
template <class T, class F>
MinorLists lists_of(const Matrix& m, std::vector<T>& values, F value) {
    MinorLists l(m.rows);
    auto take = [&](int32_t r, int32_t c, const QuolyRec* q) {
        if (!q || quoly_iszero(q)) return;
        l.add(r, c, static_cast<int32_t>(values.size()));
        values.push_back(value(q));
    };
    for (int32_t r = 0; r < m.rows; ++r) {
        if (m.sparse) {
            for (const SparseEntry& x : m.srows[r]) take(r, x.col, x.v.get());
        } else {
            for (int32_t c = 0; c < m.cols; ++c) take(r, c, m.at(r, c));
        }
    }
    return l;
}

bool all_numbers(const Matrix& m) {
    if (m.sparse) {
        for (const auto& row : m.srows)
            for (const SparseEntry& x : row)
                if (!quoly_is_number(x.v.get())) return false;
        return true;
    }
    for (const Quoly& q : m.e)
        if (q && !quoly_is_number(q.get())) return false;
    return true;
}

// The determinant of a matrix of at least one row.
template <class Arith>
typename Arith::Minor expand_all(MinorLists& l, const Arith& a) {
    Expansion<Arith> x(l, a);
    return x.run();
}

}  // namespace

void do_minors_det(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det) {
    if (n == 0) {
        quoly_set(1, det);
        return;
    }
    MinorLists l(n);
    std::vector<const QuolyRec*> values;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            const QuolyRec* q = e[static_cast<size_t>(c) * n + r];
            if (!q || quoly_iszero(q)) continue;
            l.add(r, c, static_cast<int32_t>(values.size()));
            values.push_back(q);
        }
    det = expand_all(l, QuolyArith{values}).owned();
}

int32_t int_do_minors_det(const std::vector<int32_t>& a, int32_t n) {
    if (n == 0) return 1;
    MinorLists l(n);
    std::vector<int32_t> values;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c) {
            const int32_t v = a[static_cast<size_t>(r) * n + c];
            if (v == 0) continue;
            l.add(r, c, static_cast<int32_t>(values.size()));
            values.push_back(v);
        }
    return expand_all(l, ResidueArith{values});
}

void sparse_minors_det(const Matrix& m, Quoly& det) {
    if (!m.square()) fail(313, "Minors");
    if (m.rows == 0) {
        quoly_set(1, det);
        return;
    }
    std::vector<const QuolyRec*> values;
    MinorLists l = lists_of(m, values, [](const QuolyRec* q) { return q; });
    det = expand_all(l, QuolyArith{values}).owned();
}

int32_t int_sparse_minors_det(const Matrix& m) {
    if (!m.square()) fail(313, "Minors");
    if (!lintmode || !all_numbers(m)) internal_stop(" int_sparse_minors_det");
    if (m.rows == 0) return 1;
    std::vector<int32_t> values;
    MinorLists l = lists_of(m, values, [](const QuolyRec* q) { return quoly_number(q).lint(); });
    return expand_all(l, ResidueArith{values});
}

void minors_determinant(const Matrix& m, Quoly& det, bool integer_mode) {
    if (lintmode && !integer_mode && all_numbers(m)) {
        quoly_set(int_sparse_minors_det(m), det);
        return;
    }
    sparse_minors_det(m, det);
}

bool sparse_minors_branch(const Matrix& m, Quoly& det, bool integer_mode) {
    const int32_t e = detcutoff < 0 ? 3 : detcutoff;
    if (m.rows <= 1 || m.rows > e) return false;
    minors_determinant(m, det, integer_mode);
    return true;
}

}  // namespace tolmex
