#include "config/Recognition.h"

#include <algorithm>
#include <cwctype>

#include "base/Text.h"
#include "config/Loaders.h"

namespace lumen {
namespace {

constexpr wchar_t kBlanks[] = L" \t\r\n";
// Recognition reads at most this much of a line: a modeline or a "#!" line is
// short, and a minified file's one line may be hundreds of megabytes.
constexpr size_t kLongestLine = 4096;
// No file name is longer (NTFS and FAT keep 255 characters): longer patterns
// and names are not matched, which also bounds the wildcard matcher's work.
constexpr size_t kLongestName = 1024;

std::wstring Lower(const std::wstring& text) { return UserLocale::Get().ToLower(text); }

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& text) {
  const size_t start = text.find_first_not_of(kBlanks);
  if (start == std::wstring::npos) return {};
  return text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
}

std::wstring LastPathComponent(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"/\\");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The line's text up to kLongestLine bytes, as UTF-16.
std::wstring LineText(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return Utf8ToWide(std::string(line.substr(0, kLongestLine)));
}

// The earliest language one of whose aliases is `type` or, for a program, one
// of its names without versions.
std::optional<size_t> LanguageByAlias(const std::vector<LanguageKeys>& languages,
                                      const std::vector<std::wstring>& candidates) {
  for (const std::wstring& candidate : candidates) {
    if (candidate.empty()) continue;
    const std::wstring wanted = Lower(candidate);
    for (size_t index = 0; index < languages.size(); ++index) {
      for (const std::wstring& alias : Split(languages[index].aliases, kBlanks)) {
        if (Lower(alias) == wanted) return index;
      }
    }
  }
  return std::nullopt;
}

std::optional<size_t> LanguageByModeline(const std::vector<LanguageKeys>& languages, const EdgeLines& lines) {
  for (const auto* group : {&lines.first, &lines.last}) {
    for (const std::wstring& line : *group) {
      const std::wstring type = ModelineFileType(line);
      if (type.empty()) continue;
      // Vim's compound types ("python.django") are coloured by their first part.
      if (auto found = LanguageByAlias(languages, {type, type.substr(0, type.find(L'.'))})) return found;
    }
  }
  return std::nullopt;
}

std::optional<size_t> LanguageByFirstLine(const std::vector<LanguageKeys>& languages, const EdgeLines& lines) {
  if (lines.first.empty()) return std::nullopt;
  const std::wstring program = FirstLineProgram(lines.first.front());
  if (program.empty()) return std::nullopt;
  return LanguageByAlias(languages, ProgramNameCandidates(program));
}

std::optional<size_t> LanguageByExtension(const std::vector<LanguageKeys>& languages, const std::wstring& extension) {
  if (extension.empty()) return std::nullopt;
  const std::wstring upperExtension = UserLocale::Get().ToUpper(extension);
  for (size_t index = 0; index < languages.size(); ++index) {
    const std::wstring& list = languages[index].extensions;
    if (!list.empty() && ExtensionListSelects(UserLocale::Get().ToUpper(list), upperExtension)) return index;
  }
  return std::nullopt;
}

// Vim's option text after "vi:", "vim:", "Vim:", "vimNNN:" or "ex:": the value of ft,
// filetype, syntax or syn.
std::wstring VimFileType(const std::wstring& options) {
  std::wstring text = options;
  const std::wstring start = Trim(text);
  // "set " form: the options end at the next colon; otherwise colons separate them too.
  const bool setForm = start.rfind(L"set ", 0) == 0 || start.rfind(L"se ", 0) == 0;
  if (setForm) {
    text = start.substr(start.find(L' ') + 1);
    text = text.substr(0, text.find(L':'));
  }
  for (const std::wstring& option : Split(text, setForm ? L" \t" : L" \t:")) {
    const size_t equals = option.find(L'=');
    if (equals == std::wstring::npos) continue;
    const std::wstring name = option.substr(0, equals);
    if (name == L"ft" || name == L"filetype" || name == L"syntax" || name == L"syn") return option.substr(equals + 1);
  }
  return {};
}

std::wstring EmacsFileType(const std::wstring& line) {
  const size_t open = line.find(L"-*-");
  if (open == std::wstring::npos) return {};
  const size_t close = line.find(L"-*-", open + 3);
  if (close == std::wstring::npos) return {};
  const std::wstring inside = line.substr(open + 3, close - open - 3);
  if (inside.find(L':') == std::wstring::npos) return Trim(inside);
  for (const std::wstring& variable : Split(inside, L";")) {
    const size_t colon = variable.find(L':');
    if (colon != std::wstring::npos && Lower(Trim(variable.substr(0, colon))) == L"mode") {
      return Trim(variable.substr(colon + 1));
    }
  }
  return {};
}

}  // namespace

EdgeLines EdgeLinesOf(std::string_view text, bool lastToo) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  EdgeLines lines;
  size_t at = 0;
  while (at < text.size() && lines.first.size() < kModelineReach) {
    const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    lines.first.push_back(LineText(text.substr(at, end - at)));
    at = end < text.size() && text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
  }
  if (!lastToo) return lines;
  size_t end = text.size();
  // A final line end closes the last line; it starts none.
  if (end > 0 && text[end - 1] == '\n') --end;
  if (end > 0 && text[end - 1] == '\r') --end;
  while (end > 0 && lines.last.size() < kModelineReach) {
    const size_t before = text.find_last_of("\r\n", end - 1);
    const size_t start = before == std::string_view::npos ? 0 : before + 1;
    lines.last.push_back(LineText(text.substr(start, end - start)));
    if (before == std::string_view::npos) break;
    end = before > 0 && text[before] == '\n' && text[before - 1] == '\r' ? before - 1 : before;
  }
  std::reverse(lines.last.begin(), lines.last.end());
  return lines;
}

bool MatchesNamePattern(const std::wstring& pattern, const std::wstring& name) {
  if (pattern.empty() || pattern.size() > kLongestName || name.size() > kLongestName) return false;
  const std::wstring p = Lower(pattern), n = Lower(name);
  // Greedy with one way back: the last * takes one more character when the rest fails.
  size_t pi = 0, ni = 0, star = std::wstring::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == L'?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == L'*') {
      star = pi++;
      resume = ni;
    } else if (star != std::wstring::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == L'*') ++pi;
  return pi == p.size();
}

std::wstring ModelineFileType(const std::wstring& line) {
  for (size_t at = line.find(L':'); at != std::wstring::npos; at = line.find(L':', at + 1)) {
    // The word before the colon: vi, vim, Vim, vim followed by a version, or ex.
    size_t start = at;
    while (start > 0 && iswalnum(line[start - 1]) != 0) --start;
    if (start > 0 && !IsBlank(line[start - 1])) continue;
    const std::wstring word = line.substr(start, at - start);
    const bool vim = word == L"vi" || word == L"ex" || word == L"Vim" ||
                     (word.rfind(L"vim", 0) == 0 && std::all_of(word.begin() + 3, word.end(), [](wchar_t c) { return iswdigit(c) != 0; }));
    // "ex:" counts only after white space, never at the start of a line.
    if (!vim || (word == L"ex" && start == 0)) continue;
    const std::wstring type = VimFileType(line.substr(at + 1));
    if (!type.empty()) return type;
  }
  return EmacsFileType(line);
}

std::wstring FirstLineProgram(const std::wstring& line) {
  if (line.rfind(L"#!", 0) != 0) return {};
  const std::vector<std::wstring> words = Split(line.substr(2), L" \t");
  if (words.empty()) return {};
  const std::wstring interpreter = LastPathComponent(words.front());
  if (Lower(interpreter) != L"env" && Lower(interpreter) != L"env.exe") return interpreter;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::wstring& word = words[i];
    if (word == L"-u" || word == L"-C" || word == L"--unset" || word == L"--chdir") {
      ++i;  // an option with an argument of its own
    } else if (word.front() != L'-' && word.find(L'=') == std::wstring::npos) {
      return LastPathComponent(word);
    }
  }
  return {};
}

std::vector<std::wstring> ProgramNameCandidates(const std::wstring& program) {
  std::wstring name = program;
  if (name.size() > 4 && Lower(name.substr(name.size() - 4)) == L".exe") name.resize(name.size() - 4);
  std::vector<std::wstring> candidates{name};
  while (!name.empty() && iswdigit(name.back())) {
    while (!name.empty() && iswdigit(name.back())) name.pop_back();
    if (!name.empty() && (name.back() == L'.' || name.back() == L'-')) name.pop_back();
    if (!name.empty()) candidates.push_back(name);
  }
  return candidates;
}

std::optional<size_t> LanguageByName(const std::vector<LanguageKeys>& languages, const std::wstring& fileName) {
  for (size_t index = 0; index < languages.size(); ++index) {
    for (const std::wstring& pattern : Split(languages[index].names, kBlanks)) {
      if (MatchesNamePattern(pattern, fileName)) return index;
    }
  }
  return std::nullopt;
}

std::optional<size_t> LanguageByContent(const std::vector<LanguageKeys>& languages, const EdgeLines& lines) {
  if (auto found = LanguageByModeline(languages, lines)) return found;
  return LanguageByFirstLine(languages, lines);
}

bool AnyAliases(const std::vector<LanguageKeys>& languages) {
  return std::any_of(languages.begin(), languages.end(),
                     [](const LanguageKeys& keys) { return !Split(keys.aliases, kBlanks).empty(); });
}

bool AnyNamesOrAliases(const std::vector<LanguageKeys>& languages) {
  return AnyAliases(languages) || std::any_of(languages.begin(), languages.end(), [](const LanguageKeys& keys) {
           return !Split(keys.names, kBlanks).empty();
         });
}

std::optional<Recognition> ChooseLanguage(const std::vector<LanguageKeys>& languages, const std::wstring& fileName,
                                          const std::wstring& extension, const EdgeLines& lines) {
  if (auto found = LanguageByName(languages, fileName)) return Recognition{*found, RecognisedBy::Name};
  if (auto found = LanguageByModeline(languages, lines)) return Recognition{*found, RecognisedBy::Modeline};
  if (auto found = LanguageByExtension(languages, extension)) return Recognition{*found, RecognisedBy::Extension};
  if (auto found = LanguageByFirstLine(languages, lines)) return Recognition{*found, RecognisedBy::FirstLine};
  return std::nullopt;
}

}  // namespace lumen
