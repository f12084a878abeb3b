// The journal and list of changes of an interrupted upgrade, as the next start reads them from a disk that may
// have damaged them: any bytes read as a journal and a list, or are refused with EUpgradeStateError; nothing
// else escapes, and what reads is written again so that it reads the same.
// Input: a byte of flags, then the journal's bytes, then "\xff\xff" and the list's bytes. Flag 1 puts the
// journal's own checksum right and flag 2 makes it give the list's checksum, so the fuzzer gets past them to the
// records behind.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/upgrade/UpgradeJournal.h"

namespace {

using namespace yeroup::app::upgrade;

std::uint32_t Crc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// The journal with its last record replaced by the checksum of what comes before it.
std::string WithChecksum(std::string_view journal) {
    const std::size_t end = journal.size() >= 2 ? journal.rfind('\0', journal.size() - 2) : std::string::npos;
    std::string bytes(journal.substr(0, end == std::string_view::npos ? 0 : end + 1));
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(Crc(bytes)));
    return (bytes += text) += '\0';
}

// The journal with the record before its checksum giving the list's checksum.
std::string GivingListChecksum(std::string_view journal, std::string_view list) {
    std::string bytes(journal);
    const std::size_t last = bytes.size() >= 2 ? bytes.rfind('\0', bytes.size() - 2) : std::string::npos;
    const std::size_t before = last == std::string::npos || last == 0 ? std::string::npos : bytes.rfind('\0', last - 1);
    if (before == std::string::npos || last - before != 9) return bytes;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(Crc(list)));
    bytes.replace(before + 1, 8, text);
    return bytes;
}

void CheckListReadsAgain(const std::vector<TManifestLine>& lines) {
    const std::string bytes = ManifestBytes(lines);
    if (ManifestBytes(ParseManifest(bytes)) != bytes) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = input.find("\xff\xff");
    std::string journal(input.substr(0, split));
    const std::string_view list = split == std::string_view::npos ? std::string_view() : input.substr(split + 2);
    if (data[0] & 2) journal = GivingListChecksum(journal, list);
    if (data[0] & 1) journal = WithChecksum(journal);
    try {
        CheckListReadsAgain(ParseManifest(list));
    } catch (const EUpgradeStateError&) {}
    try {
        const TUpgradeJournal read = ParseJournal(journal);
        const std::string written = JournalBytes(read);
        if (JournalBytes(ParseJournal(written)) != written) __builtin_trap();
        CheckListReadsAgain(ParseManifest(list, read));
    } catch (const EUpgradeStateError&) {}
    return 0;
}
