#pragma once
// Compressed files for tests, made by the formats' own libraries' compressors.
#include <cstddef>
#include <string>

#include "text/Compression.h"

namespace lumen::test {

inline constexpr Compression kCompressions[] = {Compression::Gzip, Compression::Bzip2, Compression::Xz,
                                                Compression::Zstd};

// `text` as the format's tool writes it (zstd with its checksum).
std::string Compressed(Compression format, const std::string& text);
// A log of real-looking lines, `size` bytes long.
std::string Log(size_t size, unsigned seed = 1);

}  // namespace lumen::test
