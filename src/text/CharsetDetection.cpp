#include "text/CharsetDetection.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <windows.h>

// The detector's own headers expect its basic types first.
#include "nscore.h"
#include "nsCharSetProber.h"
#include "nsUniversalDetector.h"
#include "text/Encoding.h"

namespace lumen {
namespace {

constexpr size_t kMostBytesLookedAt = size_t{1} << 20;
constexpr size_t kMostSampleBytes = size_t{16} << 10;

// The detector's charset names and the code pages lumen reads them in.
// Charsets lumen has no code page for (EUC-TW, VISCII) are missing: the
// system's code page stays.
struct DetectorName {
  const char* name;
  uint32_t codePage;
};
constexpr DetectorName kDetectorNames[] = {
    {"WINDOWS-1250", 1250},     {"WINDOWS-1251", 1251},     {"WINDOWS-1252", 1252},
    {"WINDOWS-1253", 1253},     {"WINDOWS-1254", 1254},     {"WINDOWS-1255", 1255},
    {"WINDOWS-1256", 1256},     {"WINDOWS-1257", 1257},     {"WINDOWS-1258", 1258},
    {"ISO-8859-1", 28591},      {"ISO-8859-2", 28592},      {"ISO-8859-3", 28593},
    {"ISO-8859-4", 28594},      {"ISO-8859-5", 28595},      {"ISO-8859-6", 28596},
    {"ISO-8859-7", 28597},      {"ISO-8859-8", 28598},      {"ISO-8859-8-I", 28598},
    {"ISO-8859-9", 28599},      {"ISO-8859-11", 874},       {"ISO-8859-13", 28603},
    {"ISO-8859-15", 28605},     {"TIS-620", 874},           {"KOI8-R", 20866},
    {"ISO-8859-10", kIso8859_10}, {"ISO-8859-16", kIso8859_16},
    {"IBM866", 866},            {"IBM855", 855},            {"IBM852", 852},
    {"MAC-CYRILLIC", 10007},    {"MAC-CENTRALEUROPE", 10029}, {"SHIFT_JIS", 932},
    {"SJIS", 932},              {"EUC-JP", 20932},          {"GB18030", 936},
    {"GB2312", 936},            {"BIG5", 950},              {"EUC-KR", 949},
    {"UHC", 949},               {"CP949", 949},             {"WINDOWS-949", 949},
};

uint32_t CodePageOfDetectorName(const char* name) {
  for (const DetectorName& known : kDetectorNames) {
    if (_stricmp(known.name, name) == 0) return known.codePage;
  }
  return 0;
}

// The detector with its verdict read out whole: the library's own interface
// gives one name only, and none where it is unsure. Its probers for
// multi-byte, single-byte and Latin-1 text each have a best guess.
class Detector final : public nsUniversalDetector {
 public:
  Detector() : nsUniversalDetector(NS_FILTER_ALL) {}

  std::vector<CharsetGuess> Guesses(std::string_view bytes) {
    HandleData(bytes.data(), static_cast<PRUint32>(bytes.size()));
    DataEnd();
    if (!reported_.empty() && mDone) return {{CodePageOfDetectorName(reported_.c_str()), 1.0F}};
    std::vector<CharsetGuess> guesses;
    if (mInputState != eHighbyte) return guesses;
    for (nsCharSetProber* prober : mCharSetProbers) {
      if (!prober) continue;
      const float confidence = prober->GetConfidence();  // before the name: it picks the group's best
      guesses.push_back({CodePageOfDetectorName(prober->GetCharSetName()), confidence});
    }
    std::sort(guesses.begin(), guesses.end(),
              [](const CharsetGuess& a, const CharsetGuess& b) { return a.confidence > b.confidence; });
    return guesses;
  }

 protected:
  void Report(const char* charset) override { reported_ = charset; }

 private:
  std::string reported_;
};

// An ISO-8859 guess for bytes that hold 0x80 to 0x9F, control characters
// that no ISO-8859 text has: the Windows code page of that script, which
// puts letters and signs there. Windows-1252 and -1254 read every other byte
// as ISO-8859-1 and -9 do: they are taken for those always.
uint32_t WindowsCodePageForControls(uint32_t codePage, std::string_view bytes) {
  if (codePage == 28591) return 1252;
  if (codePage == 28599) return 1254;
  const bool controls = std::any_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 && byte <= 0x9F;
  });
  if (!controls) return codePage;
  switch (codePage) {
    case 28605:
      return 1252;
    case 28592:
      return 1250;
    case 28597:
      return 1253;
    case 28598:
      return 1255;
    case 28594:
    case 28603:
      return 1257;
    default:
      return codePage;
  }
}

// The detector knows KOI8-R only; the Ukrainian letters of KOI8-U stand where
// KOI8-R has box-drawing signs, which Russian text never needs.
uint32_t Koi8UForUkrainianLetters(uint32_t codePage, std::string_view bytes) {
  if (codePage != 20866) return codePage;
  constexpr std::string_view kUkrainianOnly("\xA4\xA6\xA7\xAD\xB4\xB6\xB7\xBD");
  return bytes.find_first_of(kUkrainianOnly) != std::string_view::npos ? 21866 : codePage;
}

std::wstring Decoded(std::string_view bytes, uint32_t codePage) { return CodePageToWide(bytes, codePage); }

// Whether every byte sequence is a character of the code page: bytes of
// another code page read in a double-byte one break its pairs.
bool ReadsWhole(std::string_view bytes, uint32_t codePage) { return !CodePageToWide(bytes, codePage, true).empty(); }

// How sure the detector must be: a few words fit many code pages, so the
// fewer letters above ASCII, the surer.
float ConfidenceNeeded(size_t bytesAboveAscii) {
  if (bytesAboveAscii < 8) return 0.6F;
  if (bytesAboveAscii < 32) return 0.5F;
  return 0.3F;
}
// Below this the detector's guess is noise, however odd the system's reading.
constexpr float kLeastConfidence = 0.15F;

// At most `most` bytes of `line`, cut after a byte below 0x40, which no
// code page uses inside a character of two bytes: a long line cut inside
// one would read as broken in its own code page.
std::string_view CutBetweenCharacters(std::string_view line, size_t most) {
  if (line.size() <= most) return line;
  size_t end = most;
  while (end > 0 && static_cast<unsigned char>(line[end - 1]) >= 0x40) --end;
  return line.substr(0, end > 0 ? end : most);
}

size_t BytesAboveAscii(std::string_view bytes) {
  return static_cast<size_t>(std::count_if(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; }));
}

// Quotes, dashes and the like, which text beyond ASCII holds between its letters.
constexpr wchar_t kTextPunctuation[] =
    L"\u00AB\u00BB\u2039\u203A\u2018\u2019\u201A\u201C\u201D\u201E\u2013\u2014\u2026\u00B7\u00A1\u00BF\u2022";

// Code pages of old systems (DOS, the classic Mac OS) and rare ISO ones that
// short text from today's matches by chance more often than it was written
// in them: guessed only for text long enough for the detector to tell, or
// where it is sure.
bool GuessedOnlyWhenSure(uint32_t codePage) {
  return codePage == 10007 || codePage == 10029 || codePage == 852 || codePage == 855 || codePage == kIso8859_10 ||
         codePage == kIso8859_16;
}
constexpr size_t kLongText = 64;  // bytes above ASCII in the sample
constexpr float kSureOfARarePage = 0.7F;

}  // namespace

// Text read in its own code page is letters; read in a wrong one it turns
// partly into signs, controls and capitals inside words.
float OddShare(const std::wstring& text) {
  const int length = static_cast<int>(text.size());
  std::vector<WORD> kinds(text.size()), marks(text.size());
  if (length == 0 || !GetStringTypeW(CT_CTYPE1, text.data(), length, kinds.data()) ||
      !GetStringTypeW(CT_CTYPE3, text.data(), length, marks.data())) {
    return length == 0 ? 0 : 1;
  }
  size_t beyondAscii = 0, odd = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] <= 0x7F) continue;
    ++beyondAscii;
    // The punctuation of Chinese and Japanese text is as much a part of it as its letters.
    const bool cjkPunctuation = (text[i] >= 0x3000 && text[i] <= 0x303F) || (text[i] >= 0xFF00 && text[i] <= 0xFF65);
    // Quotes, dashes and the like belong to text; currency, maths and other
    // signs in a run of letters mostly come of a wrong code page.
    const bool textPunctuation = std::wstring_view(kTextPunctuation).find(text[i]) != std::wstring_view::npos;
    const bool letter =
        ((kinds[i] & (C1_ALPHA | C1_SPACE)) || (marks[i] & C3_NONSPACING) || cjkPunctuation || textPunctuation) &&
        !(kinds[i] & C1_CNTRL) && text[i] != 0xFFFD;
    const bool capitalInWord = (kinds[i] & C1_UPPER) && i > 0 && (kinds[i - 1] & C1_LOWER);
    // A Greek, Cyrillic or Chinese letter alone inside a Latin word: bytes
    // of a Latin code page read in another.
    const auto asciiLetter = [&](size_t at) { return at < text.size() && text[at] < 0x80 && iswalpha(text[at]); };
    const bool foreignInLatinWord = text[i] >= 0x370 && i > 0 && asciiLetter(i - 1) && asciiLetter(i + 1);
    // Half-width katakana come in words; one alone is a Latin letter read in Shift_JIS.
    const auto halfWidthKana = [&](size_t at) { return at < text.size() && text[at] >= 0xFF61 && text[at] <= 0xFF9F; };
    const bool loneKana = halfWidthKana(i) && !(i > 0 && halfWidthKana(i - 1)) && !halfWidthKana(i + 1);
    odd += !letter || capitalInWord || foreignInLatinWord || loneKana;
  }
  return beyondAscii == 0 ? 0 : static_cast<float>(odd) / static_cast<float>(beyondAscii);
}

const std::vector<CodePage>& KnownCodePages() {
  static const std::vector<CodePage> pages = {
      {1252, L"Windows-1252", Script::Western},
      {28591, L"ISO-8859-1", Script::Western},
      {28605, L"ISO-8859-15", Script::Western},
      {1250, L"Windows-1250", Script::CentralEuropean},
      {28592, L"ISO-8859-2", Script::CentralEuropean},
      {852, L"CP852", Script::CentralEuropean},
      {10029, L"Mac Central European", Script::CentralEuropean},
      {kIso8859_16, L"ISO-8859-16", Script::CentralEuropean},
      {1251, L"Windows-1251", Script::Cyrillic},
      {20866, L"KOI8-R", Script::Cyrillic},
      {21866, L"KOI8-U", Script::Cyrillic},
      {28595, L"ISO-8859-5", Script::Cyrillic},
      {866, L"CP866", Script::Cyrillic},
      {855, L"CP855", Script::Cyrillic},
      {10007, L"Mac Cyrillic", Script::Cyrillic},
      {1253, L"Windows-1253", Script::Greek},
      {28597, L"ISO-8859-7", Script::Greek},
      {1254, L"Windows-1254", Script::Turkish},
      {28599, L"ISO-8859-9", Script::Turkish},
      {28593, L"ISO-8859-3", Script::Turkish},
      {1255, L"Windows-1255", Script::Hebrew},
      {28598, L"ISO-8859-8", Script::Hebrew},
      {1256, L"Windows-1256", Script::Arabic},
      {28596, L"ISO-8859-6", Script::Arabic},
      {1257, L"Windows-1257", Script::Baltic},
      {28603, L"ISO-8859-13", Script::Baltic},
      {28594, L"ISO-8859-4", Script::Baltic},
      {kIso8859_10, L"ISO-8859-10", Script::Baltic},
      {1258, L"Windows-1258", Script::Vietnamese},
      {874, L"Windows-874", Script::Thai},
      {932, L"Shift_JIS", Script::Japanese},
      {20932, L"EUC-JP", Script::Japanese},
      {936, L"GBK", Script::ChineseSimplified},
      {950, L"Big5", Script::ChineseTraditional},
      {949, L"EUC-KR", Script::Korean},
  };
  return pages;
}

std::optional<CodePage> FindCodePage(uint32_t number) {
  for (const CodePage& page : KnownCodePages()) {
    if (page.number == number) return page;
  }
  return std::nullopt;
}

uint32_t WindowsCodePageOf(Script script) {
  for (const CodePage& page : KnownCodePages()) {
    if (page.script == script) return page.number;  // the first of each script is Windows' own
  }
  return 0;
}

std::wstring CodePageName(uint32_t number) {
  if (const std::optional<CodePage> page = FindCodePage(number)) return page->name;
  return L"CP" + std::to_wstring(number);
}

std::vector<CharsetGuess> GuessCharsets(std::string_view bytes) {
  if (bytes.empty()) return {};
  Detector detector;
  return detector.Guesses(bytes);
}

std::string DetectionSample(std::string_view head) {
  head = head.substr(0, kMostBytesLookedAt);
  // Whole lines only: a cut one may end inside a character of two bytes.
  const size_t lastLineEnd = head.rfind('\n');
  if (lastLineEnd != std::string_view::npos) head = head.substr(0, lastLineEnd + 1);
  std::string sample;
  for (size_t start = 0; start < head.size();) {
    size_t end = head.find('\n', start);
    end = end == std::string_view::npos ? head.size() : end + 1;
    const std::string_view line = head.substr(start, end - start);
    if (BytesAboveAscii(line) > 0) {
      if (sample.size() + line.size() > kMostSampleBytes && !sample.empty()) break;
      sample.append(CutBetweenCharacters(line, kMostSampleBytes));
    }
    start = end;
  }
  return sample;
}

bool ReadsBetterIn(std::string_view head, uint32_t codePage, uint32_t other) {
  // A margin, so that text that reads alike in both keeps `other`.
  constexpr float kClearlyFewer = 0.05F;
  const std::string sample = DetectionSample(head);
  const auto odd = [&](uint32_t page) {
    const std::wstring text = Decoded(sample, page);
    return text.empty() || !ReadsWhole(sample, page) ? 1.0F : OddShare(text);
  };
  return IsReadableCodePage(codePage) && !sample.empty() && odd(codePage) + kClearlyFewer < odd(other);
}

uint32_t ChooseCodePage(std::string_view head, uint32_t fallback) {
  const std::string sample = DetectionSample(head);
  const std::wstring inFallback = Decoded(sample, fallback);
  const float fallbackOdd = inFallback.empty() || !ReadsWhole(sample, fallback) ? 1.0F : OddShare(inFallback);
  // Of the detector's guesses, and the Windows code pages of their scripts,
  // the likeliest that reads as letters.
  struct Candidate {
    uint32_t codePage = 0;
    float confidence = 0, odd = 1;
  } best;
  float bestScore = 0;
  const auto consider = [&](uint32_t codePage, float confidence) {
    if (!IsReadableCodePage(codePage)) return;
    const std::wstring text = codePage == fallback ? inFallback : Decoded(sample, codePage);
    if (text.empty() || !ReadsWhole(sample, codePage)) return;
    const float odd = OddShare(text), score = confidence - odd;
    if (best.codePage == 0 || score > bestScore) {
      best = {codePage, confidence, odd};
      bestScore = score;
    }
  };
  const bool longText = BytesAboveAscii(sample) >= kLongText;
  for (const CharsetGuess& guess : GuessCharsets(sample)) {
    if (guess.codePage == 0 || guess.confidence < kLeastConfidence) continue;
    const bool rare = GuessedOnlyWhenSure(guess.codePage) && !longText;
    if (rare && guess.confidence < kSureOfARarePage) continue;
    // Control characters anywhere in the head tell, not only in the sample.
    const std::string_view looked = head.substr(0, kMostBytesLookedAt);
    const uint32_t codePage = Koi8UForUkrainianLetters(WindowsCodePageForControls(guess.codePage, looked), sample);
    consider(codePage, guess.confidence);
    // A few words fit the ISO and the Windows code page of a script alike;
    // a sureness about a rare code page's reading says nothing of Windows' own.
    if (const std::optional<CodePage> page = rare ? std::nullopt : FindCodePage(codePage)) {
      consider(WindowsCodePageOf(page->script), guess.confidence - 0.01F);
    }
  }
  if (best.codePage == 0 || best.codePage == fallback) return fallback;
  // Sure enough for so few letters, and reading no worse than the system's
  // code page; or, where the system's reads signs for letters, one that
  // reads letters.
  const bool sure =
      best.confidence >= ConfidenceNeeded(BytesAboveAscii(sample)) && best.odd <= fallbackOdd + 0.05F;
  const bool plainlyBetter = fallbackOdd >= 0.1F && best.odd == 0;
  if (!sure && !plainlyBetter) return fallback;
  // The system's code page keeps a file it reads the same: ISO-8859-1 text
  // without control characters is also Windows-1252 text.
  if (Decoded(sample, best.codePage) == inFallback) return fallback;
  return best.codePage;
}

}  // namespace lumen
