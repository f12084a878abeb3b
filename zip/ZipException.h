#pragma once
// The archiver's exception: a native error mapped to an error code and its message.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace yeroup::zip {

// Native errors raised by this archiver.
enum TZFNativeError : std::int32_t {
    zfeIndexReplace = 1,
    zfeIndexGetCopy = 2,
    zfeIndexGetRef = 3,
    zfeIndexDelete = 4,
    zfeBadCompressionMode = 5,
    zfeBadEntry = 8,
    zfeBlankFileName = 10,
    zfeFileNotFound = 12,
    zfeNotOpen = 13,
    zfeCannotCreateFile = 19,
    zfeCannotCreateDir = 20,
    zfeUpdatePending = 26,
    zfeInMemoryOnly = 28,
    zfeInvalidArchive = 35,
    zfeNoZip64EndRecord = 40,
    zfeCannotOpenArchive = 44,
    zfeArchiveDamaged = 48,
    zfeDeflate64 = 55,
    zfeUnsafeName = 56,
    zfeEntryCutShort = 57,
    zfeEntriesOverlap = 58,
    zfeLocalHeaderMismatch = 59,
    zfeUnsupportedMethod = 60,
    zfeTooManyEntries = 61,
    zfeNameTooLong = 62,
    zfeOutputTooLarge = 63,
    zfeFileAndFolder = 64,
};

class EZFException : public std::runtime_error {
public:
    // componentName is the raising archiver's name, empty when the raise does not name one;
    // argument fills the "%s" of the message when it has one.
    EZFException(std::int32_t nativeError, const std::string& argument = std::string(),
                 const std::string& componentName = std::string());

    std::int32_t ErrorCode() const { return errorCode_; }
    std::int32_t NativeError() const { return nativeError_; }

    static std::int32_t ErrorCodeOf(std::int32_t nativeError);
    // The message of each error code, "%s" (or "%d") standing for what is inserted; codes 0 to MessageCount() - 1.
    static const char* MessageOf(std::int32_t errorCode);
    static std::int32_t MessageCount();

private:
    std::int32_t errorCode_;
    std::int32_t nativeError_;
};

}  // namespace yeroup::zip
