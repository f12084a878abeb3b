#pragma once
// The growable, indexed array of directory entries.
#include <cstddef>
#include <vector>

#include "zip/DirItem.h"

namespace yeroup::zip {

class TZFDirArray {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    int Capacity() const { return capacity_; }
    // Growing clears the new entries; 0 releases everything.
    void SetCount(int count);
    void Append(TDirItem item);

    TDirItem GetItem(int index) const;  // a copy
    TDirItem& ItemRef(int index);       // a reference
    const TDirItem& ItemRef(int index) const;
    void SetItem(int index, const TDirItem& item);  // deep copy
    void Delete(int index);
    void Assign(const TZFDirArray& other);
    void ClearSelection();

private:
    void Grow(int requested);
    void Check(int index, int nativeError) const;

    std::vector<TDirItem> items_;
    int capacity_ = 0;
    int step_ = 500;
};

}  // namespace yeroup::zip
