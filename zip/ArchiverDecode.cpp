#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/files/Files.h"
#include "zip/Archiver.h"
#include "zip/TraditionalCipher.h"

namespace yeroup::zip {

namespace {

// Compressed data is read, and progress reported, a chunk at a time.
constexpr std::size_t kChunkSize = 1048576;
// Small enough to stay in the processor's cache between inflating and writing.
constexpr std::size_t kOutputSize = 256 * 1024;

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;
constexpr std::uint16_t kMethodDeflate64 = 9;
constexpr std::uint16_t kMethodAes = 99;

class TInflater {
public:
    TInflater() { ok_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK; }
    ~TInflater() {
        if (ok_) inflateEnd(&z_);
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    bool Ok() const { return ok_; }
    z_stream& Stream() { return z_; }

private:
    z_stream z_{};
    bool ok_ = false;
};

// Where an entry's bytes go: its file, with their CRC-32 and count kept as they are written.
class TEntrySink {
public:
    TEntrySink(platform::TLockedFile& out, bool writeBehind, std::uint64_t expected, int& writeError)
        : out_(out), writeBehind_(writeBehind), expected_(expected), writeError_(writeError) {}

    bool Write(const unsigned char* data, std::size_t size) {
        // More output than announced can only be a damaged or hostile entry: stop before it fills the disk.
        if (written_ + size > expected_) return false;
        crc_ = static_cast<std::uint32_t>(crc32(crc_, data, static_cast<uInt>(size)));
        written_ += size;
        if (out_.Write(data, size)) {
            if (writeBehind_) out_.WriteBehind();  // the run's flush then waits for less
            return true;
        }
        writeError_ = errno ? errno : EIO;
        return false;
    }
    bool Whole(std::uint32_t crc, bool crcChecked) const {
        return written_ == expected_ && (!crcChecked || crc_ == crc);
    }

private:
    platform::TLockedFile& out_;
    const bool writeBehind_;
    const std::uint64_t expected_;
    int& writeError_;
    std::uint32_t crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    std::uint64_t written_ = 0;
};

enum class TInflated { More, Ended, Failed };

// Inflates one chunk of compressed input into the sink, through output.
TInflated InflateChunk(z_stream& z, unsigned char* input, std::size_t size, unsigned char* output, TEntrySink& sink) {
    z.next_in = input;
    z.avail_in = static_cast<uInt>(size);
    do {
        z.next_out = output;
        z.avail_out = static_cast<uInt>(kOutputSize);
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc < 0 && rc != Z_BUF_ERROR) return TInflated::Failed;
        const std::size_t produced = kOutputSize - z.avail_out;
        if (produced && !sink.Write(output, produced)) return TInflated::Failed;
        if (rc == Z_STREAM_END) return TInflated::Ended;
        if (rc == Z_BUF_ERROR) break;  // no progress possible: wants more input
    } while (z.avail_in > 0 || z.avail_out == 0);
    return TInflated::More;
}

}  // namespace

std::unique_ptr<TZFTraditionalCipher> TZFBaseArchiver::UnlockEntry(const TDirItem& entry, std::int64_t dataStart) {
    const unsigned char check =
        static_cast<unsigned char>((entry.flags & kFlagDataDescriptor) ? entry.lastModTime >> 8 : entry.crc32 >> 24);
    for (;;) {
        unsigned char header[kEncryptionHeaderSize];
        archiveStream_->SetPosition(dataStart);
        if (archiveStream_->Read(header, kEncryptionHeaderSize) != kEncryptionHeaderSize) return nullptr;
        // The keys go on from where the header left them, so the same cipher decrypts the data.
        auto cipher = std::make_unique<TZFTraditionalCipher>(Password);
        if (cipher->CheckHeader(header, check)) return cipher;
        DoPassword(entry.name, Password, skipEntry_);
        if (skipEntry_) return nullptr;
    }
}

bool TZFBaseArchiver::DecodeEntry(const TDirItem& entry, const std::string& eventName, platform::TLockedFile& out) {
    std::uint64_t total = entry.CompressedSize();
    skipEntry_ = false;
    const std::int64_t dataStart = dirManager_->ReadLocalHeader(entry);
    // Methods without a decoder fail before any password is asked for.
    switch (entry.compressionMethod) {
    case kMethodStored:
    case kMethodDeflated: break;
    case kMethodDeflate64: Raise(zfeDeflate64);
    case kMethodAes: Raise(zfeUnsupportedMethod, "99 (AES encryption)");
    default: return false;  // no decoder for other methods
    }
    std::unique_ptr<TZFTraditionalCipher> cipher;
    if (entry.IsEncrypted()) {
        if (total < kEncryptionHeaderSize) return false;
        cipher = UnlockEntry(entry, dataStart);
        if (!cipher) return false;
        total -= kEncryptionHeaderSize;
    }
    return CopyChunks(entry, eventName, out, cipher.get(), cipher ? dataStart + kEncryptionHeaderSize : dataStart,
                      total);
}

bool TZFBaseArchiver::ChunkProgressCancelled(const std::string& eventName, std::uint64_t consumed,
                                             std::uint64_t total) {
    if (!progressEnabled_) return false;
    const double part = static_cast<double>(consumed) / static_cast<double>(total);
    DoFileProgress(eventName, part * 100.0, poExtract, ppProcess, cancel_);
    if (cancel_) return true;
    DoOverallProgress((part + processed_) / selected_ * 100.0, poExtract, ppProcess, cancel_);
    return cancel_;
}

bool TZFBaseArchiver::CopyChunks(const TDirItem& entry, const std::string& eventName, platform::TLockedFile& out,
                                 TZFTraditionalCipher* cipher, std::int64_t dataStart, std::uint64_t total) {
    const bool deflated = entry.compressionMethod == kMethodDeflated;
    TInflater inflater;
    if (!inflater.Ok()) return false;
    // Buffers are not cleared: every byte used is read or produced first.
    inputChunk_.resize(kChunkSize);
    outputChunk_.resize(kOutputSize);
    unsigned char* const input = inputChunk_.data();
    TEntrySink sink(out, Options.FlushBuffers, entry.UncompressedSize(), writeError_);
    bool streamEnded = false;
    for (std::uint64_t consumed = 0; consumed < total;) {
        if (ChunkProgressCancelled(eventName, consumed, total)) return true;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, total - consumed));
        const auto at = dataStart + static_cast<std::int64_t>(consumed);
        if (dirManager_->ReadData(at, input, static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n))
            return false;  // the archive ends inside the entry
        if (cipher) cipher->Decrypt(input, n);
        if (!deflated) {
            if (!sink.Write(input, n)) return false;
        } else if (!streamEnded) {
            const TInflated inflated = InflateChunk(inflater.Stream(), input, n, outputChunk_.data(), sink);
            if (inflated == TInflated::Failed) return false;
            streamEnded = inflated == TInflated::Ended;
        }
        consumed += n;
    }
    return sink.Whole(entry.crc32, !skipEntry_);
}

}  // namespace yeroup::zip
