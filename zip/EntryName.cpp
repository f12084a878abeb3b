#include "zip/EntryName.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/text/CodePages.h"
#include "zip/LittleEndian.h"
#include "zip/PathNames.h"

namespace yeroup::zip {

namespace {

constexpr unsigned char kUnicodePathVersion = 1;

std::string UpToZero(const std::string& raw) { return raw.substr(0, std::min(raw.find('\0'), raw.size())); }

// The UTF-8 name of a Unicode Path sub-field that was written for exactly these stored bytes; a tool that
// renamed the entry afterwards left a field whose CRC-32 no longer matches, and it is not used.
bool UnicodePath(const std::vector<TZFExtraField>& extra, const std::string& raw, std::string& name) {
    for (const TZFExtraField& field : extra) {
        if (field.headerId != kUnicodePathExtraId || field.data.size() < 5 || field.data[0] != kUnicodePathVersion)
            continue;
        const auto crc = static_cast<std::uint32_t>(
            ::crc32(0, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size())));
        const std::string candidate(reinterpret_cast<const char*>(field.data.data()) + 5, field.data.size() - 5);
        if (Le32(field.data.data() + 1) != crc || !platform::IsValidUtf8(candidate)) continue;
        name = UpToZero(candidate);
        return true;
    }
    return false;
}

}  // namespace

std::vector<TZFExtraField> SplitExtraField(const std::vector<unsigned char>& area) {
    std::vector<TZFExtraField> fields;
    std::size_t at = 0;
    while (at + 4 <= area.size()) {
        TZFExtraField field;
        field.headerId = Le16(area.data() + at);
        field.dataSize =
            static_cast<std::uint16_t>(std::min<std::size_t>(Le16(area.data() + at + 2), area.size() - at - 4));
        const auto data = area.begin() + static_cast<std::ptrdiff_t>(at + 4);
        field.data.assign(data, data + field.dataSize);
        at += 4 + field.dataSize;
        fields.push_back(std::move(field));
    }
    return fields;
}

void DecodeEntryName(const std::string& raw, const std::vector<TZFExtraField>& extra, bool oemFileNames,
                     TDirItem& item) {
    std::string utf8;
    const std::string stored = UpToZero(raw);
    if (UnicodePath(extra, raw, utf8)) {
        item.diskName = ReplaceChar(utf8, '\\', '/');
    } else if ((item.flags & kFlagUtf8Name) || (item.MadeOnUnix() && platform::IsValidUtf8(stored))) {
        item.diskName = ReplaceChar(stored, '\\', '/');
    } else {
        item.name = BackslashesToSlashes(oemFileNames ? platform::OemToAnsi(stored) : stored);
        item.diskName = AnsiToDiskName(item.name);
        return;
    }
    item.name = DiskNameToAnsi(item.diskName);
}

}  // namespace yeroup::zip
