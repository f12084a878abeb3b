#include "net/IdBuffer.h"

#include <algorithm>
#include <cstring>

#include "net/IdException.h"
#include "net/IdResourceStrings.h"

namespace yeroup::net {

namespace {
// An emptied buffer keeps an allocation up to this size, so a steady stream of receives does not
// allocate for every block.
constexpr std::size_t kKeptCapacity = 1 << 20;
}  // namespace

char* TIdSimpleBuffer::Reserve(std::int32_t count) {
    const std::size_t needed = end_ + static_cast<std::size_t>(std::max(count, 0));
    if (needed > capacity_) {
        if (offset_ > 0) Pack();
        if (end_ + static_cast<std::size_t>(std::max(count, 0)) > capacity_) {
            const std::size_t grown =
                std::max({end_ + static_cast<std::size_t>(count), capacity_ * 2, std::size_t{4096}});
            auto bigger = std::make_unique<char[]>(grown);
            if (end_ > 0) std::memcpy(bigger.get(), data_.get(), end_);
            data_ = std::move(bigger);
            capacity_ = grown;
        }
    }
    return data_.get() + end_;
}

void TIdSimpleBuffer::Commit(std::int32_t count) {
    if (count > 0) end_ = std::min(capacity_, end_ + static_cast<std::size_t>(count));
}

void TIdSimpleBuffer::Append(const void* bytes, std::int32_t count) {
    if (count <= 0 || !bytes) return;
    std::memcpy(Reserve(count), bytes, static_cast<std::size_t>(count));
    Commit(count);
}

void TIdSimpleBuffer::CheckHeld(std::int32_t count) const {
    if (count < 0 || count > Size()) throw EIdNotEnoughDataInBuffer(RSNotEnoughDataInBuffer);
}

std::string TIdSimpleBuffer::TakeFront(std::int32_t count) {
    CheckHeld(count);
    std::string bytes(Memory(), static_cast<std::size_t>(count));
    DropFront(count);
    return bytes;
}

void TIdSimpleBuffer::DropFront(std::int32_t count) {
    CheckHeld(count);
    if (count == Size()) {
        Release();
    } else {
        const std::size_t n = static_cast<std::size_t>(count);
        std::memmove(data_.get() + offset_, data_.get() + offset_ + n, end_ - offset_ - n);
        end_ -= n;
    }
    Notify(count);
}

void TIdSimpleBuffer::DropAll() { Release(); }

void TIdSimpleBuffer::Release() {
    if (capacity_ > kKeptCapacity) {
        data_.reset();
        capacity_ = 0;
    }
    offset_ = 0;
    end_ = 0;
}

void TIdSimpleBuffer::Pack() {
    if (offset_ == 0) return;
    std::memmove(data_.get(), data_.get() + offset_, end_ - offset_);
    end_ -= offset_;
    offset_ = 0;
}

void TIdSimpleBuffer::Notify(std::int32_t count) {
    if (count > 0 && OnBytesRemoved) OnBytesRemoved(this, count);
}

void TIdManagedBuffer::DropFront(std::int32_t count) {
    CheckHeld(count);
    if (count == Size()) {
        Release();
    } else {
        offset_ += static_cast<std::size_t>(count);
        if (offset_ >= static_cast<std::size_t>(std::max(PackThreshold, 0))) Pack();
    }
    Notify(count);
}

}  // namespace yeroup::net
