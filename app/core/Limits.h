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

// --- Partial packages (downloads cut short, kept to be resumed) ---

// Partial packages kept in the package store: one per firmware the user started and did not finish. A user
// compares a few versions at most; more than this are the oldest leftovers of abandoned downloads, and each may
// hold hundreds of MiB.
inline constexpr int kMaxPartialDownloads = 4;

// Seconds a partial package is kept since it last grew: after a month the host has most likely moved on (and the
// partial would be started again anyway), so its disk space goes back to the user.
inline constexpr std::int64_t kMaxPartialAgeSeconds = 30 * 24 * 60 * 60;

// Resident memory a package download of any size may take at its peak, the fetch tool's whole process included:
// the body goes to the disk as it arrives, so only buffers and the libraries stay (about 10 MiB, curl's figure).
inline constexpr std::int64_t kMaxDownloadPeakMemoryBytes = std::int64_t{16} << 20;

// Tries in a row that bring no byte before a cut package download is given up (a try that brought bytes does not
// count): wget's default of 20 rides out a minute or two of a dropping network without holding a dead host for ever.
inline constexpr int kDownloadRetries = 20;

// Milliseconds before the first resume after a cut, doubled after each try that brought nothing up to the longest
// pause: a network that drops for a moment is back within a second, one that is down is not asked every second.
inline constexpr std::int32_t kRetryFirstPauseMs = 1000;
inline constexpr std::int32_t kRetryLongestPauseMs = 30000;

// Bytes a package may have beyond the size the catalogue lists, for the check tool: the listed size is the
// operator's own note and may be a little off, but a host sending many times more is not sending that package.
inline constexpr std::int64_t kPackageSizeMargin = std::int64_t{1} << 20;

// Largest package any fetch takes when nothing smaller is known: the offsets are 64-bit, and a firmware package of
// a portable player is a few MiB; 16 GiB is beyond any player's memory and still stops a host that never ends.
inline constexpr std::int64_t kMaxPackageBytes = std::int64_t{16} << 30;

// Milliseconds the check tool gives one package, resumes included: a 100 MiB package at 1 MiB/s with room to
// spare; a host slower than that is a problem worth reporting, not waiting for.
inline constexpr std::int32_t kPackageCheckDeadlineMs = 10 * 60 * 1000;

// Pieces in a package's piece list: a 16 GiB package in 1 MiB pieces; a list of more is not one the publisher wrote.
inline constexpr std::int64_t kMaxPieces = 16384;
// Bytes of a piece list: its three header lines and one 65-byte line a piece.
inline constexpr std::int64_t kMaxPieceListBytes = 128 + 65 * kMaxPieces;

// Hosts in the vendor's mirror list: each costs a failed connection at worst before the next is tried, and a vendor
// runs a handful.
inline constexpr std::size_t kMaxMirrors = 16;
// Bytes of the mirror list: 16 host lines and comments.
inline constexpr std::int64_t kMaxMirrorListBytes = 8192;

// Seconds a package host has for its status line and headers: a host that answers at all does so in well under a
// second, even through a busy proxy; one that holds the request longer is down or overloaded, and the next mirror
// is asked. Also what a failover costs at worst.
inline constexpr std::int32_t kHostHeaderDeadlineSeconds = 10;
// Bytes per second a package body must keep up over each span of kHostSpeedSpanSeconds: a host trickling less than
// this (a 100 MiB package would take more than a day) is given up and the next mirror asked; a slow network that keeps
// moving is never cut off.
inline constexpr std::int64_t kHostSpeedFloorBytes = 1024;
// The span the speed floor is measured over: long enough to ride out a stall of a few seconds on a busy network.
inline constexpr std::int32_t kHostSpeedSpanSeconds = 20;

// Bytes of a resume record: a URL, a validator and a length, well under 1 KiB for any real host; anything longer is
// not a record this program wrote.
inline constexpr std::int64_t kMaxResumeRecordBytes = 16384;

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

// Bytes scrypt may take and work through to unlock a secret key (128·r·(N+2) + 128·r·p held, 128·r·N·p mixed):
// minisign's keys ask for N = 2^20, r = 8, p = 1, a little over 1 GiB. A key asking for more was not made by
// minisign and would hold the machine for minutes; the step after minisign's (p = 2) is refused.
inline constexpr std::int64_t kMaxKeyDerivationBytes = (std::int64_t{1} << 30) + (std::int64_t{1} << 20);

// Latest time a trusted comment's "timestamp:" or "expires:" may give: 9999-12-31 23:59:59 UTC, the last second
// the program can write as a date in its messages and trace. Anything later is no time a signer meant.
inline constexpr std::int64_t kMaxSignedTime = 253402300799;

// Seconds a catalogue's signing time may lie ahead of this computer's clock: a clock set to local time instead of
// UTC (as Windows keeps it) is off by up to 14 hours. A catalogue from further ahead is refused, or it would make
// every correctly dated one after it look like a replay.
inline constexpr std::int64_t kMaxSignedAheadSeconds = 24 * 60 * 60;

// Bytes of a key rotation statement: five short lines, about 200 bytes; more is no statement this program reads.
inline constexpr std::size_t kMaxRotationStatementBytes = 1024;

// Bytes of the trusted-key file: one key takes two lines of about 100 bytes, so this leaves room for dozens
// of keys with comments while a wrong file (a package, a log) is refused before it is read whole.
inline constexpr std::int64_t kMaxTrustedKeyFileBytes = 65536;

// --- The updater's record (which process the last upgrade started) ---

// Bytes of the record: two decimal numbers of at most 20 digits, a blank and a line end. Anything longer is no
// record this program wrote.
inline constexpr std::size_t kMaxUpdaterRecordBytes = 64;

// --- The upgrade's journal and list of changes (this program's own files, which a bad disk or a hand may damage) ---

// Bytes of the journal: a phase, two folder paths of at most 4096 bytes (the longest path Linux takes) and three
// numbers. A larger file is no journal of this program and is not read whole.
inline constexpr std::int64_t kMaxJournalBytes = 16384;

// Lines of the list of changes: at most one per archive entry, and the archiver takes no more than 100,000.
inline constexpr std::uint64_t kMaxChangeLines = 100000;

// Bytes of one line of the list: a letter, a file number, a separator and a path of at most 4096 bytes.
inline constexpr std::size_t kMaxChangeLineBytes = 4096 + 32;

// --- The history of upgrades (this program's own file, which a bad disk or a hand may damage) ---

// Upgrades the history keeps; the oldest goes when one more is added. A player is flashed a few times a year, so
// this covers its whole life, and support asks for the last few.
inline constexpr std::size_t kMaxHistoryEntries = 200;

// Bytes of one text of an entry (a model, a firmware, a reason) as kept; the rest is cut. A reason holds an error
// text and a path of at most 4096 bytes; what goes past 1 KiB does not help a reader.
inline constexpr std::size_t kMaxHistoryTextBytes = 1024;

// Bytes of one line of the history: four texts at their bound, a digest, a time, the separators and a checksum.
inline constexpr std::size_t kMaxHistoryLineBytes = 4 * kMaxHistoryTextBytes + 256;

}  // namespace yeroup::app::limits
