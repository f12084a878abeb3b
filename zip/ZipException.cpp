#include "zip/ZipException.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "zip/ArchiverPrompts.h"

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

}  // namespace

// The messages by error code, for the program's translators too.
namespace texts {
YEROUP_TR_CONTEXT(archiver);
constexpr std::array<const char*, 42> kMessages = {
    YEROUP_TR("Unknown error"),
    YEROUP_TR("Index out of bounds"),
    YEROUP_TR("Invalid compression mode. Mode must be in [0-9] range"),
    YEROUP_TR("Unexpected nil pointer"),
    YEROUP_TR("Invalid size or check sum of file or unsupported compression format"),
    YEROUP_TR("File name is blank. Specify appropriate file name"),
    YEROUP_TR("File \"%s\" not found"),
    YEROUP_TR("Archive is not open"),
    YEROUP_TR("SFXStub property is not specified"),
    YEROUP_TR("Cannot create file \"%s\""),
    YEROUP_TR("Cannot create directory \"%s\""),
    YEROUP_TR("Internal error. Update is not started"),
    YEROUP_TR("Cannot open file \"%s\""),
    YEROUP_TR("Cannot proceed when update is not ended. Preceding EndUpdate call is required."),
    YEROUP_TR("Cannot delete file \"%s\""),
    YEROUP_TR("In-memory archive can be created only"),
    YEROUP_TR("File is open in read-only mode"),
    YEROUP_TR("Invalid compressed size, rfs.size = %d, count = %d"),
    YEROUP_TR("Invalid archive file."),
    YEROUP_TR("Cannot create output file. Probably file is locked by another process. FileName = '%s'."),
    YEROUP_TR("Archive is open. You should close it beore performing this operation."),
    YEROUP_TR("Unable to create directory"),
    YEROUP_TR("Cannot find Zip64 directory end record"),
    YEROUP_TR("Cannot compress file '%s'. Zip64 mode is not enabled"),
    YEROUP_TR("Cannot open archive file. Opening aborted or invalid file"),
    YEROUP_TR("Write to stream error"),
    YEROUP_TR("Cannot place SFX stub on volume. Volume size limit is too small"),
    YEROUP_TR("Archive is damaged. Open failed"),
    YEROUP_TR(
        "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX"),
    YEROUP_TR("Archive already has SFX stub"),
    YEROUP_TR("Multi-volume archive is not allowed for custom stream"),
    YEROUP_TR(
        "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times"),
    YEROUP_TR("Deflate64 compression method is not supported"),
    YEROUP_TR("Unsafe file name \"%s\": it would be written outside the destination folder"),
    YEROUP_TR("Archive is damaged: the data of \"%s\" is cut short"),
    YEROUP_TR("Archive is damaged: the data of \"%s\" overlaps another entry"),
    YEROUP_TR("Archive is damaged: the local header of \"%s\" does not match its directory entry"),
    YEROUP_TR("Compression method %s is not supported"),
    YEROUP_TR("Archive has more entries than the limit of %s"),
    YEROUP_TR("File name longer than the limit of %s bytes"),
    YEROUP_TR("Archive would extract to more than the limit of %s bytes"),
    YEROUP_TR("Archive is damaged: \"%s\" is both a file and a folder"),
};
}  // namespace texts
using texts::kMessages;

namespace {

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
    return FillIn(texts::kNativeError, {text, number});
}

}  // namespace

std::string FillIn(const char* pattern, std::initializer_list<std::string> parts) {
    const std::string_view text(pattern);
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto index = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : parts.size();
        if (text[i] == '%' && index < parts.size()) {
            result += parts.begin()[index];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

EZFException::EZFException(std::int32_t nativeError, const std::string& argument, const std::string& componentName)
    : std::runtime_error(Compose(nativeError, argument, componentName)),
      errorCode_(ErrorCodeOf(nativeError)),
      nativeError_(nativeError) {}

std::int32_t EZFException::ErrorCodeOf(std::int32_t nativeError) {
    if (nativeError < 0 || nativeError >= static_cast<std::int32_t>(kCodeOfNative.size())) return 0;
    return kCodeOfNative[static_cast<std::size_t>(nativeError)];
}

std::int32_t EZFException::MessageCount() { return static_cast<std::int32_t>(kMessages.size()); }

const char* EZFException::MessageOf(std::int32_t errorCode) {
    if (errorCode < 0 || errorCode >= static_cast<std::int32_t>(kMessages.size())) return kMessages[0];
    return kMessages[static_cast<std::size_t>(errorCode)];
}

}  // namespace yeroup::zip
