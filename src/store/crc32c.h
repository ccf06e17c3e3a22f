#pragma once
// CRC-32C (Castagnoli) of a byte range; the store file's checksum. `crc` continues an
// earlier result (0 to start).
#include <cstddef>
#include <cstdint>

std::uint32_t Crc32c(const void* data, std::size_t size, std::uint32_t crc = 0);
// The portable table routine, kept callable so tests can compare it with the fast one.
std::uint32_t Crc32cPortable(const void* data, std::size_t size, std::uint32_t crc = 0);
