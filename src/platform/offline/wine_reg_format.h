// The text format of a Wine prefix's registry files (system.reg, user.reg,
// userdef.reg): key headers with time stamps, then one line per value. Names
// and texts are UTF-16 in the file's escapes; this layer keeps them so, and
// the store converts to the program's ANSI texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvanta {

struct WineRegValue {
  std::u16string name;  // empty for the default value
  std::uint32_t type = 0;
  // As stored: texts as UTF-16LE with their terminating NUL.
  std::vector<std::uint8_t> data;
};

// Reads a quoted or bracketed text starting after its opening character up to
// the unescaped `close`; *pos ends after it. False when the line ends first.
bool DecodeWineText(const std::string& line, std::size_t* pos, char close, std::u16string* out);
// Writes text with the file's escapes; `quote` is the delimiter to escape
// (']' in key headers, '"' in names and texts).
void EncodeWineText(const std::u16string& text, char quote, std::string* out);

// One value whose lines begin at `line` (continuations already joined: the
// hex lists' trailing "\" removed with the next line's leading blanks).
// False for a line that is not a value.
bool DecodeWineValue(const std::string& line, WineRegValue* out);
// The value's lines as the file holds them, ending in "\n".
std::string EncodeWineValue(const WineRegValue& value);

// Reads a whole file: for each key header, onKey(path) with the path
// decoded ("Software\Classes"), then onValue for each of its values.
// False, with the line number in error, for a file that is not a registry
// file or has a line that cannot be read.
bool ReadWineRegFile(const std::string& bytes, const std::function<void(std::u16string&&)>& onKey,
                     const std::function<void(WineRegValue&&)>& onValue, std::string* error);

// The key header and time lines of a new key.
std::string EncodeWineKeyHeader(const std::u16string& path, std::int64_t unixSeconds);

// Windows-1252 to UTF-16 and back (characters without a byte become '?').
std::u16string AnsiToUtf16(const std::string& ansi);
std::string Utf16ToAnsi(const std::u16string& text);
std::uint8_t Utf16UnitToAnsi(char16_t unit);

}  // namespace corvanta
