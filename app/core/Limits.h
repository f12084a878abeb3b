#pragma once
// Bounds the application puts on what the update host sends and on how long it may take, each with the reason
// for its value.
#include <cstddef>
#include <cstdint>

namespace yeroup::app::limits {

// --- Fetch-to-file (the catalogue and the firmware pages) ---

// Largest catalogue or firmware page a fetch-to-file accepts. The catalogue lists a few models and firmware
// versions and a page is a short description, each a few KiB; 4 MiB is generous and still cheap to hold and parse.
inline constexpr std::int32_t kMaxFetchToFileBytes = 4 << 20;

// Milliseconds a fetch-to-file may wait for its connect and for each read: a host that answers at all answers in
// well under a second.
inline constexpr std::int32_t kFetchReadTimeout = 10000;

// Milliseconds one fetch-to-file may take in all, however the host trickles: the start-up check behind the splash
// window, where nothing can be clicked, ends within this and falls back to the stored catalogue.
inline constexpr std::int32_t kFetchCallTimeout = 20000;

// --- Firmware pages ---

// How far into a page its charset declaration is looked for: the distance browsers look before they fall
// back to their default, so a page reads here as it would in a browser.
inline constexpr std::size_t kCharsetSniffBytes = 1024;

// --- Signatures ---

// Bytes of a signature file (.minisig): the longest minisign 0.11 writes and verifies itself, with an untrusted
// comment of 1,003 characters and a trusted comment of 4,077 (the most each accepts); a host sending more is not
// sending a signature minisign made.
inline constexpr std::int64_t kMaxSignatureFileBytes = 5308;

// Seconds after signing past which a catalogue whose signature names no expiry is shown as old in the main
// window (it is still used: an old list beats none). fwupd warns about metadata older than 30 days.
inline constexpr std::int64_t kCatalogueOldAfterSeconds = std::int64_t{30} * 24 * 60 * 60;

// Bytes of the trusted-key file: one key takes two lines of about 100 bytes, so this leaves room for dozens
// of keys with comments while a wrong file (a package, a log) is refused before it is read whole.
inline constexpr std::int64_t kMaxTrustedKeyFileBytes = 65536;

}  // namespace yeroup::app::limits
