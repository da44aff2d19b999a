#pragma once
// Source files for the loading benchmark: C++-like text, mostly ASCII with a
// few letters beyond it, as source files are.
#include <cstddef>
#include <string>

namespace lumen::benchmark {

enum class SampleEncoding { Utf8, Utf16LE, Ansi, AnsiLate };

const char* SampleEncodingName(SampleEncoding encoding);

// Exactly `size` bytes of text in `encoding` (UTF-16 with its mark). The ANSI
// text holds Latin-1 letters as single bytes, which makes it invalid UTF-8;
// "ANSI late" is the UTF-8 text with one such byte at 90 % of it, which a
// big file's load meets only late.
std::string SampleText(SampleEncoding encoding, size_t size);

}  // namespace lumen::benchmark
