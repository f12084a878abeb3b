// The settings of the project's sanitizer builds, compiled into every executable of such a build, so a program
// started by hand (ctest, a test program, the program itself) runs as under the test command. Settings given in
// ASAN_OPTIONS, UBSAN_OPTIONS, LSAN_OPTIONS or TSAN_OPTIONS still apply on top of these. The runtimes look these
// functions up by name.

// Leaks are errors, and the first error of any kind ends the program, so ctest sees it fail.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1";
}

extern "C" __attribute__((visibility("default"), used)) const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
    return "print_suppressions=0";
}

// Allocations that the system's font and window libraries keep for the life of the process.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Core.so\n"
           "leak:libglib-2.0.so\n";
}

extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_options() {
    return "halt_on_error=1:second_deadlock_stack=1";
}
