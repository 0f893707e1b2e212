#pragma once

#include <string>
#include <vector>

// A text array that sorts ascending without regard to case; texts equal but for
// case keep their order.
class CSortStringArray {
public:
    void Add(const std::wstring& text) { items_.push_back(text); }
    int GetSize() const { return static_cast<int>(items_.size()); }
    const std::wstring& GetAt(int index) const { return items_.at(static_cast<size_t>(index)); }
    void RemoveAll() { items_.clear(); }
    const std::vector<std::wstring>& Items() const { return items_; }

    void Sort();

private:
    std::vector<std::wstring> items_;
};
