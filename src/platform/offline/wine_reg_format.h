// The text format of a Wine prefix's registry files (system.reg, user.reg,
// userdef.reg): key headers with time stamps, then one line per value. The
// file spells UTF-16 units as "\x" escapes or UTF-8 bytes; names come out as
// UTF-8 (WTF-8 for an unpaired surrogate), text data stays as the file's
// UTF-16LE bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvanta {

struct WineRegValue {
  std::string name;  // UTF-8; empty for the default value
  // False when the name held bytes that are no UTF-8, which Wine skips.
  bool exact = true;
  std::uint32_t type = 0;
  // As stored: texts as UTF-16LE with their terminating NUL.
  std::vector<std::uint8_t> data;
};

// Reads a quoted or bracketed text starting after its opening character up to
// the unescaped `close`, as UTF-8, the way Wine reads it: bytes that are no
// UTF-8 are skipped and clear *exact. *pos ends after `close`; false when the
// line ends first.
bool DecodeWineText(const std::string& line, std::size_t* pos, char close, std::string* out,
                    bool* exact = nullptr);
// Writes UTF-8 text with the file's escapes as Wine writes them (every UTF-16
// unit past ASCII as "\x"); `quote` is the delimiter to escape (']' in key
// headers, '"' in names and texts).
void EncodeWineText(const std::string& text, char quote, std::string* out);

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
// onKey's second argument is false when the path held bytes Wine skips.
bool ReadWineRegFile(const std::string& bytes,
                     const std::function<void(std::string&&, bool exact)>& onKey,
                     const std::function<void(WineRegValue&&)>& onValue, std::string* error);

// The key header and time lines of a new key.
std::string EncodeWineKeyHeader(const std::string& path, std::int64_t unixSeconds);

}  // namespace corvanta
