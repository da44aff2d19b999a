#include "text/TextContent.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <string>

#include "text/CharsetDetection.h"
#include "text/Encoding.h"

namespace lumen {
namespace {

using namespace std::string_view_literals;

// The first bytes of formats that are never text, though some begin with
// letters: images, archives and compressed data, executables, databases,
// documents of binary parts, sound.
constexpr std::string_view kBinarySignatures[] = {
    "\x89PNG"sv, "GIF87a"sv, "GIF89a"sv, "\xFF\xD8\xFF"sv, "II*\0"sv, "MM\0*"sv, "RIFF"sv, "OggS"sv, "fLaC"sv,
    "ID3"sv, "wOFF"sv, "wOF2"sv, "PK\x03\x04"sv, "PK\x05\x06"sv, "\x1F\x8B"sv, "BZh"sv, "\xFD" "7zXZ"sv,
    "7z\xBC\xAF"sv, "Rar!"sv, "\x28\xB5\x2F\xFD"sv, "!<arch>\n"sv, "%PDF"sv, "MZ"sv, "\x7F" "ELF"sv,
    "\xCA\xFE\xBA\xBE"sv, "\xCF\xFA\xED\xFE"sv, "\xD0\xCF\x11\xE0"sv, "SQLite format 3"sv, "\0asm"sv};

bool HasBinarySignature(std::string_view head) {
  return std::any_of(std::begin(kBinarySignatures), std::end(kBinarySignatures),
                     [&](std::string_view signature) { return head.starts_with(signature); });
}

// Control characters text holds now and then (tabs, line and page ends,
// the escapes of coloured output, a backspace's overstrike), but never many
// of the others, nor several of them in a row.
bool FewControls(std::string_view text) {
  constexpr size_t kLongestRun = 2;
  size_t run = 0, odd = 0;
  for (const char character : text) {
    const auto c = static_cast<unsigned char>(character);
    const bool control = (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1B &&
                          c != '\b') ||
                         c == 0x7F;
    run = control ? run + 1 : 0;
    odd += control ? 1 : 0;
    if (run > kLongestRun) return false;
  }
  return odd * 100 <= text.size();
}

std::optional<Encoding> MarkedUnicode(std::string_view head) {
  if (head.starts_with("\xFF\xFE\0\0"sv)) return Encoding::Utf32LE;
  if (head.starts_with("\0\0\xFE\xFF"sv)) return Encoding::Utf32BE;
  if (head.starts_with("\xFF\xFE"sv)) return Encoding::Utf16LE;
  if (head.starts_with("\xFE\xFF"sv)) return Encoding::Utf16BE;
  return std::nullopt;
}

std::optional<std::string> Converted(std::string_view head, Encoding encoding, bool wholeFile) {
  try {
    SliceConverter converter(encoding);
    std::string utf8;
    if (!converter.Convert(head, wholeFile, utf8)) return std::nullopt;
    return utf8;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

bool LooksLikeText(std::string_view head, bool wholeFile) {
  if (HasBinarySignature(head)) return false;
  // UTF-16 and UTF-32 by their mark, or UTF-16 by its zero bytes (not by
  // the platform's statistical test, which random bytes can pass).
  std::optional<Encoding> wide = MarkedUnicode(head);
  if (!wide) {
    try {
      wide = UnmarkedUtf16(head, wholeFile ? head.size() : uint64_t{1} << 40);
    } catch (const std::exception&) {
      wide.reset();
    }
  }
  if (wide && *wide != Encoding::Utf8 && *wide != Encoding::Ansi) {
    const std::optional<std::string> utf8 = Converted(head, *wide, wholeFile);
    return utf8 && utf8->find('\0') == std::string::npos && FewControls(*utf8);
  }
  if (head.find('\0') != std::string_view::npos || !FewControls(head)) return false;
  if (Converted(head, Encoding::Utf8, wholeFile)) return true;
  // A legacy code page: a few letters beyond ASCII, or a detector sure of it.
  const auto beyondAscii = static_cast<size_t>(
      std::count_if(head.begin(), head.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
  if (beyondAscii * 10 <= head.size()) return true;
  const std::vector<CharsetGuess> guesses = GuessCharsets(DetectionSample(head));
  return !guesses.empty() && guesses.front().codePage != 0 && guesses.front().confidence >= 0.5F;
}

TextShape ShapeOfText(std::string_view utf8) {
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const auto skipBlanks = [&](std::string_view text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    return text;
  };
  const std::string_view text = skipBlanks(utf8);
  if (text.empty()) return TextShape::Plain;
  if (text.front() == '<') {
    std::string start(text.substr(0, 14));
    std::transform(start.begin(), start.end(), start.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (start.starts_with("<?xml") || start.starts_with("<!--")) return TextShape::Xml;
    if (start.starts_with("<!doctype")) return start.starts_with("<!doctype html") ? TextShape::Plain : TextShape::Xml;
    const bool element = text.size() > 1 && (std::isalpha(static_cast<unsigned char>(text[1])) || text[1] == '_');
    const bool closed = text.find("</") != std::string_view::npos || text.find("/>") != std::string_view::npos;
    return element && closed && !start.starts_with("<html") ? TextShape::Xml : TextShape::Plain;
  }
  if (text.front() == '{' || text.front() == '[') {
    const std::string_view inside = skipBlanks(text.substr(1));
    if (inside.empty()) return TextShape::Plain;
    const char next = inside.front();
    const bool json = text.front() == '{' ? next == '"' || next == '}'
                                          : std::string_view("{[\"-0123456789tfn]").find(next) != std::string_view::npos;
    return json ? TextShape::Json : TextShape::Plain;
  }
  return TextShape::Plain;
}

}  // namespace lumen
