// The REGEDIT4 writer: turns a registry branch, or one value of one key, into
// the text lines of a registry export file that the system's registry editor
// imports again. The caller owns the line list, puts "REGEDIT4" in first and
// saves the list with SaveRegLines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvanta {

class RegistryApi;
class FileSystem;

// The first line of every export file.
extern const char kRegEditHeader[];  // "REGEDIT4"

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
// alone. Uses an accessor of its own with full access rights. A read that fails
// after the type query raises ERegistryException, and so does a key or value
// name holding CR or LF (it would add lines on import); lines appended before
// stay. Returns false when something that exists is missing from the lines:
// a key (or, for a branch, a subkey) that refuses full access, a value that
// cannot be queried, names the enumeration did not deliver. The lines are the
// same either way.
bool ExportRegKey(RegistryApi& api, std::uint32_t RootKey, const std::string& KeyPath,
                  const std::string& ValueName, std::vector<std::string>& Lines);

// The bytes of a saved export file: each line followed by CR LF.
std::string JoinRegLines(const std::vector<std::string>& lines);

// Writes the lines to path (CR LF after each), replacing a file of that name.
// False when the file cannot be written.
bool SaveRegLines(FileSystem& files, const std::string& path,
                  const std::vector<std::string>& lines);

}  // namespace corvanta
