// The export writer: turns a registry branch, or one value of one key, into
// the text lines of a registry export file that the system's registry editor
// imports again. The caller owns the line list, puts "REGEDIT4" in first and
// saves the list with SaveRegLines, which picks the file's format: REGEDIT4
// in Windows-1252 when every character fits it, else version 5 (UTF-16LE).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvanta {

class RegistryApi;
class FileSystem;

// The first line of every export file.
extern const char kRegEditHeader[];  // "REGEDIT4"
// The first line of a version 5 file, which is UTF-16LE after a byte-order mark.
extern const char kVersion5Header[];  // "Windows Registry Editor Version 5.00"

// The name written into key headers for a predefined root, "" for others.
std::string RootKeyName(std::uint32_t rootKey);

// "HKEY_CURRENT_USER\Software\X" or "HKCU\Software\X" to the root and the
// path after it, with its leading backslash ("" for the root itself); the root
// name is matched without regard to case. False for an unknown root.
bool ParseRegistryKey(const std::string& key, std::uint32_t* root, std::string* path);

// Every backslash doubled, then a backslash before every double quote.
std::string EscapeRegText(const std::string& text);

// Appends the lines of the key KeyPath below RootKey: with an empty ValueName
// the whole branch (values and, depth first, subkeys), otherwise that one value
// alone. Uses an accessor of its own with full access rights. The lines are
// UTF-8, the bytes of hex(1), hex(2) and hex(7) lists too (the text's own
// bytes); JoinRegLines writes them in the file's encoding. A read that fails
// after the type query raises ERegistryException, and so does a key or value
// name holding CR or LF (it would add lines on import) or bytes that are no
// UTF-8 (no file can spell them); lines appended before stay. Returns false when something that
// exists is missing from the lines: a key (or, for a branch, a subkey) that refuses full access, a
// value that cannot be queried, a text whose bytes are no UTF-8, names the enumeration did not
// deliver. The lines are the same either way.
bool ExportRegKey(RegistryApi& api, std::uint32_t RootKey, const std::string& KeyPath,
                  const std::string& ValueName, std::vector<std::string>& Lines);

// The bytes of a saved export file, each line followed by CR LF. Decided for
// the whole file: when every line and every text of a hex(1), hex(2) or
// hex(7) list fits Windows-1252, REGEDIT4 in that code page; otherwise a
// "REGEDIT4" first line becomes the version 5 header and the file is UTF-16LE
// with a byte-order mark, those texts UTF-16LE too. *exact is false when a
// line holds bytes that are no UTF-8 (written as U+FFFD).
std::string JoinRegLines(const std::vector<std::string>& lines, bool* exact = nullptr);

// Writes the lines to path as JoinRegLines does, replacing a file of that
// name. False when the file cannot be written, or not exactly.
bool SaveRegLines(FileSystem& files, const std::string& path,
                  const std::vector<std::string>& lines);

}  // namespace corvanta
