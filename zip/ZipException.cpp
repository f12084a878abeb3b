#include "zip/ZipException.h"

#include <array>
#include <cstdio>

namespace yeroup::zip {

namespace {

// Error code of each native error; rows from 56 on are this archiver's own additions.
constexpr std::array<std::int32_t, 65> kCodeOfNative = {
    0,  1,  1,  1,  1,  2,  3,  1,  4,  5,   // 0-9
    5,  6,  6,  7,  7,  6,  1,  8,  6,  9,   // 10-19
    10, 1,  11, 9,  1,  11, 13, 14, 15, 5,   // 20-29
    6,  6,  16, 12, 17, 18, 19, 20, 6,  21,  // 30-39
    22, 23, 6,  23, 24, 24, 25, 26, 27, 28,  // 40-49
    29, 30, 31, 6,  6,  32, 33, 34, 35, 36,  // 50-59
    37, 38, 39, 40, 41,                      // 60-64
};

constexpr std::array<const char*, 42> kMessages = {
    "Unknown error",
    "Index out of bounds",
    "Invalid compression mode. Mode must be in [0-9] range",
    "Unexpected nil pointer",
    "Invalid size or check sum of file or unsupported compression format",
    "File name is blank. Specify appropriate file name",
    "File \"%s\" not found",
    "Archive is not open",
    "SFXStub property is not specified",
    "Cannot create file \"%s\"",
    "Cannot create directory \"%s\"",
    "Internal error. Update is not started",
    "Cannot open file \"%s\"",
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    "Cannot delete file \"%s\"",
    "In-memory archive can be created only",
    "File is open in read-only mode",
    "Invalid compressed size, rfs.size = %d, count = %d",
    "Invalid archive file.",
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    "Archive is open. You should close it beore performing this operation.",
    "Unable to create directory",
    "Cannot find Zip64 directory end record",
    "Cannot compress file '%s'. Zip64 mode is not enabled",
    "Cannot open archive file. Opening aborted or invalid file",
    "Write to stream error",
    "Cannot place SFX stub on volume. Volume size limit is too small",
    "Archive is damaged. Open failed",
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX",
    "Archive already has SFX stub",
    "Multi-volume archive is not allowed for custom stream",
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times",
    "Deflate64 compression method is not supported",
    "Unsafe file name \"%s\": it would be written outside the destination folder",
    "Archive is damaged: the data of \"%s\" is cut short",
    "Archive is damaged: the data of \"%s\" overlaps another entry",
    "Archive is damaged: the local header of \"%s\" does not match its directory entry",
    "Compression method %s is not supported",
    "Archive has more entries than the limit of %s",
    "File name longer than the limit of %s bytes",
    "Archive would extract to more than the limit of %s bytes",
    "Archive is damaged: \"%s\" is both a file and a folder",
};

std::string FormatMessage(const std::string& text, const std::string& argument) {
    const std::size_t at = text.find("%s");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + argument + text.substr(at + 2);
}

std::string Compose(std::int32_t nativeError, const std::string& argument, const std::string& componentName) {
    std::string text = FormatMessage(EZFException::MessageOf(EZFException::ErrorCodeOf(nativeError)), argument);
    if (!componentName.empty()) text = componentName + ": " + text;
    char number[16];
    std::snprintf(number, sizeof number, "%5d", static_cast<int>(nativeError));
    for (char* p = number; *p; ++p)
        if (*p == ' ') *p = '0';
    return text + " - Native error: " + number;
}

}  // namespace

EZFException::EZFException(std::int32_t nativeError, const std::string& argument, const std::string& componentName)
    : std::runtime_error(Compose(nativeError, argument, componentName)),
      errorCode_(ErrorCodeOf(nativeError)),
      nativeError_(nativeError) {}

std::int32_t EZFException::ErrorCodeOf(std::int32_t nativeError) {
    if (nativeError < 0 || nativeError >= static_cast<std::int32_t>(kCodeOfNative.size())) return 0;
    return kCodeOfNative[static_cast<std::size_t>(nativeError)];
}

const char* EZFException::MessageOf(std::int32_t errorCode) {
    if (errorCode < 0 || errorCode >= static_cast<std::int32_t>(kMessages.size())) return kMessages[0];
    return kMessages[static_cast<std::size_t>(errorCode)];
}

}  // namespace yeroup::zip
