#include "zip/DirArray.h"

#include <algorithm>
#include <utility>

#include "zip/ZipException.h"

namespace yeroup::zip {

void TDirItem::SetLocalHeaderOffset(std::uint64_t offset) {
    if (useZip64 && relativeOffset == kZip64Marker32) {
        zip64RelativeOffset = offset;
    } else if (offset < kZip64Marker32) {
        relativeOffset = static_cast<std::uint32_t>(offset);
    } else {
        useZip64 = true;
        relativeOffset = kZip64Marker32;
        zip64RelativeOffset = offset;
    }
}

void TZFDirArray::Grow(int requested) {
    if (requested <= capacity_) return;
    step_ = std::min(step_ * 2, 10000);
    capacity_ = std::max(capacity_ + step_, requested);
    items_.reserve(static_cast<std::size_t>(capacity_));
}

void TZFDirArray::SetCount(int count) {
    if (count <= 0) {
        std::vector<TDirItem>().swap(items_);
        capacity_ = 0;
        return;
    }
    Grow(count);
    items_.resize(static_cast<std::size_t>(count));
}

void TZFDirArray::Append(TDirItem item) {
    Grow(Count() + 1);
    items_.push_back(std::move(item));
}

void TZFDirArray::Check(int index, int nativeError) const {
    if (index < 0 || index >= Count()) throw EZFException(nativeError);
}

TDirItem TZFDirArray::GetItem(int index) const {
    Check(index, zfeIndexGetCopy);
    return items_[static_cast<std::size_t>(index)];
}

TDirItem& TZFDirArray::ItemRef(int index) {
    Check(index, zfeIndexGetRef);
    return items_[static_cast<std::size_t>(index)];
}

const TDirItem& TZFDirArray::ItemRef(int index) const {
    Check(index, zfeIndexGetRef);
    return items_[static_cast<std::size_t>(index)];
}

void TZFDirArray::SetItem(int index, const TDirItem& item) {
    Check(index, zfeIndexReplace);
    items_[static_cast<std::size_t>(index)] = item;
}

void TZFDirArray::Delete(int index) {
    Check(index, zfeIndexDelete);
    items_.erase(items_.begin() + index);
}

void TZFDirArray::Assign(const TZFDirArray& other) {
    SetCount(0);
    Grow(other.Count());
    items_ = other.items_;
}

void TZFDirArray::ClearSelection() {
    for (TDirItem& item : items_) item.selected = false;
}

}  // namespace yeroup::zip
