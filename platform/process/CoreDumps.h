#pragma once
// Keeping secrets out of core dumps: a process that holds a password or a decrypted key asks the kernel not to
// dump it (no core file, no ptrace attach by the same user, /proc/<pid>/mem owned by root).
namespace yeroup::platform {

// For the rest of the process's life; false when the system refused either step.
bool ForbidCoreDumps();

}  // namespace yeroup::platform
