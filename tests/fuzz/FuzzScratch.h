#pragma once
// A scratch folder for the fuzz targets whose parsers read files: made once per process, removed when it ends.
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace yeroup::fuzz {

const std::filesystem::path& ScratchFolder();

// Replaces file (below the scratch folder) with the bytes.
void WriteScratchFile(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size);

}  // namespace yeroup::fuzz
