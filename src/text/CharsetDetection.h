#pragma once
// Telling the code page of a file that is neither UTF-8 nor UTF-16: Mozilla's
// universal charset detector (uchardet) guesses, and lumen keeps the
// system's code page wherever the guess is unsure or reads the same.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumen {

// The scripts by which the code pages are offered to the user.
enum class Script {
  Western,
  CentralEuropean,
  Cyrillic,
  Greek,
  Turkish,
  Hebrew,
  Arabic,
  Baltic,
  Vietnamese,
  Thai,
  Japanese,
  ChineseSimplified,
  ChineseTraditional,
  Korean,
};

struct CodePage {
  uint32_t number = 0;
  const wchar_t* name = L"";  // as users know it: "Windows-1251", "Shift_JIS"
  Script script = Script::Western;
};

// Every code page lumen reads, grouped by script; the first of each script is
// the one Windows uses for it.
const std::vector<CodePage>& KnownCodePages();
// The entry of `number`, or none for a code page lumen does not know.
std::optional<CodePage> FindCodePage(uint32_t number);
// The code page Windows uses for `script`.
uint32_t WindowsCodePageOf(Script script);
// "Windows-1251", or "CP12345" for a code page without a known name.
std::wstring CodePageName(uint32_t number);

// What the detector made of some bytes: the code page it names (0 for none:
// ASCII, or a charset Windows cannot read) and how sure it is, 0 to 1. Its
// guesses for multi-byte, single-byte and Latin-1 text, the likeliest first;
// one where it is certain (an escape sequence, a mark).
struct CharsetGuess {
  uint32_t codePage = 0;
  float confidence = 0;
};
std::vector<CharsetGuess> GuessCharsets(std::string_view bytes);

// What the detector is given: of the first megabyte of `head`, the lines
// that hold bytes above ASCII, at most 16 KB of them. Lines of ASCII alone
// say nothing about a code page and would cost time.
std::string DetectionSample(std::string_view head);

// Of the characters beyond ASCII in `text`, the share that are no letters,
// marks of letters or punctuation of text, or capitals right after a small
// letter: what a wrong code page turns letters into.
float OddShare(const std::wstring& text);

// Whether the start of a file that is not UTF-8 reads as text in `codePage`
// with fewer odd characters than in `other`.
bool ReadsBetterIn(std::string_view head, uint32_t codePage, uint32_t other);

// The code page to read `head` (the start of a file that is not UTF-8) in:
// `fallback`, the system's, unless the detector is sure enough for so few
// letters, or the system's reads signs where the guess reads letters, and
// reading the bytes in the guess gives another text.
uint32_t ChooseCodePage(std::string_view head, uint32_t fallback);

}  // namespace lumen
