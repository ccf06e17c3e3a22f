#pragma once
// How the store fuzzer turns its input into the bytes of a store file; the regression test
// that replays saved inputs uses the same rule. Input that begins with the file's magic is
// a file as it stands (header, checksum and all); any other input is taken as the content
// of a file and sealed with a right header and checksum, so the fuzzer also reaches the
// parser behind the checksum instead of only ever meeting the checksum test.
#include <cstdint>
#include <cstring>
#include <string>

#include "store/crc32c.h"

inline std::string StoreFuzzInput(const std::uint8_t* data, std::size_t size) {
  static const char magic[8] = {'\x89', 'K', 'R', 'O', '\r', '\n', '\x1a', '\n'};
  if (size >= sizeof magic && std::memcmp(data, magic, sizeof magic) == 0)
    return std::string(reinterpret_cast<const char*>(data), size);
  std::string f(magic, sizeof magic);
  auto put = [&](auto v) { f.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(std::uint32_t(1));
  put(std::uint32_t(0));
  put(static_cast<std::uint64_t>(size));
  f.append(reinterpret_cast<const char*>(data), size);
  put(Crc32c(f.data(), f.size()));
  return f;
}
