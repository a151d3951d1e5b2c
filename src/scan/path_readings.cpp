#include "scan/path_readings.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/name_case.h"
#include "platform/text_convert.h"
#include "regexpr/regexpr.h"
#include "scan/scan_engine.h"

namespace corvanta {

namespace {

constexpr std::size_t npos = std::string::npos;

// What the wide reading runs across: the scan's path class, the other
// characters Windows allows in names that program folders use, and every
// byte of a character beyond ASCII (so a run never ends inside one).
constexpr std::array<bool, 256> NameCharTable() {
  std::array<bool, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = i >= 0x80 || IsAsciiAlnum(static_cast<char>(i));
  for (const char n : std::string_view("_-\\~.+ !()&'#$@[]{}=^"))
    t[static_cast<unsigned char>(n)] = true;
  return t;
}
constexpr std::array<bool, 256> kNameChars = NameCharTable();

bool IsNameChar(char c) {
  return kNameChars[static_cast<unsigned char>(c)];
}

bool DriveAt(const std::string& s, std::size_t p) {
  return p + 2 < s.size() && IsAsciiAlpha(s[p]) && s[p + 1] == ':' && s[p + 2] == '\\';
}

// The next "X:\" at or after from.
std::size_t NextDrive(const std::string& s, std::size_t from) {
  for (std::size_t at = s.find(":\\", from + 1); at != npos; at = s.find(":\\", at + 1))
    if (DriveAt(s, at - 1)) return at - 1;
  return npos;
}

// Arguments begin at the blank at i: a switch ("/x", "-x") or another drive
// path follows it.
bool ArgumentsAt(const std::string& s, std::size_t i) {
  if (s[i] != ' ' || i + 2 >= s.size()) return false;
  const char next = s[i + 1];
  return ((next == '/' || next == '-') && IsAsciiAlnum(s[i + 2])) || DriveAt(s, i + 1);
}

// Where the name characters from the drive path at p end; with
// stopAtArguments also at a blank that begins arguments (*cut is then set).
std::size_t RunEnd(const std::string& s, std::size_t p, bool stopAtArguments, bool* cut) {
  std::size_t i = p + 3;
  for (; i < s.size() && IsNameChar(s[i]); ++i) {
    if (stopAtArguments && ArgumentsAt(s, i)) {
      *cut = true;
      return i;
    }
  }
  return i;
}

// The end of the last extension (dots, then letters or digits, with a name
// before the dots) in the drive path s[p, to); npos when there is none. With
// blankAfter only one that ends at a blank or at `to` counts: a program
// name before its arguments.
std::size_t LastExtensionEnd(const std::string& s, std::size_t p, std::size_t to,
                             bool blankAfter = false) {
  std::size_t j = to;
  while (j > p + 3) {
    if (!IsAsciiAlnum(s[j - 1])) {
      --j;
      continue;
    }
    std::size_t k = j;
    while (k > p + 3 && IsAsciiAlnum(s[k - 1])) --k;
    if (k >= p + 5 && s[k - 1] == '.' && (!blankAfter || j == to || s[j] == ' ')) return j;
    j = k;
  }
  return npos;
}

void Add(std::vector<PathReading>* readings, std::string path, bool fileOnly) {
  for (PathReading& r : *readings) {
    if (r.path.size() == path.size() && r.path == path) {
      // A file or folder of that name is the weaker test: it wins.
      r.fileOnly = r.fileOnly && fileOnly;
      return;
    }
  }
  readings->push_back({std::move(path), fileOnly});
}

// The path read across name characters from the drive path at p; "" when
// it reaches no extension.
std::string WideReading(const std::string& s, std::size_t p, bool* fileOnly, std::size_t* runEnd) {
  bool cut = false;
  const std::size_t end = RunEnd(s, p, true, &cut);
  if (runEnd != nullptr) *runEnd = end;
  const std::size_t extEnd = LastExtensionEnd(s, p, end, cut);
  if (extEnd == npos) return std::string();
  *fileOnly = cut;
  return s.substr(p, extEnd - p);
}

// The end of the longest run of s[from, to) that is at most units UTF-16
// units long, at the end of a character.
std::size_t Utf16Prefix(const std::string& s, std::size_t from, std::size_t to, std::size_t units) {
  std::size_t i = from;
  std::uint32_t cp = 0;
  while (i < to && units > 0) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      --units;
      continue;
    }
    std::size_t next = i;
    const std::size_t width = DecodeUtf8(s, &next, &cp) && cp >= 0x10000 ? 2 : 1;
    if (width > units) break;
    units -= width;
    i = next;
  }
  return i;
}

// The programs CreateProcess may start for an unquoted command line from p:
// each prefix ending in an extension right before a blank, as long as a
// program name can be.
void AddCommandPrefixes(std::vector<PathReading>* readings, const std::string& s, std::size_t p) {
  bool cut = false;
  const std::size_t end = RunEnd(s, p, false, &cut);
  const std::size_t last = Utf16Prefix(s, p, end, kMaxPath);
  for (std::size_t blank = s.find(' ', p + 3); blank != npos && blank < last;
       blank = s.find(' ', blank + 1)) {
    std::size_t i = blank;
    while (i > p + 3 && IsAsciiAlnum(s[i - 1])) --i;
    if (i == blank || i < p + 5 || s[i - 1] != '.') continue;
    Add(readings, s.substr(p, blank - p), true);
  }
}

}  // namespace

bool LongerThanMaxPath(const std::string& path) {
  // Bytes never count fewer than UTF-16 units: a short text needs no count.
  return path.size() > kMaxPath && Utf16Prefix(path, 0, path.size(), kMaxPath) < path.size();
}

PathReadings ReadPaths(TRegExpr& regex, const std::string& s) {
  PathReadings out;
  std::vector<PathReading>& readings = out.readings;

  regex.SetExpression(kDrivePathPattern);
  std::string match;
  std::size_t matchAt = npos;
  if (regex.Exec(s)) {
    match = regex.Match(0);
    matchAt = static_cast<std::size_t>(regex.MatchPos(0));
  }

  std::string quoted;
  if (!s.empty() && s[0] == '"' && DriveAt(s, 1)) {
    const std::size_t close = s.find('"', 1);
    if (close != npos && LastExtensionEnd(s, 1, close) != npos) quoted = s.substr(1, close - 1);
  }

  // The first drive path that reaches an extension across name characters.
  // Name characters hold no ":", so each try ends before the next drive path.
  std::string wide;
  bool wideFileOnly = false;
  std::size_t wideAt = npos;
  for (std::size_t p = NextDrive(s, 0); p != npos;) {
    std::size_t end = p + 3;
    wide = WideReading(s, p, &wideFileOnly, &end);
    if (!wide.empty()) {
      wideAt = p;
      break;
    }
    p = NextDrive(s, end - 1);
  }
  // The match may start at a later drive path than the wide reading.
  std::string wideAtMatch;
  bool wideAtMatchFileOnly = false;
  if (matchAt != npos && matchAt != wideAt)
    wideAtMatch = WideReading(s, matchAt, &wideAtMatchFileOnly, nullptr);

  // A match that stops inside a name a longer reading from the same place
  // goes on with is a fragment: it decides nothing.
  if (matchAt != npos) {
    const std::size_t matchEnd = matchAt + match.size();
    const bool insideName = matchEnd < s.size() && IsNameChar(s[matchEnd]);
    const std::size_t longer = std::max(
        {matchAt == wideAt ? wide.size() : wideAtMatch.size(), matchAt == 1 ? quoted.size() : 0});
    if (!(insideName && longer > match.size())) Add(&readings, match, false);
  }
  if (!quoted.empty()) Add(&readings, quoted, false);
  if (!wide.empty()) Add(&readings, wide, wideFileOnly);
  if (!wideAtMatch.empty()) Add(&readings, wideAtMatch, wideAtMatchFileOnly);
  if (readings.empty()) return out;
  if (matchAt != npos) AddCommandPrefixes(&readings, s, matchAt);
  if (wideAt != npos && wideAt != matchAt) AddCommandPrefixes(&readings, s, wideAt);

  for (const PathReading& r : readings)
    if (r.path.size() > out.longest.size()) out.longest = r.path;
  return out;
}

}  // namespace corvanta
