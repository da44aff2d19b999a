// Which language a file gets, as a table: each rule alone, the rules in
// conflict, and the spellings of names, modelines and first lines people use.
#include <gtest/gtest.h>

#include "config/Recognition.h"

namespace lumen {
namespace {

enum Language : size_t { kText, kCMake, kMake, kPython, kShell, kCpp, kNone = 99 };

const std::vector<LanguageKeys> kLanguages = {
    {L"txt", L"", L"", L""},
    {L"cmake", L"CMakeLists.txt *.cmake", L"cmake", L""},
    {L"mk", L"Makefile GNUmakefile makefile *.mk Dockerfile.?*", L"make", L""},
    {L"py pyw", L"SConstruct", L"python python2 python3 py", L""},
    {L"sh bash", L".bashrc .bash_profile", L"sh bash zsh", L""},
    {L"cpp h", L"", L"cpp c++", L""},
};

struct Case {
  const char* what;
  std::wstring path;
  std::string text;
  size_t expected;
  RecognisedBy by = RecognisedBy::Extension;
};

std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }
std::wstring ExtensionOf(const std::wstring& path) {
  const size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : path.substr(dot + 1);
}

// Each case's path chosen as expected (kNone: no language), and by the rule expected.
template <size_t N>
void ExpectChoices(const std::vector<LanguageKeys>& languages, const Case (&cases)[N],
                   const std::vector<std::wstring>& ignoredEndings = {},
                   const std::vector<SharedExtension>& shared = {}) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto chosen = ChooseLanguage(languages, NameOf(c.path), ExtensionOf(c.path), EdgeLinesOf(c.text, true),
                                       ignoredEndings, shared);
    if (c.expected == kNone) {
      EXPECT_FALSE(chosen.has_value());
      continue;
    }
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->language, c.expected);
    EXPECT_EQ(chosen->by, c.by);
  }
}

TEST(Recognition, ChoosesByNameThenModelineThenExtensionThenFirstLine) {
  using enum RecognisedBy;
  const std::string sixLines = "1\n2\n3\n4\n5\n6\n";
  const Case cases[] = {
      {"extension alone", L"a.py", "x = 1\n", kPython, Extension},
      {"name beats extension", L"C:\\src\\CMakeLists.txt", "", kCMake, Name},
      {"names are case-insensitive", L"MAKEFILE", "", kMake, Name},
      {"* in a name", L"rules.cmake", "", kCMake, Name},
      {"? needs a character", L"Dockerfile.", "", kNone},
      {"? and *", L"Dockerfile.dev", "", kMake, Name},
      {"a folder never matches", L"C:\\Makefile\\notes", "", kNone},
      {"dot file", L"/home/u/.bashrc", "", kShell, Name},
      {"modeline beats extension", L"a.txt", "# vim: set ft=python:\n", kPython, Modeline},
      {"vim: ft=", L"a.txt", "x\n// vim: ft=cpp\n", kCpp, Modeline},
      {"vi: filetype=", L"a", "# vi: filetype=sh\n", kShell, Modeline},
      {"ex: after a blank", L"a", "# ex:ft=sh\n", kShell, Modeline},
      {"ex: at the start is no modeline", L"a", "ex: ft=sh\n", kNone},
      {"index: is no modeline", L"a", "index: ft=sh\n", kNone},
      {"vim version", L"a", "/* vim600: set filetype=cpp: */\n", kCpp, Modeline},
      {"compound Vim type", L"a", "# vim: ft=python.django\n", kPython, Modeline},
      {"emacs mode", L"a", "# -*- mode: python; coding: utf-8 -*-\n", kPython, Modeline},
      {"emacs short form", L"a", "/* -*- C++ -*- */\n", kCpp, Modeline},
      {"emacs variables without mode", L"a", "# -*- coding: utf-8 -*-\n", kNone},
      {"modeline in the last lines", L"a.txt", sixLines + sixLines + "# vim: ft=sh\n", kShell, Modeline},
      {"modeline past the first five lines", L"a.txt", sixLines + "# vim: ft=sh\n" + sixLines, kText, Extension},
      {"unknown modeline type", L"a.txt", "# vim: ft=cobol\n", kText, Extension},
      {"extension beats first line", L"a.txt", "#!/bin/sh\n", kText, Extension},
      {"first line", L"run", "#!/bin/bash\necho\n", kShell, FirstLine},
      {"env", L"run", "#!/usr/bin/env python3\n", kPython, FirstLine},
      {"env -S", L"run", "#!/usr/bin/env -S python3 -u\n", kPython, FirstLine},
      {"env with an assignment", L"run", "#!/usr/bin/env VAR=1 python3\n", kPython, FirstLine},
      {"env -u NAME", L"run", "#!/usr/bin/env -u HOME zsh\n", kShell, FirstLine},
      {"version", L"run", "#!/usr/local/bin/python3.11\n", kPython, FirstLine},
      {"dashed version", L"run", "#!/opt/bin/bash-5.2\n", kShell, FirstLine},
      {"blank after #!", L"run", "#! /bin/sh\n", kShell, FirstLine},
      {"CR LF", L"run", "#!/bin/sh\r\necho\r\n", kShell, FirstLine},
      {"byte order mark", L"run", "\xEF\xBB\xBF#!/bin/sh\n", kShell, FirstLine},
      {"one line without an end", L"run", "#!/bin/sh", kShell, FirstLine},
      {"unknown program", L"run", "#!/usr/bin/awk -f\n", kNone},
      {"#! on the second line", L"run", "\n#!/bin/sh\n", kNone},
      {"env alone", L"run", "#!/usr/bin/env\n", kNone},
      {"nothing at all", L"run", "", kNone},
  };
  ExpectChoices(kLanguages, cases);
}

// Languages sharing extensions, told apart by their content rules, and
// wrappers, modeline forms and first lines as Vim and Emacs read them.
enum Shared : size_t { kC, kCpp2, kObjC, kMatlab, kPerl, kProlog, kTcl, kScala, kShell2, kJs, kRaku, kNoneShared = kNone };
const std::vector<LanguageKeys> kSharedLanguages = {
    {L"c h", L"", L"c", L""},
    {L"cpp h", L"", L"cpp", L"^\\s*(class|namespace|template\\s*<)"},
    {L"mm h m", L"", L"objc", L"^\\s*(@interface|@implementation|#import)"},
    {L"m", L"", L"matlab", L""},
    {L"pl", L"", L"perl", L""},
    {L"pro pl", L"", L"prolog", L":-\\s*$|^\\s*:- "},
    {L"tcl", L"", L"tcl tclsh", L""},
    {L"scala", L"", L"scala", L""},
    {L"sh", L"", L"sh bash", L""},
    {L"js", L"", L"javascript node", L"("},  // a rule that does not compile never matches
    {L"raku", L"", L"raku perl6", L""},
};

TEST(Recognition, SharedExtensionsWrappersAndTheFormsEditorsRead) {
  using enum RecognisedBy;
  const std::vector<std::wstring> ignored = {L"in", L"orig", L"example"};
  const Case cases[] = {
      {".h without a rule's sign: the first listed", L"a.h", "int f(void);\n", Shared::kC, Extension},
      {".h of C++", L"a.h", "#pragma once\nnamespace x {\n}\n", Shared::kCpp2, Content},
      {".h of Objective-C", L"a.h", "#import <Foundation/Foundation.h>\n@interface A\n", Shared::kObjC, Content},
      {".m of Objective-C", L"a.m", "@implementation A\n@end\n", Shared::kObjC, Content},
      {".m without a sign: the first listed without a rule", L"a.m", "function y = f(x)\n  y = x;\nend\n", Shared::kMatlab, Extension},
      {".pl of Prolog", L"a.pl", "parent(a, b).\nanc(X, Y) :-\n  parent(X, Y).\n", Shared::kProlog, Content},
      {".pl of Perl", L"a.pl", "use strict;\nmy $x = 1;\n", Shared::kPerl, Extension},
      {"a rule's sign past 4 KB is not read", L"a.h", std::string(5000, '\n') + "class A {};\n", Shared::kC, Extension},
      {"an unshared extension ignores rules", L"a.mm", "int x;\n", Shared::kObjC, Extension},
      {"x.h.in", L"x.h.in", "namespace a {}\n", Shared::kCpp2, Content},
      {"x.pl.orig", L"x.pl.orig", "print 1;\n", Shared::kPerl, Extension},
      {"an ending alone", L"a.in", "", Shared::kNoneShared},
      {"an ending not listed", L"x.pl.bak", "", Shared::kNoneShared},
      {"vim<NNN:", L"a", "# vim<600: set ft=tcl:\n", Shared::kTcl, Modeline},
      {"vim=NNN: and vim>NNN:", L"a", "# vim>700: ft=tcl\n", Shared::kTcl, Modeline},
      {"an escaped blank", L"a", "# vim: set makeprg=make\\ -j4 ft=tcl:\n", Shared::kTcl, Modeline},
      {"an escaped colon", L"a", "# vim: set path=a\\:b ft=tcl:\n", Shared::kTcl, Modeline},
      {"vim< without a version", L"a", "# vim<: ft=tcl\n", Shared::kNoneShared},
      {"Emacs' -mode spelled out", L"a", "; -*- mode: tcl-mode -*-\n", Shared::kTcl, Modeline},
      {"Emacs' local variables", L"a", "x\n\n# Local Variables:\n# mode: tcl\n# End:\n", Shared::kTcl, Modeline},
      {"after End: no more", L"a", "# Local Variables:\n# End:\n# mode: tcl\n", Shared::kNoneShared},
      {"exec idiom", L"run", "#!/bin/sh\n# restart with tclsh \\\nexec tclsh \"$0\" \"$@\"\n", Shared::kTcl, FirstLine},
      {"exec scala", L"run", "#!/bin/sh\nexec scala \"$0\" \"$@\"\n!#\n", Shared::kScala, FirstLine},
      {"exec of an unknown program stays shell", L"run", "#!/bin/sh\nexec foo \"$@\"\n", Shared::kShell2, FirstLine},
      {"exec only after a shell", L"run", "#!/usr/bin/perl\nexec tclsh\n", Shared::kPerl, FirstLine},
      {"osascript -l", L"run", "#!/usr/bin/osascript -l JavaScript\n", Shared::kJs, FirstLine},
      {"perl6 is not perl", L"run", "#!/usr/bin/env perl6\n", Shared::kRaku, FirstLine},
      {"a package runner hands on", L"run", "#!/usr/bin/env -S npx --yes tclsh\n", Shared::kTcl, FirstLine},
  };
  ExpectChoices(kSharedLanguages, cases, ignored);
  // A hostile expression gives up rather than holding the viewer.
  EXPECT_FALSE(ContentRuleMatches(L"(a+)+$", std::string(4000, 'a') + "b"));
  EXPECT_FALSE(ContentRuleMatches(L"x", "\xFF\xFEx"));
}

// The table of extensions decided by content comes before the languages' own
// rules; its `otherwise` before the first language without a rule.
TEST(Recognition, SharedExtensionTablesComeFirstAndOtherwiseLast) {
  using enum RecognisedBy;
  enum : size_t { kTableC, kTableCpp, kTableMatlab, kTableText };
  const std::vector<LanguageKeys> languages = {
      {L"c h", L"", L"", L"", L"C"},
      {L"cpp h", L"", L"", L"^\\s*namespace", L"C++"},
      {L"m", L"", L"", L"", L"MATLAB"},
      {L"txt", L"", L"", L"", L"Text"},
  };
  const std::vector<SharedExtension> shared = {
      {L"M", {{L"Text", L":- module"}, {L"Nowhere", L"."}, {L"MATLAB", L"^\\s*%"}}, L"text"},
      {L"h", {{L"C", L"^#include <stdio"}}, L""},
  };
  const Case cases[] = {
      {"a rule of the table", L"a.m", ":- module q.\n", kTableText, Content},
      {"a rule naming no language is passed over", L"a.m", "% area\n", kTableMatlab, Content},
      {"otherwise, named in any case", L"a.m", "x = 1;\n", kTableText, Extension},
      {"the table before the languages' rules", L"a.h", "#include <stdio.h>\nnamespace x {}\n", kTableC, Content},
      {"the languages' rules after it", L"a.h", "namespace x {}\n", kTableCpp, Content},
      {"no otherwise: the first without a rule", L"a.h", "int x;\n", kTableC, Extension},
  };
  ExpectChoices(languages, cases, {}, shared);
  EXPECT_TRUE(ContentRuleMatches(L"^% c$", "% c\r\nx\r\n")) << "$ before CR LF";
}

TEST(Recognition, EdgeLinesSplitAtEveryLineEndAndCutHugeLines) {
  const EdgeLines lines = EdgeLinesOf("a\r\nb\rc\nd\ne\nf\ng\nh\n", true);
  EXPECT_EQ(lines.first, (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"e"}));
  EXPECT_EQ(lines.last, (std::vector<std::wstring>{L"d", L"e", L"f", L"g", L"h"}));
  EXPECT_TRUE(EdgeLinesOf("a\nb\n", false).last.empty()) << "a head of a file has no known end";
  EXPECT_EQ(EdgeLinesOf(std::string(1 << 20, 'x'), true).first.front().size(), 4096u);
  EXPECT_EQ(EdgeLinesOf(std::string(5000, 'x') + "\n", true).head.size(), 4096u) << "a line longer than the head";
  EXPECT_EQ(EdgeLinesOf("ab\n" + std::string(5000, 'x'), true).head, "ab\n") << "whole lines";
  EXPECT_EQ(EdgeLinesOf(std::string(4095, 'x') + "\xC3\xA9", true).head.size(), 4095u) << "whole characters";
  EXPECT_TRUE(EdgeLinesOf("", true).first.empty());
  EXPECT_EQ(ProgramNameCandidates(L"python3.11"), (std::vector<std::wstring>{L"python3.11", L"python3", L"python"}));
  EXPECT_EQ(ProgramNameCandidates(L"python.exe"), (std::vector<std::wstring>{L"python"}));
}

TEST(Recognition, MatchesWildcardsWithoutRunningAway) {
  EXPECT_TRUE(MatchesNamePattern(L"*.mk", L"rules.MK"));
  EXPECT_TRUE(MatchesNamePattern(L"*", L"anything"));
  EXPECT_TRUE(MatchesNamePattern(L"a*b*c", L"aXbYbZc"));
  EXPECT_FALSE(MatchesNamePattern(L"a*b*c", L"aXbYbZ"));
  EXPECT_FALSE(MatchesNamePattern(L"", L"a"));
  EXPECT_FALSE(MatchesNamePattern(L"??", L"a"));
  // A pathological pattern over a long name ends at once: both are longer than any file name.
  EXPECT_FALSE(MatchesNamePattern(std::wstring(2000, L'*') + L"b", std::wstring(30000, L'a')));
  EXPECT_FALSE(MatchesNamePattern(L"*a*a*a*a*a*b", std::wstring(1000, L'a')));
}

}  // namespace
}  // namespace lumen
