#pragma once
// In-memory byte buffers of a connection: the simple one (write batches) and the managed input
// buffer, which consumes from the front by moving an offset and compacts only now and then.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace yeroup::net {

class TIdSimpleBuffer {
public:
    using TBytesRemovedEvent = std::function<void(TIdSimpleBuffer* sender, std::int32_t count)>;

    TIdSimpleBuffer() = default;
    virtual ~TIdSimpleBuffer() = default;
    TIdSimpleBuffer(const TIdSimpleBuffer&) = delete;
    TIdSimpleBuffer& operator=(const TIdSimpleBuffer&) = delete;

    // Unconsumed bytes and where they start.
    std::int32_t Size() const { return static_cast<std::int32_t>(end_ - offset_); }
    const char* Memory() const { return data_.get() + offset_; }

    void Append(const void* bytes, std::int32_t count);
    // Room for count more bytes at the end; Commit makes the first n of them part of the buffer.
    char* Reserve(std::int32_t count);
    void Commit(std::int32_t count);

    // Remove the first n bytes (firing OnBytesRemoved with n); raise EIdNotEnoughDataInBuffer
    // when fewer are held.
    std::string TakeFront(std::int32_t count);
    virtual void DropFront(std::int32_t count);
    // Releases everything without a notification.
    void DropAll();

    TBytesRemovedEvent OnBytesRemoved;

protected:
    void CheckHeld(std::int32_t count) const;
    void Release();
    void Pack();
    void Notify(std::int32_t count);

    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t offset_ = 0;  // consumed prefix (always 0 in the simple buffer)
    std::size_t end_ = 0;
};

class TIdManagedBuffer : public TIdSimpleBuffer {
public:
    static constexpr std::int32_t DefaultPackThreshold = 32768;

    void DropFront(std::int32_t count) override;

    std::int32_t PackThreshold = DefaultPackThreshold;
    std::int32_t Offset() const { return static_cast<std::int32_t>(offset_); }
};

}  // namespace yeroup::net
