#pragma once
// How an entry's stored name is read. Writers mark UTF-8 names in three ways: flag bit 11, an Info-ZIP
// Unicode Path extra field beside a name in the local code page, or nothing at all when the writer runs on
// Unix and takes the bytes of the file system as they are. Names made on Windows without either mark are in
// the OEM code page.
#include <string>
#include <vector>

#include "zip/DirItem.h"

namespace yeroup::zip {

inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

// The sub-fields of an extra field area; a sub-field cut short keeps the bytes that are there.
std::vector<TZFExtraField> SplitExtraField(const std::vector<unsigned char>& area);

// Sets the entry's name (ANSI code page) and disk name (UTF-8) from its stored name bytes: the Unicode Path
// name when a sub-field of extra holds one that goes with these bytes (its CRC-32 is theirs), else the bytes
// as UTF-8 when flag bit 11 is set or a Unix writer stored well-formed UTF-8, else the bytes in the OEM code
// page (or as they are, with oemFileNames off). "\" between folders becomes "/".
void DecodeEntryName(const std::string& raw, const std::vector<TZFExtraField>& extra, bool oemFileNames,
                     TDirItem& item);

}  // namespace yeroup::zip
