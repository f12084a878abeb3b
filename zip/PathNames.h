#pragma once
// Path and name helpers for entry names and destinations, split as the platform's file-name
// functions do it.
#include <string>

namespace yeroup::zip {

// Text after the last path separator or drive colon.
std::string ExtractFileName(const std::string& path);
// Text up to and including the last path separator or drive colon.
std::string ExtractFilePath(const std::string& path);
// "C:" for a drive path, "\\server\share" for a network path, else empty.
std::string ExtractFileDrive(const std::string& path);

std::string IncludeTrailingPathDelimiter(const std::string& path);
// Destination folder of a run: the base folder, or the current folder when it is empty, with a
// trailing separator.
std::string DestinationFolder(const std::string& baseDir);

bool IsRemovableDrive(const std::string& fileName);

std::string ReplaceChar(std::string text, char from, char to);
// Stored names may use "\\" between folders; the directory holds "/". Trail bytes of double-byte
// characters in the ANSI code page are left alone.
std::string BackslashesToSlashes(std::string name);

// An ANSI name as the file system spells it (UTF-8).
std::string AnsiToDiskName(const std::string& name);
// A UTF-8 name as the directory holds it (ANSI code page).
std::string DiskNameToAnsi(const std::string& name);

// False for a name that would leave the destination folder: an absolute path, a drive or a
// network name, or a ".." component, or one of dots and spaces only (Windows strips trailing dots and spaces, so
// ".. " is ".." there, and "..." nothing).
bool IsSafeRelativeName(const std::string& name);

}  // namespace yeroup::zip
