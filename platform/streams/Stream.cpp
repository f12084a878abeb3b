#include "platform/streams/Stream.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace yeroup::platform {

namespace {

// Buffers from this size on are mapped by themselves: growing one moves its page mappings instead of copying
// its bytes, and huge pages spare a page fault for every 4 KiB as network reads fill it.
constexpr std::int64_t kMappedThreshold = std::int64_t{1} << 20;
constexpr std::int64_t kPage = 4096;
constexpr std::int64_t kHugePage = std::int64_t{2} << 20;

std::int64_t RoundUp(std::int64_t value, std::int64_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

std::int64_t TStream::Size() {
    const std::int64_t here = Position();
    const std::int64_t end = Seek(0, SeekOrigin::soEnd);
    SetPosition(here);
    return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr std::int64_t kChunk = 1 << 16;
    char chunk[kChunk];
    std::int64_t left = count;
    while (left > 0) {
        const std::int64_t n = std::min(left, kChunk);
        source.ReadBuffer(chunk, n);
        WriteBuffer(chunk, n);
        left -= n;
    }
    return count;
}

TMemoryStream::~TMemoryStream() { Release(); }

void TMemoryStream::Release() {
    if (mapped_)
        ::munmap(data_, static_cast<std::size_t>(capacity_));
    else
        std::free(data_);
    data_ = nullptr;
    mapped_ = false;
}

void TMemoryStream::Reserve(std::int64_t capacity) {
    if (capacity <= capacity_) return;
    // Grow geometrically so that appending stays linear overall.
    const std::int64_t wanted = std::max<std::int64_t>(capacity, capacity_ + capacity_ / 2);
    if (wanted < kMappedThreshold) {
        const std::int64_t newCapacity = RoundUp(wanted, kPage);
        // A first buffer comes zeroed (fresh pages cost nothing to zero); a grown one has a garbage tail.
        auto* grown = static_cast<char*>(data_ ? std::realloc(data_, static_cast<std::size_t>(newCapacity))
                                               : std::calloc(1, static_cast<std::size_t>(newCapacity)));
        if (!grown) throw EStreamError("Out of memory while expanding memory stream");
        dirtyEnd_ = data_ ? newCapacity : 0;
        data_ = grown;
        capacity_ = newCapacity;
        return;
    }
    // Fresh mapped pages read as zeros, so what is known to be zero stays so.
    const std::int64_t newCapacity = RoundUp(wanted, kHugePage);
    void* grown = mapped_ ? ::mremap(data_, static_cast<std::size_t>(capacity_), static_cast<std::size_t>(newCapacity),
                                     MREMAP_MAYMOVE)
                          : ::mmap(nullptr, static_cast<std::size_t>(newCapacity), PROT_READ | PROT_WRITE,
                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (grown == MAP_FAILED) throw EStreamError("Out of memory while expanding memory stream");
    ::madvise(grown, static_cast<std::size_t>(newCapacity), MADV_HUGEPAGE);  // only a hint; failure is harmless
    if (!mapped_) {
        if (data_) std::memcpy(grown, data_, static_cast<std::size_t>(capacity_));
        std::free(data_);
        mapped_ = true;
    }
    data_ = static_cast<char*>(grown);
    capacity_ = newCapacity;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || position_ >= size_) return 0;
    const std::int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const std::int64_t end = position_ + count;
    if (end > size_) {
        Reserve(end);
        // A write past the end after a seek leaves a gap that reads back as zeros.
        if (position_ > size_) std::memset(data_ + size_, 0, static_cast<std::size_t>(position_ - size_));
        size_ = end;
    }
    std::memcpy(data_ + position_, buffer, static_cast<std::size_t>(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::soCurrent) base = position_;
    if (origin == SeekOrigin::soEnd) base = size_;
    if (base + offset < 0) throw EStreamError("Invalid stream position");
    position_ = base + offset;
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size");
    Reserve(newSize);
    // Bytes below the size may have been written through Memory(); beyond dirtyEnd_ they are still zero.
    if (newSize < size_) dirtyEnd_ = std::max(dirtyEnd_, size_);
    const std::int64_t zeroEnd = std::min(newSize, dirtyEnd_);
    if (zeroEnd > size_) std::memset(data_ + size_, 0, static_cast<std::size_t>(zeroEnd - size_));
    size_ = newSize;
    position_ = std::min(position_, size_);
}

void TMemoryStream::Clear() {
    Release();
    size_ = capacity_ = position_ = dirtyEnd_ = 0;
}

void TMemoryStream::SaveToFile(const std::filesystem::path& path) const {
    TFileStream file(path, FileMode::fmCreate);
    file.WriteBuffer(data_, size_);
}

void TMemoryStream::LoadFromFile(const std::filesystem::path& path) {
    TFileStream file(path, FileMode::fmOpenRead);
    const std::int64_t n = file.Size();
    SetSize(n);
    file.ReadBuffer(data_, n);
    position_ = 0;
}

}  // namespace yeroup::platform
