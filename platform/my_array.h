#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The program's growable array. It keeps the framework array's growth rule, so its
// capacity moves in the same steps: by the grow-by value when one is set, else by an
// eighth of the current size, at least 4 and at most 1024 elements at a time.
template <typename T>
class CMyArray {
public:
    CMyArray() = default;
    virtual ~CMyArray() = default;

    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return items_.empty(); }
    int GetUpperBound() const { return GetSize() - 1; }
    size_t Capacity() const { return capacity_; }

    // A negative size is taken as 0; a negative grow-by keeps the one set before.
    void SetSize(int newSize, int growBy = -1) {
        if (growBy >= 0) growBy_ = growBy;
        const size_t wanted = newSize > 0 ? static_cast<size_t>(newSize) : 0;
        if (wanted > capacity_) Reserve(std::max(wanted, NextCapacity()));
        items_.resize(wanted);
    }

    int Add(const T& item) {
        if (items_.size() == capacity_) Reserve(NextCapacity());
        items_.push_back(item);
        return GetSize() - 1;
    }

    void RemoveAll() {
        items_.clear();
        items_.shrink_to_fit();
        capacity_ = 0;
    }

    T& operator[](int index) { return items_.at(static_cast<size_t>(index)); }
    const T& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    T& ElementAt(int index) { return (*this)[index]; }
    const T& GetAt(int index) const { return (*this)[index]; }

    typename std::vector<T>::iterator begin() { return items_.begin(); }
    typename std::vector<T>::iterator end() { return items_.end(); }
    typename std::vector<T>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<T>::const_iterator end() const { return items_.end(); }

private:
    size_t NextCapacity() const {
        size_t step = growBy_ > 0 ? static_cast<size_t>(growBy_)
                                  : std::clamp<size_t>(items_.size() / 8, 4, 1024);
        return capacity_ + step;
    }
    void Reserve(size_t capacity) {
        items_.reserve(capacity);
        capacity_ = capacity;
    }

    std::vector<T> items_;
    size_t capacity_ = 0;
    int growBy_ = 0;
};
