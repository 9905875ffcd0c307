#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

// A sequence of plain values with a gap at the place last edited, so that a run of edits in one
// place moves only what lies between the old place and the new one. The storage is never
// initialised before it is written, so that reading a file into it costs no extra pass.
template <typename T> class TGapVector {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T at(std::size_t i) const {
        assert(i < size_);
        return i < gapStart_ ? data_[i] : data_[i + gapLength()];
    }
    T& ref(std::size_t i) {
        assert(i < size_);
        return i < gapStart_ ? data_[i] : data_[i + gapLength()];
    }

    // The longest run of values stored together that starts at i, and its length.
    const T* runAt(std::size_t i, std::size_t* length) const {
        assert(i <= size_);
        if (i < gapStart_) {
            *length = gapStart_ - i;
            return data_.get() + i;
        }
        *length = size_ - i;
        return data_.get() + i + gapLength();
    }

    // Copies [from, from + n) into out.
    void copy(std::size_t from, std::size_t n, T* out) const {
        assert(from + n <= size_);
        while (n) {
            std::size_t run = 0;
            const T* p = runAt(from, &run);
            run = std::min(run, n);
            std::memcpy(out, p, run * sizeof(T));
            out += run;
            from += run;
            n -= run;
        }
    }

    // Room for n values at position i, left uninitialised: the caller writes them all.
    T* insertRoom(std::size_t i, std::size_t n) {
        assert(i <= size_);
        reserveGap(n);
        moveGap(i);
        T* room = data_.get() + gapStart_;
        gapStart_ += n;
        size_ += n;
        return room;
    }
    void insert(std::size_t i, const T* values, std::size_t n) {
        if (n)
            std::memcpy(insertRoom(i, n), values, n * sizeof(T));
    }
    void erase(std::size_t i, std::size_t n) {
        assert(i + n <= size_);
        if (!n)
            return;
        if (i + n == gapStart_) {
            gapStart_ = i; // the common backspace: the gap grows to the left
        } else {
            moveGap(i);
        }
        size_ -= n;
    }
    // Gives back the last n values of an insertRoom at the end that were not written.
    void truncate(std::size_t n) {
        assert(n <= size_);
        if (n <= gapStart_)
            gapStart_ = n; // what lay after n, before the gap or after it, is dropped
        else
            moveGap(n);
        size_ = n;
    }
    void clear() {
        data_.reset();
        capacity_ = size_ = gapStart_ = 0;
    }
    // Makes the values [from, from + n) lie together and gives them; moves the gap.
    const T* contiguous(std::size_t from, std::size_t n) {
        assert(from + n <= size_);
        if (from < gapStart_ && from + n > gapStart_)
            moveGap(from + n);
        return data_.get() + (from < gapStart_ ? from : from + gapLength());
    }
    std::size_t capacity() const { return capacity_; }
    // Room for n values in all, so that filling up to n moves nothing.
    void reserve(std::size_t n) {
        if (n > size_)
            reserveGap(n - size_, false);
    }

private:
    std::size_t gapLength() const { return capacity_ - size_; }

    void moveGap(std::size_t i) {
        if (i == gapStart_)
            return;
        T* d = data_.get();
        const std::size_t gap = gapLength();
        if (i < gapStart_)
            std::memmove(d + i + gap, d + i, (gapStart_ - i) * sizeof(T));
        else
            std::memmove(d + gapStart_, d + gapStart_ + gap, (i - gapStart_) * sizeof(T));
        gapStart_ = i;
    }

    void reserveGap(std::size_t n, bool spare = true) {
        if (gapLength() >= n)
            return;
        // Grows by an eighth at least, so that a run of inserts copies the values a few times
        // only; a first fill is taken as it is (a loaded page is mostly read).
        const std::size_t want =
            size_ + n + (size_ && spare ? std::max<std::size_t>(size_ / 8, 4096) : 0);
        std::unique_ptr<T[]> bigger(new T[want]);
        const std::size_t tail = size_ - gapStart_;
        if (gapStart_)
            std::memcpy(bigger.get(), data_.get(), gapStart_ * sizeof(T));
        if (tail)
            std::memcpy(bigger.get() + want - tail, data_.get() + capacity_ - tail,
                        tail * sizeof(T));
        data_ = std::move(bigger);
        capacity_ = want;
    }

    std::unique_ptr<T[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t gapStart_ = 0; ///< values before the gap; the gap holds capacity_ - size_
};
