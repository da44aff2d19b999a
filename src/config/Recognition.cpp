#include "config/Recognition.h"

#include <pcre2.h>

#include <algorithm>
#include <cwctype>
#include <memory>

#include "base/Text.h"
#include "config/Loaders.h"

namespace lumen {
namespace {

constexpr wchar_t kBlanks[] = L" \t\r\n";
// Recognition reads at most this much of a line: a modeline or a "#!" line is
// short, and a minified file's one line may be hundreds of megabytes.
constexpr size_t kLongestLine = 4096;
// A content rule's whole work over a head: PCRE2 counts its backtracking
// steps, so even a hostile expression gives up within a few milliseconds.
constexpr uint32_t kContentMatchLimit = 100000;
constexpr uint32_t kContentDepthLimit = 10000;
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

std::wstring EmacsLocalVariablesMode(const std::vector<std::wstring>& lines);

std::optional<size_t> LanguageByModeline(const std::vector<LanguageKeys>& languages, const EdgeLines& lines) {
  std::vector<std::wstring> types;
  for (const auto* group : {&lines.first, &lines.last}) {
    for (const std::wstring& line : *group) types.push_back(ModelineFileType(line));
  }
  types.push_back(EmacsLocalVariablesMode(lines.last));
  for (const std::wstring& type : types) {
    if (type.empty()) continue;
    // Vim's compound types ("python.django") are coloured by their first part.
    if (auto found = LanguageByAlias(languages, {type, type.substr(0, type.find(L'.'))})) return found;
  }
  return std::nullopt;
}

bool IsShell(const std::wstring& program) {
  static const std::wstring shells[] = {L"sh", L"bash", L"zsh", L"ksh", L"dash", L"ash", L"mksh"};
  return std::find(std::begin(shells), std::end(shells), Lower(program)) != std::end(shells);
}

std::optional<size_t> LanguageByFirstLine(const std::vector<LanguageKeys>& languages, const EdgeLines& lines) {
  if (lines.first.empty()) return std::nullopt;
  const std::wstring program = FirstLineProgram(lines.first.front());
  if (program.empty()) return std::nullopt;
  // A shell script that hands itself to another program at once is that program's.
  if (IsShell(program)) {
    for (size_t at = 1; at < lines.first.size(); ++at) {
      const std::wstring handedTo = ExecProgram(lines.first[at]);
      if (handedTo.empty()) continue;
      if (auto found = LanguageByAlias(languages, ProgramNameCandidates(handedTo))) return found;
      break;
    }
  }
  return LanguageByAlias(languages, ProgramNameCandidates(program));
}

// The languages whose extension list selects `extension`, in document order.
std::vector<size_t> LanguagesListing(const std::vector<LanguageKeys>& languages, const std::wstring& extension) {
  std::vector<size_t> listing;
  if (extension.empty()) return listing;
  const std::wstring upperExtension = UserLocale::Get().ToUpper(extension);
  for (size_t index = 0; index < languages.size(); ++index) {
    const std::wstring& list = languages[index].extensions;
    if (!list.empty() && ExtensionListSelects(UserLocale::Get().ToUpper(list), upperExtension)) {
      listing.push_back(index);
    }
  }
  return listing;
}

std::optional<size_t> LanguageNamed(const std::vector<LanguageKeys>& languages, const std::wstring& name) {
  if (name.empty()) return std::nullopt;
  const std::wstring wanted = Lower(name);
  for (size_t index = 0; index < languages.size(); ++index) {
    if (Lower(languages[index].name) == wanted) return index;
  }
  return std::nullopt;
}

const SharedExtension* EntryFor(const std::vector<SharedExtension>& shared, const std::wstring& extension) {
  const std::wstring wanted = Lower(extension);
  const auto found = std::find_if(shared.begin(), shared.end(),
                                  [&](const SharedExtension& entry) { return Lower(entry.extension) == wanted; });
  return found != shared.end() ? &*found : nullptr;
}

std::optional<Recognition> LanguageByExtension(const std::vector<LanguageKeys>& languages,
                                               const std::wstring& extension, const std::string& head,
                                               const std::vector<SharedExtension>& shared) {
  const std::vector<size_t> listing = LanguagesListing(languages, extension);
  if (listing.empty()) return std::nullopt;
  const SharedExtension* entry = EntryFor(shared, extension);
  if (entry) {
    for (const ExtensionRule& rule : entry->rules) {
      const std::optional<size_t> named = LanguageNamed(languages, rule.language);
      if (named && !rule.content.empty() && ContentRuleMatches(rule.content, head)) {
        return Recognition{*named, RecognisedBy::Content};
      }
    }
  }
  if (listing.size() > 1) {
    // An extension several languages list: a language with a content rule
    // takes it when its rule matches, else the first without a rule does.
    for (size_t index : listing) {
      const std::wstring& rule = languages[index].content;
      if (!rule.empty() && ContentRuleMatches(rule, head)) return Recognition{index, RecognisedBy::Content};
    }
  }
  if (entry) {
    if (const std::optional<size_t> otherwise = LanguageNamed(languages, entry->otherwise)) {
      return Recognition{*otherwise, RecognisedBy::Extension};
    }
  }
  if (listing.size() == 1) return Recognition{listing.front(), RecognisedBy::Extension};
  const auto withoutRule = std::find_if(listing.begin(), listing.end(),
                                        [&](size_t index) { return languages[index].content.empty(); });
  return Recognition{withoutRule != listing.end() ? *withoutRule : listing.front(), RecognisedBy::Extension};
}

// Splits Vim's option text at blanks (and colons, unless `setForm`), where
// no backslash escapes them: "makeprg=make\ -j4 ft=c" holds two options.
std::vector<std::wstring> VimOptions(const std::wstring& text, bool setForm) {
  std::vector<std::wstring> options(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\\' && i + 1 < text.size() && (IsBlank(text[i + 1]) || text[i + 1] == L':')) {
      options.back() += text[++i];
    } else if (IsBlank(c) || (!setForm && c == L':')) {
      if (!options.back().empty()) options.emplace_back();
    } else {
      options.back() += c;
    }
  }
  if (options.back().empty()) options.pop_back();
  return options;
}

// The end of the "set" form's options: the first colon no backslash escapes.
size_t SetFormEnd(const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\') {
      ++i;
    } else if (text[i] == L':') {
      return i;
    }
  }
  return text.size();
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
    text = text.substr(0, SetFormEnd(text));
  }
  for (const std::wstring& option : VimOptions(text, setForm)) {
    const size_t equals = option.find(L'=');
    if (equals == std::wstring::npos) continue;
    const std::wstring name = option.substr(0, equals);
    if (name == L"ft" || name == L"filetype" || name == L"syntax" || name == L"syn") return option.substr(equals + 1);
  }
  return {};
}

bool IsVersionComparison(wchar_t c) { return c == L'<' || c == L'=' || c == L'>'; }

// The word before a modeline's colon: vi, vim, Vim, ex, or vim with a version
// that Vim compares with its own (vim600, vim<600, vim=600, vim>600).
bool IsVimModelineWord(const std::wstring& word) {
  if (word == L"vi" || word == L"vim" || word == L"Vim" || word == L"ex") return true;
  if (word.rfind(L"vim", 0) != 0) return false;
  const size_t digits = word.size() > 3 && IsVersionComparison(word[3]) ? 4 : 3;
  return word.size() > digits &&
         std::all_of(word.begin() + static_cast<std::ptrdiff_t>(digits), word.end(), [](wchar_t c) { return iswdigit(c) != 0; });
}

// The value of a "mode:" variable in `text` ("mode: python"), empty without one.
std::wstring EmacsModeVariable(const std::wstring& text) {
  const size_t colon = text.find(L':');
  if (colon == std::wstring::npos || Lower(Trim(text.substr(0, colon))) != L"mode") return {};
  std::wstring mode = Trim(text.substr(colon + 1));
  // Emacs adds "-mode" to the name; some write it out.
  if (mode.size() > 5 && Lower(mode.substr(mode.size() - 5)) == L"-mode") mode.resize(mode.size() - 5);
  return mode;
}

// Emacs' block at a file's end: a line holding "Local Variables:", lines
// with the same text around "mode: c++", and a line holding "End:".
std::wstring EmacsLocalVariablesMode(const std::vector<std::wstring>& lines) {
  for (size_t at = 0; at < lines.size(); ++at) {
    const size_t start = Lower(lines[at]).find(L"local variables:");
    if (start == std::wstring::npos) continue;
    const std::wstring prefix = lines[at].substr(0, start);
    const std::wstring suffix = Trim(lines[at].substr(start + 16));
    for (size_t next = at + 1; next < lines.size(); ++next) {
      std::wstring line = lines[next];
      if (line.rfind(prefix, 0) != 0) break;
      line = line.substr(prefix.size());
      const bool endsInSuffix = line.size() >= suffix.size() &&
                                line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
      if (!suffix.empty() && endsInSuffix) line.resize(line.size() - suffix.size());
      if (Lower(Trim(line)) == L"end:") break;
      const std::wstring mode = EmacsModeVariable(line);
      if (!mode.empty()) return mode;
    }
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
    const std::wstring mode = EmacsModeVariable(variable);
    if (!mode.empty()) return mode;
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
  lines.head = std::string(text.substr(0, kContentReach));
  if (text.size() > kContentReach) {
    // Whole lines only, as a head read from a file has them; else whole characters.
    const size_t lineEnd = lines.head.find_last_of("\r\n");
    if (lineEnd != std::string::npos) {
      lines.head.resize(lineEnd + 1);
    } else {
      while (!lines.head.empty() && (static_cast<unsigned char>(lines.head.back()) & 0xC0) == 0x80) lines.head.pop_back();
      if (!lines.head.empty() && static_cast<unsigned char>(lines.head.back()) >= 0xC0) lines.head.pop_back();
    }
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
    size_t start = at;
    while (start > 0 && (iswalnum(line[start - 1]) != 0 || IsVersionComparison(line[start - 1]))) --start;
    if (start > 0 && !IsBlank(line[start - 1])) continue;
    const std::wstring word = line.substr(start, at - start);
    // "ex:" counts only after white space, never at the start of a line.
    if (!IsVimModelineWord(word) || (word == L"ex" && start == 0)) continue;
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
  // AppleScript's runner also runs JavaScript: "osascript -l JavaScript".
  if (Lower(interpreter) == L"osascript" && words.size() > 2 && words[1] == L"-l") return words[2];
  // Package runners hand the script to the program they fetch: "npx ts-node".
  const auto isRunner = [](const std::wstring& program) {
    const std::wstring lower = Lower(program);
    return lower == L"npx" || lower == L"pnpx" || lower == L"bunx";
  };
  const bool viaEnv = Lower(interpreter) == L"env" || Lower(interpreter) == L"env.exe";
  if (!viaEnv && !isRunner(interpreter)) return interpreter;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::wstring& word = words[i];
    if (viaEnv && (word == L"-u" || word == L"-C" || word == L"--unset" || word == L"--chdir")) {
      ++i;  // an option with an argument of its own
    } else if (word.front() != L'-' && word.find(L'=') == std::wstring::npos && !isRunner(LastPathComponent(word))) {
      return LastPathComponent(word);
    }
  }
  return {};
}

std::wstring ExecProgram(const std::wstring& line) {
  const std::vector<std::wstring> words = Split(line, L" \t");
  if (words.size() < 2 || words[0] != L"exec") return {};
  return FirstLineProgram(L"#!" + line.substr(line.find(L"exec") + 4));
}

std::wstring InnerName(const std::wstring& fileName, const std::vector<std::wstring>& ignoredEndings) {
  const size_t dot = fileName.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0) return {};
  const std::wstring ending = Lower(fileName.substr(dot + 1));
  const bool ignored = std::any_of(ignoredEndings.begin(), ignoredEndings.end(),
                                   [&](const std::wstring& wanted) { return Lower(wanted) == ending; });
  return ignored ? fileName.substr(0, dot) : std::wstring();
}

bool ContentRuleMatches(const std::wstring& rule, std::string_view head) {
  const std::string pattern = WideToUtf8(rule);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  // Lines end as they do in files written on any system.
  const std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> compiling(
      pcre2_compile_context_create(nullptr), &pcre2_compile_context_free);
  if (!compiling || pcre2_set_newline(compiling.get(), PCRE2_NEWLINE_ANYCRLF) != 0) return false;
  const std::unique_ptr<pcre2_code, decltype(&pcre2_code_free)> code(
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), PCRE2_UTF | PCRE2_MULTILINE,
                    &error, &errorOffset, compiling.get()),
      &pcre2_code_free);
  if (!code) return false;
  const std::unique_ptr<pcre2_match_context, decltype(&pcre2_match_context_free)> context(
      pcre2_match_context_create(nullptr), &pcre2_match_context_free);
  const std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
      pcre2_match_data_create_from_pattern(code.get(), nullptr), &pcre2_match_data_free);
  if (!context || !data) return false;
  pcre2_set_match_limit(context.get(), kContentMatchLimit);
  pcre2_set_depth_limit(context.get(), kContentDepthLimit);
  // Text that is not UTF-8 (or a head cut inside a character) is no match, never a fault.
  return pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(head.data()), head.size(), 0, 0, data.get(),
                     context.get()) >= 0;
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

std::optional<size_t> LanguageOfShape(const std::vector<LanguageKeys>& languages, TextShape shape) {
  if (shape == TextShape::Plain) return std::nullopt;
  return LanguageNamed(languages, shape == TextShape::Xml ? L"xml" : L"json");
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
                                          const std::wstring& extension, const EdgeLines& lines,
                                          const std::vector<std::wstring>& ignoredEndings,
                                          const std::vector<SharedExtension>& shared) {
  if (auto found = LanguageByName(languages, fileName)) return Recognition{*found, RecognisedBy::Name};
  if (auto found = LanguageByModeline(languages, lines)) return Recognition{*found, RecognisedBy::Modeline};
  if (auto found = LanguageByExtension(languages, extension, lines.head, shared)) return found;
  const std::wstring inner = InnerName(fileName, ignoredEndings);
  if (!inner.empty()) {
    if (auto found = LanguageByName(languages, inner)) return Recognition{*found, RecognisedBy::Name};
    const size_t dot = inner.rfind(L'.');
    if (dot != std::wstring::npos) {
      if (auto found = LanguageByExtension(languages, inner.substr(dot + 1), lines.head, shared)) return found;
    }
  }
  if (auto found = LanguageByFirstLine(languages, lines)) return Recognition{*found, RecognisedBy::FirstLine};
  return std::nullopt;
}

}  // namespace lumen
