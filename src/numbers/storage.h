// Storage of big integers, for the code of src/numbers only: number records,
// digit arrays by size class, scratch buffers.
#pragma once

#include <cstdint>
#include <cstring>

#include "numbers/number.h"

namespace tolmex::numstore {

// Size classes: class c holds 4 << c digits; class -1 is the inline pair.
constexpr int kClasses = 26;  // the largest holds kMaxDigits
constexpr int64_t class_capacity(int c) { return c < 0 ? 2 : int64_t{4} << c; }
// The smallest class holding n digits (-1 for n <= 2). Ends the command
// through the storage-exhausted path when n exceeds kMaxDigits.
int class_for(int64_t n);

// An array of class c: from the class's free list, else carved from a
// numstash slug (the three smallest classes) or taken from the heap (counted
// in heap_array_bytes). Error 375 when no memory is left.
Digit* alloc_array(int c);
// Parks the array on its class's list; arrays of a megabyte and more go
// back to the heap.
void free_array(Digit* p, int c) noexcept;

// A record with len 0, the inline store and lint 0.
NumRec* new_record();
void free_record(NumRec* r) noexcept;

inline Digit* digits_of(NumRec* r) { return r->cls < 0 ? r->st.in : r->st.ptr; }
inline const Digit* digits_of(const NumRec* r) { return r->cls < 0 ? r->st.in : r->st.ptr; }
inline int64_t capacity_of(const NumRec* r) { return class_capacity(r->cls); }

// Room for n digits; the old digits are dropped (len is left alone).
Digit* reserve_fresh(NumRec* r, int64_t n);
// Gives up a digit array larger than needed for len (after cancellation).
void release_digits(NumRec* r) noexcept;

// The record of x, made when x is null.
inline NumRec* ensure(Number& x) {
    if (!x) x = Number::adopt(new_record());
    return x.get();
}

// x's word written as its value (the lintmode arms of the operations):
// digits kept beside it no longer stand for it and are dropped.
inline void put_word(Number& x, int32_t v) {
    NumRec* r = ensure(x);
    r->lint = v;
    r->len = 0;
    r->kept = 0;
}
// x's word written beside digits that stay as they are.
inline void keep_word(Number& x, int32_t v) { ensure(x)->lint = v; }

// A pooled scratch array of at least n digits, returned on destruction.
class DigitBuffer {
public:
    explicit DigitBuffer(int64_t n) : cls_(class_for(n < 3 ? 3 : n)), p_(alloc_array(cls_)) {}
    ~DigitBuffer() { free_array(p_, cls_); }
    DigitBuffer(const DigitBuffer&) = delete;
    DigitBuffer& operator=(const DigitBuffer&) = delete;
    Digit* data() const { return p_; }

private:
    int cls_;
    Digit* p_;
};

// Writes digits r[0..n) into x (normalising the length: leading zeros are
// dropped, keeping one digit). The digits must be valid signed digits.
void assign_digits(Number& x, const Digit* r, int64_t n);

// Length of r[0..n) without leading zero digits (at least 1).
inline int64_t normal_length(const Digit* r, int64_t n) {
    while (n > 1 && r[n - 1] == 0) --n;
    return n;
}

// Free digit slots parked on the class lists (at most cap): numhead's
// counter.
int64_t free_digit_slots(int64_t cap);

// Room for a result of at most `need` digits that is to become r's value.
// Unless `separate` is set the room may be r's own storage (kernels that
// read an operand at the same position they write are safe there). commit
// installs the result; an uncommitted room is given back.
class ResultDigits {
public:
    ResultDigits(Number& r, int64_t need, bool separate);
    ~ResultDigits() {
        if (mode_ == kFresh) free_array(out_, cls_);
    }
    ResultDigits(const ResultDigits&) = delete;
    ResultDigits& operator=(const ResultDigits&) = delete;
    Digit* data() const { return out_; }
    // The first n digits become the value (leading zeros dropped).
    void commit(int64_t n);

private:
    enum Mode { kInPlace, kLocal, kFresh, kDone };
    NumRec* rec_;
    Digit* out_;
    int cls_ = -1;
    Mode mode_;
    Digit local_[4];
};

inline ResultDigits::ResultDigits(Number& r, int64_t need, bool separate) : rec_(ensure(r)) {
    if (!separate && need <= capacity_of(rec_)) {
        out_ = digits_of(rec_);
        mode_ = kInPlace;
    } else if (need <= 4) {
        out_ = local_;
        mode_ = kLocal;
    } else {
        cls_ = class_for(need);
        out_ = alloc_array(cls_);
        mode_ = kFresh;
    }
}

inline void ResultDigits::commit(int64_t n) {
    n = normal_length(out_, n);
    switch (mode_) {
        case kInPlace: break;
        case kLocal: {
            Digit* d = reserve_fresh(rec_, n);
            std::memcpy(d, local_, static_cast<size_t>(n) * sizeof(Digit));
            break;
        }
        case kFresh:
            if (rec_->cls >= 0) free_array(rec_->st.ptr, rec_->cls);
            if (n <= 2) {
                rec_->cls = -1;
                rec_->st.in[0] = out_[0];
                rec_->st.in[1] = n > 1 ? out_[1] : 0;
                free_array(out_, cls_);
            } else {
                rec_->st.ptr = out_;
                rec_->cls = static_cast<int16_t>(cls_);
            }
            break;
        case kDone: break;
    }
    mode_ = kDone;
    rec_->len = static_cast<int32_t>(n);
}

// The magnitudes of a run of digits (all of one sign): the digits themselves
// when they are not negative, else a negated copy.
class Magnitude {
public:
    explicit Magnitude(DigitSpan x) : n_(static_cast<int64_t>(x.size())) {
        const Digit* d = x.data();
        bool negative = false;
        for (int64_t i = n_ - 1; i >= 0; --i)
            if (d[i]) {
                negative = d[i] < 0;
                break;
            }
        if (!negative) {
            p_ = d;
            return;
        }
        Digit* out = local_;
        if (n_ > kLocal) {
            cls_ = class_for(n_);
            out = buf_ = alloc_array(cls_);
        }
        for (int64_t i = 0; i < n_; ++i) out[i] = -d[i];
        p_ = out;
    }
    ~Magnitude() {
        if (buf_) free_array(buf_, cls_);
    }
    Magnitude(const Magnitude&) = delete;
    Magnitude& operator=(const Magnitude&) = delete;
    const Digit* data() const { return p_; }
    int64_t size() const { return n_; }

private:
    static constexpr int64_t kLocal = 32;
    int64_t n_;
    const Digit* p_ = nullptr;
    Digit* buf_ = nullptr;
    int cls_ = 0;
    Digit local_[kLocal];
};

}  // namespace tolmex::numstore
