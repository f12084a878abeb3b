/* A Windows stand-in for the player software's updater, built with MinGW-w64 and run under Wine by the tests.
   It flashes nothing: it records its working folder, its arguments and whether the package's firmware file is
   in that folder, in UTF-8, to "updater-invocation.txt" beside itself (written aside, then renamed, so that a
   reader never sees half a record). Then it runs on, as a flashing updater would, until "updater-release"
   appears beside it (a minute at most). */
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

static void WriteUtf8(FILE* out, const wchar_t* text) {
    char buffer[4 * MAX_PATH];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (n > 0) fputs(buffer, out);
}

int wmain(int argc, wchar_t** argv) {
    wchar_t folder[MAX_PATH];
    wchar_t self[MAX_PATH];
    wchar_t record[MAX_PATH + 32];
    wchar_t aside[MAX_PATH + 32];
    if (!GetCurrentDirectoryW(MAX_PATH, folder) || !GetModuleFileNameW(NULL, self, MAX_PATH)) return 1;
    wchar_t* slash = wcsrchr(self, L'\\');
    if (slash) *slash = L'\0';
    swprintf(record, MAX_PATH + 32, L"%ls\\updater-invocation.txt", self);
    swprintf(aside, MAX_PATH + 32, L"%ls\\updater-invocation.tmp", self);

    FILE* out = _wfopen(aside, L"wb");
    if (!out) return 1;
    fputs("cwd=", out);
    WriteUtf8(out, folder);
    fputs("\n", out);
    for (int i = 1; i < argc; ++i) {
        fputs("arg=", out);
        WriteUtf8(out, argv[i]);
        fputs("\n", out);
    }
    fprintf(out, "firmware.sb=%s\n",
            GetFileAttributesW(L"firmware.sb") != INVALID_FILE_ATTRIBUTES ? "present" : "missing");
    fclose(out);
    if (!MoveFileExW(aside, record, MOVEFILE_REPLACE_EXISTING)) return 1;
    wchar_t release[MAX_PATH + 32];
    swprintf(release, MAX_PATH + 32, L"%ls\\updater-release", self);
    for (int i = 0; i < 600 && GetFileAttributesW(release) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    return 0;
}
