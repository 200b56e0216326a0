// File helpers of the model layer: whole-file reads with a size cap, and writes
// that never leave a half-written file in place of a good one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

bool FileExists(const std::string& path);      // a regular file (or a link to one)
bool DirectoryExists(const std::string& path); // "" counts as the current folder
std::string ExtractFileDir(const std::string& path);
// The extension with its dot, lower-cased ASCII ("" when the name has none).
std::string LowerFileExt(const std::string& path);

enum class TReadResult { Ok, Missing, Unreadable, TooLarge };

// Reads at most maxBytes from the start of the file. With failIfLarger set, a file
// longer than maxBytes is refused (TooLarge) rather than cut.
TReadResult ReadFilePrefix(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                           bool failIfLarger = false);

// Writes the bytes to a temporary file in the target's folder, flushes it to disk,
// renames it over the target and flushes the folder. On any failure (a full disk,
// the file-size limit, errno then telling why) the old file stays as it was and the
// temporary file is removed. A symbolic link is written through to its target and
// stays a link; an existing target keeps its mode and, where the user may give
// them, its owner and group. A read-only target is refused (EACCES), for root too.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size);
inline bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteFileAtomic(path, bytes.data(), bytes.size());
}

// The folder of the running executable, with a trailing '/'. The files that come
// with the program live there.
std::string ProgramFolder();

// The user's configuration folder of the program, $XDG_CONFIG_HOME/talvimorena/
// (~/.config/talvimorena/ without it, the home from the passwd entry without HOME),
// with a trailing '/'; not made here. "" when the user has no home at all.
std::string UserConfigFolder();
// A folder the program may keep its own files in: an existing folder owned by the
// user (the effective one), writable by no other user (the group only when it is
// the user's own).
bool IsFolderSafe(const std::string& folder);
// Where the program keeps the files it writes by itself (its settings, the port
// list): the program folder while the program may write there (a build folder, a
// copy of its own), else the user's configuration folder, made when missing. ""
// when neither is safe: the files then cannot be saved (SaveSettings and the port
// list refuse a name without a folder) and live for the run only.
std::string OwnFilesFolder(const std::string& programFolder);
// The file of that name the program reads back: in the user's configuration folder
// when the program folder cannot be written and the file is there (and the folder is
// safe), else the program folder's (an installed default).
std::string OwnFileToRead(const std::string& programFolder, const std::string& name);
