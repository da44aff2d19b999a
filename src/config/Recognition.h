#pragma once
// Which language a file is: by its whole name, a Vim or Emacs modeline, its
// extension (where several languages share one, by their content rules), or
// the program its "#!" line runs. Plain functions over plain data:
// identification and colouring both decide here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/TextContent.h"

namespace lumen {

// What one Style element is recognised by: its three lists, as stored.
struct LanguageKeys {
  std::wstring extensions;  // `ext`
  std::wstring names;       // `names`: whole file names, * and ? as wildcards
  std::wstring aliases;     // `aliases`: how modelines and "#!" lines call it
  // `content`: a regular expression over the file's head that, for an
  // extension several languages list, picks this one.
  std::wstring content;
  std::wstring name;  // `name`
};

// An extension whose files are told apart by their content, before the
// languages' own rules: the first rule whose expression matches the head
// names the language; `otherwise`, when set, takes the files no rule takes.
struct ExtensionRule {
  std::wstring language;  // a Style's name
  std::wstring content;   // as a Style's `content`
};
struct SharedExtension {
  std::wstring extension;
  std::vector<ExtensionRule> rules;
  std::wstring otherwise;
};

// What the content rules read: the first and the last five lines of a text
// for modelines and "#!" lines, and its head for the `content` expressions.
struct EdgeLines {
  std::vector<std::wstring> first;
  std::vector<std::wstring> last;
  std::string head;  // UTF-8: at most kContentReach bytes, whole lines unless the text is shorter
};
inline constexpr size_t kModelineReach = 5;
inline constexpr size_t kContentReach = 4096;

// Lines end at LF, CR LF or a lone CR; a last line needs no end. A UTF-8 byte
// order mark before the first line is dropped. `lastToo` false: only the
// first lines and the head, for a head of a file whose end is unknown.
EdgeLines EdgeLinesOf(std::string_view utf8, bool lastToo);

enum class RecognisedBy { Name, Modeline, Extension, Content, FirstLine };
struct Recognition {
  size_t language;  // index into the languages, in document order
  RecognisedBy by;
};

// The first rule that finds a language decides: a names pattern matching the
// whole file name, then a modeline, then the extension (as the viewer has
// always matched it; the rules of its entry in `shared` first, then, where
// several languages list it, the first whose content rule matches the head,
// else the entry's `otherwise`, else the first of them without a rule), then
// the name without one of the `ignoredEndings` ("x.h" for "x.h.in") by its
// names and extension, then the "#!" line. In each rule the earliest
// language of the document wins.
std::optional<Recognition> ChooseLanguage(const std::vector<LanguageKeys>& languages, const std::wstring& fileName,
                                          const std::wstring& extension, const EdgeLines& lines,
                                          const std::vector<std::wstring>& ignoredEndings = {},
                                          const std::vector<SharedExtension>& shared = {});

// The single rules, for identification, which claims by any of them.
std::optional<size_t> LanguageByName(const std::vector<LanguageKeys>& languages, const std::wstring& fileName);
std::optional<size_t> LanguageByContent(const std::vector<LanguageKeys>& languages, const EdgeLines& lines);
// The language named XML or JSON (any case) for a text of that shape; none for plain text.
std::optional<size_t> LanguageOfShape(const std::vector<LanguageKeys>& languages, TextShape shape);
// The file name without its last ending when that is one of `ignoredEndings`
// (compared case-insensitively); empty otherwise or when nothing would be left.
std::wstring InnerName(const std::wstring& fileName, const std::vector<std::wstring>& ignoredEndings);
// Whether the regular expression `rule` (PCRE2, ^ and $ at every line, which
// ends at LF, CR LF or CR) finds
// a match in `head`; a rule that does not compile, or takes too long, does not.
bool ContentRuleMatches(const std::wstring& rule, std::string_view head);
bool AnyAliases(const std::vector<LanguageKeys>& languages);
bool AnyNamesOrAliases(const std::vector<LanguageKeys>& languages);

// Whole-text match, case-insensitive; * stands for any run, ? for one character.
bool MatchesNamePattern(const std::wstring& pattern, const std::wstring& name);
// The file type a Vim ("vim: set ft=python:") or Emacs ("-*- mode: python -*-")
// modeline in `line` names; empty without one.
std::wstring ModelineFileType(const std::wstring& line);
// The program a "#!" line runs: its last path component, or after `env` (and
// package runners such as `npx`) the first argument that is neither an option
// nor an assignment; the language an `osascript -l` names; empty otherwise.
std::wstring FirstLineProgram(const std::wstring& line);
// The program a shell wrapper hands itself to on one of the lines after its
// "#!" line ("exec tclsh "$0" "$@""); empty when `line` is no such line.
std::wstring ExecProgram(const std::wstring& line);
// The program's name as given, then without its trailing versions:
// python3.11, python3, python.
std::vector<std::wstring> ProgramNameCandidates(const std::wstring& program);

}  // namespace lumen
