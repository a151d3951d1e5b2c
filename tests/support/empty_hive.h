// The smallest hive hivex opens and writes: a 4096-byte "regf" base block and
// one 4096-byte "hbin" holding the root key ("nk"), its security cell ("sk",
// which hivex copies to every key it adds) and one free cell.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace corvanta::testing {

inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The base block's checksum: the XOR of its first 127 words.
inline void SetChecksum(std::vector<std::uint8_t>& b) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) {
    sum ^= static_cast<std::uint32_t>(b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (b[i + 3] << 24));
  }
  Put32(b, 0x1FC, sum);
}

inline std::vector<std::uint8_t> EmptyHive() {
  std::vector<std::uint8_t> b(0x2000, 0);
  const std::uint32_t kNone = 0xFFFFFFFFu;
  // Base block.
  b[0] = 'r', b[1] = 'e', b[2] = 'g', b[3] = 'f';
  Put32(b, 0x04, 1);  // both sequence numbers equal: no pending log
  Put32(b, 0x08, 1);
  Put32(b, 0x14, 1);  // format 1.3
  Put32(b, 0x18, 3);
  Put32(b, 0x20, 1);
  Put32(b, 0x24, 0x20);    // root cell, relative to the first bin
  Put32(b, 0x28, 0x1000);  // size of the bins
  Put32(b, 0x2C, 1);
  SetChecksum(b);
  // The bin.
  const std::size_t bin = 0x1000;
  b[bin] = 'h', b[bin + 1] = 'b', b[bin + 2] = 'i', b[bin + 3] = 'n';
  Put32(b, bin + 0x04, 0);
  Put32(b, bin + 0x08, 0x1000);
  // Root key: cells carry their size, negative while in use.
  const std::size_t nk = bin + 0x20, nkSize = 0x58;
  const std::size_t sk = nk + nkSize, skSize = 0x30;
  Put32(b, nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nkSize)));
  b[nk + 4] = 'n', b[nk + 5] = 'k';
  Put16(b, nk + 6, 0x2C);      // hive root, not deletable, ASCII name
  Put32(b, nk + 0x14, kNone);  // parent
  Put32(b, nk + 0x20, kNone);  // subkey lists
  Put32(b, nk + 0x24, kNone);
  Put32(b, nk + 0x2C, kNone);  // value list
  Put32(b, nk + 0x30, static_cast<std::uint32_t>(sk - bin));
  Put32(b, nk + 0x34, kNone);  // class name
  Put16(b, nk + 0x4C, 4);
  b[nk + 0x50] = 'R', b[nk + 0x51] = 'O', b[nk + 0x52] = 'O', b[nk + 0x53] = 'T';
  // Security: a list of one, used once, with an empty self-relative
  // descriptor (no owner, group or lists).
  Put32(b, sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(skSize)));
  b[sk + 4] = 's', b[sk + 5] = 'k';
  Put32(b, sk + 0x08, static_cast<std::uint32_t>(sk - bin));
  Put32(b, sk + 0x0C, static_cast<std::uint32_t>(sk - bin));
  Put32(b, sk + 0x10, 1);
  Put32(b, sk + 0x14, 20);
  b[sk + 0x18] = 1;             // revision
  Put16(b, sk + 0x1A, 0x8000);  // self-relative
  // The rest of the bin is one free cell.
  Put32(b, sk + skSize, static_cast<std::uint32_t>(0x2000 - (sk + skSize)));
  return b;
}

// With slack, that many zero bytes follow the bin: room hivex fills before it
// must grow its copy of the file, which it otherwise reallocates for every
// page it adds (slow under the sanitizers when a whole registry goes in).
// TrimHive then cuts off what was not used.
inline void WriteEmptyHive(const std::string& file, std::size_t slack = 0) {
  std::vector<std::uint8_t> b = EmptyHive();
  b.resize(b.size() + slack, 0);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Cuts a hive file after its last bin, as the base block counts them.
inline bool TrimHive(const std::string& file) {
  std::uint8_t size[4] = {};
  if (!std::ifstream(file, std::ios::binary).seekg(0x28).read(reinterpret_cast<char*>(size), 4))
    return false;
  const std::uint32_t bins = size[0] | (size[1] << 8) | (size[2] << 16) | (size[3] << 24);
  return ::truncate(file.c_str(), 0x1000 + static_cast<off_t>(bins)) == 0;
}

// Marks a hive as the system leaves it when its log files hold changes the
// file lacks: the second sequence number ahead of the first.
inline void MarkUnwrittenLog(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
  in.close();
  Put32(b, 0x08, static_cast<std::uint32_t>(b[4] | (b[5] << 8)) + 1);
  SetChecksum(b);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace corvanta::testing
