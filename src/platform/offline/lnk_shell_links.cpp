#include "platform/offline/lnk_shell_links.h"

#include <liblnk.h>

#include <cstdint>
#include <fstream>
#include <vector>

#include "platform/offline/offline_file_system.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

using SizeFn = int (*)(liblnk_file_t*, size_t*, liblnk_error_t**);
using TextFn = int (*)(liblnk_file_t*, uint16_t*, size_t, liblnk_error_t**);

// One of the link's UTF-16 strings in the ANSI code page; "" when absent.
std::string LinkText(liblnk_file_t* file, SizeFn sizeOf, TextFn textOf) {
  size_t size = 0;
  liblnk_error_t* error = nullptr;
  if (sizeOf(file, &size, &error) != 1 || size == 0) {
    liblnk_error_free(&error);
    return std::string();
  }
  std::vector<uint16_t> buf(size);
  if (textOf(file, buf.data(), size, &error) != 1) {
    liblnk_error_free(&error);
    return std::string();
  }
  std::u16string text;
  for (uint16_t c : buf) {
    if (c == 0) break;
    text.push_back(static_cast<char16_t>(c));
  }
  return Utf16ToUtf8(text);
}

// liblnk sizes its buffers by the lengths a link states (up to 4 GB each):
// a link is handed to it only when every block it states fits in the file,
// and the file is of a link's size (a few KB; 1 MB at the most).
bool BlocksFitTheFile(const std::string& host) {
  std::ifstream in(host, std::ios::binary | std::ios::ate);
  const std::streamoff length = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  if (length < 0x4C || length > (1 << 20)) return false;
  std::vector<unsigned char> b(static_cast<std::size_t>(length));
  if (!in.seekg(0) || !in.read(reinterpret_cast<char*>(b.data()), length)) return false;
  const auto u16 = [&](std::size_t at) { return std::uint32_t{b[at]} | b[at + 1] << 8; };
  const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  const std::size_t size = b.size();
  if (u32(0) != 0x4C) return false;
  const std::uint32_t flags = u32(0x14);
  std::size_t at = 0x4C;
  if (flags & 0x1) {  // the target's ID list
    if (at + 2 > size) return false;
    at += 2 + u16(at);
  }
  if (flags & 0x2) {  // the location
    if (at + 4 > size || u32(at) > size - at) return false;
    at += u32(at);
  }
  const std::size_t unit = (flags & 0x80) ? 2 : 1;
  for (std::uint32_t text = 0x4; text <= 0x40; text <<= 1) {  // name .. icon location
    if (!(flags & text)) continue;
    if (at + 2 > size) return false;
    at += 2 + unit * u16(at);
  }
  while (at + 4 <= size && u32(at) >= 4) {  // extra blocks, up to the terminal one
    if (u32(at) > size - at) return false;
    at += u32(at);
  }
  return at <= size;
}

// folder + "\" + relative with "." and ".." folded.
std::string Join(const std::string& folder, const std::string& relative) {
  std::vector<std::string> parts;
  const std::string all = folder + "\\" + relative;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find('\\', start);
    if (end == std::string::npos) end = all.size();
    const std::string part = all.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "\\") + p;
  return out;
}

}  // namespace

std::string LnkShellLinks::ResolveShortcutTarget(const std::string& path) {
  if (!HasLowerCaseLnkExtension(path)) return path;
  const std::string host = files_.HostPathOf(path);
  if (host.empty()) return path;
  liblnk_file_t* file = nullptr;
  liblnk_error_t* error = nullptr;
  if (liblnk_file_initialize(&file, &error) != 1) {
    liblnk_error_free(&error);
    throw ShellLinkError("the shortcut reader could not be set up");
  }
  std::string target = path;
  if (BlocksFitTheFile(host) &&
      liblnk_file_open(file, host.c_str(), LIBLNK_OPEN_READ, &error) == 1) {
    const std::string local =
        LinkText(file, liblnk_file_get_utf16_local_path_size, liblnk_file_get_utf16_local_path);
    const std::string relative = LinkText(file, liblnk_file_get_utf16_relative_path_size,
                                          liblnk_file_get_utf16_relative_path);
    if (!local.empty()) {
      target = local;
    } else if (!relative.empty()) {
      const std::size_t cut = path.find_last_of('\\');
      target = Join(path.substr(0, cut), relative);
    } else {
      target.clear();  // a link to something that is not a file
    }
    liblnk_file_close(file, nullptr);
  } else {
    liblnk_error_free(&error);
  }
  liblnk_file_free(&file, nullptr);
  return target;
}

}  // namespace corvanta
