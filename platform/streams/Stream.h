#pragma once
// Seekable byte streams: the abstract stream, a growing memory stream and a file stream.
// Streams are borrowed by the components that read into or from them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace yeroup::platform {

class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class SeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Moves up to count bytes; returns how many moved (0 at the end of the stream).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t newSize) = 0;
    virtual std::int64_t Size();

    std::int64_t Position() { return Seek(0, SeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::soBeginning); }

    // As Read and Write, but a short transfer raises EStreamError.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);

    // Copies count bytes from the source's position; 0 copies the whole source from its start.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    std::int64_t Size() override { return size_; }

    const char* Memory() const { return data_; }
    char* Memory() { return data_; }
    void Clear();
    std::string ToString() const { return std::string(data_ ? data_ : "", static_cast<std::size_t>(size_)); }

    void SaveToFile(const std::filesystem::path& path) const;
    void LoadFromFile(const std::filesystem::path& path);

private:
    void Reserve(std::int64_t capacity);
    void Release();

    char* data_ = nullptr;
    bool mapped_ = false;  // large buffers are mapped by themselves, small ones come from the heap
    std::int64_t size_ = 0;
    std::int64_t capacity_ = 0;
    std::int64_t dirtyEnd_ = 0;  // from here to capacity_ the buffer is known to hold zeros
    std::int64_t position_ = 0;
};

enum class FileMode { fmCreate, fmOpenRead, fmOpenReadWrite };

class TFileStream : public TStream {
public:
    TFileStream(const std::filesystem::path& path, FileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    // Forces written bytes to the disk.
    void Flush();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

}  // namespace yeroup::platform
