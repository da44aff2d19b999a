// How often each file of a corpus in many encodings is shown exactly right:
// by the first version's rule, by the charset detector alone, and by lumen's
// detection. The corpus comes from benchmarks/encodings/make_corpus.py; its
// expected.tsv holds each file's text. Prints the shares by encoding and by
// size, the files lumen shows wrong, and what detection costs.
//
// usage: encoding_benchmark.exe CORPUS_FOLDER
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramMain.h"
#include "text/CharsetDetection.h"
#include "text/Encoding.h"

namespace lumen::benchmark {
namespace {

struct Case {
  std::string file, encoding, size, expected;
};

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Shown(const std::string& bytes, const DecodingRule& rule) {
  try {
    return DecodeFirstPart(bytes, bytes.size(), rule).text;
  } catch (const std::exception&) {
    return {};
  }
}

// The detector's answer over the first megabyte, with the mark of a file
// that has one; UTF-8 where it names no code page and the bytes are UTF-8.
std::string DetectorAlone(const std::string& bytes) {
  try {
    const bool hasMark = bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
                         bytes.starts_with("\xFE\xFF");
    if (hasMark) return ConvertToUtf8(bytes, *MarkedOrWideEncoding(bytes, bytes.size()));
    const std::vector<CharsetGuess> guesses = GuessCharsets(std::string_view(bytes).substr(0, size_t{1} << 20));
    if (!guesses.empty() && guesses.front().codePage != 0 && guesses.front().confidence > 0.2F) {
      return ConvertToUtf8(bytes, Encoding::Ansi, guesses.front().codePage);
    }
    return ConvertToUtf8(bytes, IsValidUtf8(bytes.data(), bytes.size()) ? Encoding::Utf8 : Encoding::Ansi);
  } catch (const std::exception&) {
    return {};
  }
}

struct Tally {
  int files = 0, today = 0, detector = 0, lumen = 0;
  void Add(bool t, bool d, bool l) {
    ++files;
    today += t;
    detector += d;
    lumen += l;
  }
};

void PrintRow(const std::string& name, const Tally& tally) {
  const auto share = [&](int right) { return 100.0 * right / std::max(tally.files, 1); };
  std::printf("%-18s %5d %8.1f %% %8.1f %% %8.1f %%\n", name.c_str(), tally.files, share(tally.today),
              share(tally.detector), share(tally.lumen));
}

int Run(const std::vector<std::wstring>& arguments) {
  if (arguments.size() != 1) throw std::runtime_error("usage: encoding_benchmark.exe CORPUS_FOLDER");
  const std::filesystem::path folder(arguments[0]);
  std::ifstream list(folder / "expected.tsv");
  if (!list) throw std::runtime_error("no expected.tsv in the corpus folder");
  std::vector<Case> cases;
  for (std::string line; std::getline(list, line);) {
    std::istringstream fields(line);
    Case c;
    std::string hex;
    std::getline(fields, c.file, '\t');
    std::getline(fields, c.encoding, '\t');
    std::getline(fields, c.size, '\t');
    std::getline(fields, hex, '\t');
    c.expected = FromHex(hex);
    cases.push_back(std::move(c));
  }
  DecodingRule lumenRule;
  lumenRule.detect = true;
  std::map<std::string, Tally> byEncoding, bySize;
  Tally all;
  std::vector<std::string> wrong;
  double slowest = 0, totalMs = 0;
  for (const Case& c : cases) {
    const std::string bytes = ReadAll(folder / c.file);
    const auto start = std::chrono::steady_clock::now();
    const std::string shown = Shown(bytes, lumenRule);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double plainMs = [&] {
      const auto plainStart = std::chrono::steady_clock::now();
      Shown(bytes, {});
      return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - plainStart).count();
    }();
    slowest = std::max(slowest, ms - plainMs);
    totalMs += ms - plainMs;
    const bool today = Shown(bytes, {}) == c.expected, detector = DetectorAlone(bytes) == c.expected,
               right = shown == c.expected;
    byEncoding[c.encoding].Add(today, detector, right);
    bySize[c.size].Add(today, detector, right);
    all.Add(today, detector, right);
    if (!right) {
      const FirstPart part = DecodeFirstPart(bytes, bytes.size(), lumenRule);
      std::string line = c.file + " shown in " + std::to_string(part.rest.codePage()) + "; detector:";
      const std::string sample = DetectionSample(bytes);
      const auto odd = [&](uint32_t codePage) {
        const std::string text = ConvertToUtf8(sample, Encoding::Ansi, codePage);
        std::wstring wide(text.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                        static_cast<int>(wide.size())));
        return std::to_string(OddShare(wide)).substr(0, 4);
      };
      line += " (odd " + odd(0) + ")";
      for (const CharsetGuess& guess : GuessCharsets(sample)) {
        line += " " + std::to_string(guess.codePage) + " at " + std::to_string(guess.confidence).substr(0, 4) +
                " (odd " + (guess.codePage ? odd(guess.codePage) : std::string("-")) + ")";
      }
      wrong.push_back(line);
    }
  }
  std::printf("system code page %u\n\n%-18s %5s %10s %10s %10s\n", GetACP(), "encoding", "files", "today",
              "detector", "lumen");
  for (const auto& [name, tally] : byEncoding) PrintRow(name, tally);
  std::printf("\n");
  for (const auto& [name, tally] : bySize) PrintRow(name, tally);
  std::printf("\n");
  PrintRow("all", all);
  std::printf("\ndetection's cost over the first version's rule: %.2f ms a file on average, %.2f ms at most\n",
              totalMs / std::max<size_t>(cases.size(), 1), slowest);
  std::printf("\nshown wrong by lumen (%zu):\n", wrong.size());
  for (const std::string& file : wrong) std::printf("  %s\n", file.c_str());
  return 0;
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("encoding_benchmark", lumen::benchmark::Run); }
