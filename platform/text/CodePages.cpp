#include "platform/text/CodePages.h"

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <stdexcept>

namespace yeroup::platform {

namespace {

constexpr int kUtf8 = 65001;

std::string IconvName(int codePage) {
    if (codePage == kUtf8) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

class IconvHandle {
public:
    IconvHandle(int from, int to) : handle_(iconv_open(IconvName(to).c_str(), IconvName(from).c_str())) {
        if (handle_ == reinterpret_cast<iconv_t>(-1))
            throw std::invalid_argument("Unsupported code page conversion " + std::to_string(from) + " to " +
                                        std::to_string(to));
    }
    ~IconvHandle() { iconv_close(handle_); }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

// Converts through iconv; a byte that does not convert becomes '?' unless strict, which gives up instead.
std::optional<std::string> Convert(std::string_view text, int fromCodePage, int toCodePage, bool strict) {
    if (fromCodePage == toCodePage || text.empty()) return std::string(text);
    IconvHandle cd(fromCodePage, toCodePage);
    std::string out;
    out.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (strict) return std::nullopt;
            // An invalid or cut-off sequence: mark it and go on after its first byte.
            out.push_back('?');
            ++in;
            --inLeft;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace

CodePageSettings& CodePages() {
    static CodePageSettings settings;
    return settings;
}

bool IsLeadByte(unsigned char b, int codePage) {
    switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

bool IsAnsiLeadByte(unsigned char b) { return IsLeadByte(b, CodePages().ansi); }

std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage) {
    return *Convert(text, fromCodePage, toCodePage, false);
}

std::string OemToAnsi(std::string_view text) { return ConvertCodePage(text, CodePages().oem, CodePages().ansi); }

std::string AnsiToUtf8(std::string_view text) { return ConvertCodePage(text, CodePages().ansi, kUtf8); }

std::string Utf8ToAnsi(std::string_view text) { return ConvertCodePage(text, kUtf8, CodePages().ansi); }

std::optional<std::string> Utf8ToAnsiExactly(std::string_view text) {
    if (!IsValidUtf8(text)) return std::nullopt;
    std::optional<std::string> ansi = Convert(text, kUtf8, CodePages().ansi, true);
    // A character the code page only stands in for (a look-alike) does not come back as it was.
    if (!ansi || Convert(*ansi, CodePages().ansi, kUtf8, true) != std::optional<std::string>(text)) return std::nullopt;
    return ansi;
}

std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

}  // namespace yeroup::platform
