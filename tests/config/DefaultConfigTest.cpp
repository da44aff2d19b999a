#include <gtest/gtest.h>
#include <pcre2.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "ConfigExpectations.h"
#include "EcosystemFileNames.h"
#include "HostedConfig.h"
#include "config/Format.h"
#include "config/Loaders.h"
#include "config/Recognition.h"
#include "config/Saver.h"
#include "base/Text.h"
#include "host/Paths.h"

namespace lumen {
namespace {

// The configuration we ship, as a user's host would hold it.
class DefaultConfiguration : public ::testing::Test {
 protected:
  void SetUp() override { config.Write(test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml")); }
  test::HostedConfig config;
};

TEST_F(DefaultConfiguration, LoadsWithABaseAndAtLeastNinetyLanguages) {
  const Configuration loaded = LoadConfiguration(config.path());
  ASSERT_GE(loaded.styles.size(), 91u);
  const Style base = LoadStyleForExtension(config.path(), format::kBaseExtension);
  ASSERT_FALSE(base.wordStyles.empty());
  EXPECT_EQ(base.wordStyles[0].styleId, 32) << "the base sets the default style";
  EXPECT_FALSE(base.wordStyles[0].fontName.empty());
  EXPECT_EQ(loaded.fileSizeLimit, 0x7FFFFFFFFFFFFFFFu) << "every file the viewer can show is handed to it";
  for (const XMLStyle& language : loaded.styles) {
    EXPECT_FALSE(language.name.empty());
    EXPECT_GT(language.lexer, 0) << std::string(language.name.begin(), language.name.end());
  }
}

TEST_F(DefaultConfiguration, ReachesEveryLanguageByEachOfItsExtensions) {
  const Configuration loaded = LoadConfiguration(config.path());
  const std::vector<std::wstring> handled = LoadExtensions(config.path());
  size_t extensions = 0;
  std::set<std::wstring> listedBefore;
  for (const XMLStyle& language : loaded.styles) {
    for (const std::wstring& extension : Split(language.extensions, format::kExtensionDelimiters)) {
      SCOPED_TRACE(std::string(extension.begin(), extension.end()));
      // A shared extension's other languages are reached by content (below).
      if (listedBefore.insert(extension).second) {
        EXPECT_EQ(LoadStyleForExtension(config.path(), extension), static_cast<const Style&>(language));
      }
      EXPECT_NE(std::find(handled.begin(), handled.end(), UserLocale::Get().ToLower(extension)), handled.end());
      ++extensions;
    }
  }
  EXPECT_EQ(extensions, handled.size());
  EXPECT_EQ(config.host().OpenDocuments(), 0);
}

// No earlier language takes a name or an alias from the one that lists it.
TEST_F(DefaultConfiguration, ReachesEveryLanguageByEachOfItsNamesAndAliases) {
  const std::vector<LanguageKeys> languages = ConfigurationSnapshot(config.path()).Languages();
  size_t names = 0;
  for (size_t index = 0; index < languages.size(); ++index) {
    for (const std::wstring& name : Split(languages[index].names, L" ")) {
      SCOPED_TRACE(test::ToUtf8(name));
      if (name.find_first_of(L"*?") != std::wstring::npos) continue;
      const auto chosen = ChooseLanguage(languages, name, L"", {});
      ASSERT_TRUE(chosen.has_value());
      EXPECT_EQ(chosen->language, index);
      ++names;
    }
    for (const std::wstring& alias : Split(languages[index].aliases, L" ")) {
      SCOPED_TRACE(test::ToUtf8(alias));
      const auto chosen = ChooseLanguage(languages, L"script", L"", EdgeLinesOf("#!/usr/bin/env " + test::ToUtf8(alias), true));
      ASSERT_TRUE(chosen.has_value());
      EXPECT_EQ(chosen->language, index);
    }
  }
  EXPECT_GE(names, 30u);
}

class ShippedRecognition : public DefaultConfiguration {
 protected:
  // The language the viewer gives a file of this name and text.
  void SetUp() override {
    DefaultConfiguration::SetUp();
    const ConfigurationSnapshot snapshot(config.path());
    languages = snapshot.Languages();
    ignoredEndings = snapshot.IgnoredEndings();
    shared = snapshot.SharedExtensions();
    styles = snapshot.Styles();
  }
  std::wstring LanguageOf(const std::wstring& name, const std::string& text = "") const {
    const auto chosen =
        ChooseLanguage(languages, name, FileExtension(name), EdgeLinesOf(text, true), ignoredEndings, shared);
    return chosen ? styles[chosen->language].name : L"(none)";
  }
  std::vector<LanguageKeys> languages;
  std::vector<std::wstring> ignoredEndings;
  std::vector<SharedExtension> shared;
  std::vector<XMLStyle> styles;
};

// The desktop's, the editors' and the classifier's lists (shared-mime-info, Vim,
// GtkSourceView, Linguist): a sample of the names and extensions they give lumen's languages.
TEST_F(ShippedRecognition, FollowsTheDesktopsAndEditorsListsAndClaimsEachFile) {
  const std::vector<std::wstring> handled = LoadExtensions(config.path());
  for (const EcosystemFileName& file : kEcosystemFileNames) {
    SCOPED_TRACE(test::ToUtf8(file.name));
    EXPECT_EQ(LanguageOf(file.name), file.language);
    const std::wstring extension = UserLocale::Get().ToLower(FileExtension(file.name));
    EXPECT_TRUE(LanguageByName(languages, file.name) ||
                std::find(handled.begin(), handled.end(), extension) != handled.end())
        << "identification claims it";
  }
}

// Each pair of languages sharing an extension, on small files as people write them.
TEST_F(ShippedRecognition, DecidesSharedExtensionsByContent) {
  const struct {
    const wchar_t* name;
    std::string text;
    const wchar_t* language;
  } files[] = {
      {L"a.h", "#include <stdio.h>\nint area(int w, int h);\n", L"C"},
      {L"a.h", "#pragma once\n#include <string>\nnamespace app {\nclass Widget {\n public:\n  std::string name;\n};\n}\n", L"C++"},
      {L"a.h", "#import <Foundation/Foundation.h>\n@interface Point : NSObject\n@property int x;\n@end\n", L"Objective-C"},
      {L"a.m", "#import \"Point.h\"\n@implementation Point\n@end\n", L"Objective-C"},
      {L"a.m", "function r = area(w, h)\n% AREA of a rectangle\nr = w .* h;\nend\n", L"MATLAB / Octave"},
      {L"a.pl", "use strict;\nmy @xs = (1, 2);\nprint \"@xs\\n\";\n", L"Perl"},
      {L"a.pl", "parent(tom, bob).\nancestor(X, Y) :-\n    parent(X, Y).\n", L"Prolog"},
      {L"a.pm", "package Foo;\nuse strict;\n1;\n", L"Perl"},
      {L"a.pm", "unit module Foo;\nsub greet(Str $name) is export { say \"Hi $name\" }\n", L"Raku"},
      {L"a.t", "use Test::More;\nok(1);\ndone_testing;\n", L"Perl"},
      {L"a.t", "use v6;\nuse Test;\nplan 1;\nok True;\n", L"Raku"},
      {L"a.pp", "program Hello;\nbegin\n  writeln('Hello');\nend.\n", L"Pascal / Delphi"},
      {L"a.pp", "class nginx {\n  package { 'nginx':\n    ensure => installed,\n  }\n}\n", L"Puppet"},
      {L"a.v", "module counter(input clk, output reg [3:0] q);\n  always @(posedge clk) q <= q + 1;\nendmodule\n", L"Verilog / SystemVerilog"},
      {L"a.v", "Require Import Arith.\nTheorem plus_0 : forall n, n + 0 = n.\nProof. auto. Qed.\n", L"Coq"},
      {L"a.cls", "\\NeedsTeXFormat{LaTeX2e}\n\\ProvidesClass{letter2}\n\\LoadClass{article}\n", L"LaTeX"},
      {L"a.cls", "VERSION 1.0 CLASS\nBEGIN\n  MultiUse = -1\nEND\nAttribute VB_Name = \"Account\"\n", L"Visual Basic"},
      {L"a.cls", "public with sharing class AccountService {\n  public static void run() {}\n}\n", L"Apex"},
      {L"a.fs", "module App\nlet square x = x * x\nprintfn \"%d\" (square 3)\n", L"F#"},
      {L"a.fs", "\\ squares\n: square ( n -- n*n ) dup * ;\n3 square .\n", L"Forth"},
      {L"a.fs", "#version 330 core\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n", L"GLSL"},
      {L"a.r", "x <- c(1, 2, 3)\nprint(mean(x))\n", L"R"},
      {L"a.r", "REBOL [Title: \"Hello\"]\nprint \"Hello\"\n", L"Rebol"},
      {L"a.sql", "SELECT name FROM users WHERE id = 1;\n", L"SQL"},
      {L"a.sql", "SET NOCOUNT ON;\nSELECT TOP 10 * FROM [dbo].[Users]\nGO\n", L"Transact-SQL"},
      {L"a.sql", "CREATE TABLE `users` (\n  `id` INT NOT NULL AUTO_INCREMENT\n) ENGINE=InnoDB;\n", L"MySQL"},
      {L"a.inc", "<?php\n$config = ['debug' => true];\n", L"PHP"},
      {L"a.inc", "procedure Log(const S: string);\nbegin\nend;\n", L"Pascal / Delphi"},
      {L"a.inc", "#declare Red = rgb <1, 0, 0>;\n", L"POV-Ray"},
      {L"a.inc", "; constants\nBUFSIZE equ 256\n%define LF 10\n", L"Assembler"},
      {L"a.inc", "some notes\n", L"Text"},
      {L"a.d", "import std.stdio;\nvoid main() { writeln(\"hi\"); }\n", L"D"},
      {L"a.d", "main.o: main.c util.h \\\n  config.h\n", L"Makefile"},
      {L"main.o.d", "", L"Makefile"},
      {L"app.pro", "QT += core gui\nTEMPLATE = app\nSOURCES += main.cpp\n", L"Makefile"},
      {L"family.pro", "parent(tom, bob).\n", L"Prolog"},
      {L"app_en.ts", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\">\n", L"XML"},
      {L"app.ts", "export const x: number = 1;\n", L"TypeScript"},
      // The name before an ignored ending, and first lines as editors read them.
      {L"config.h.in", "#define VERSION \"@VERSION@\"\n", L"C"},
      {L"settings.json.example", "{}\n", L"JSON"},
      {L"main.c.orig", "", L"C"},
      {L"run", "#!/bin/sh\nexec scala \"$0\" \"$@\"\n!#\n", L"Scala"},
      {L"run", "#!/usr/bin/env perl6\n", L"Raku"},
      {L"run", "#!/usr/bin/env -S uv run --script\n", L"Python"},
      {L"run", "#!/usr/bin/osascript -l JavaScript\n", L"JavaScript"},
      {L"notes", "# vim<600: set ft=ruby:\n", L"Ruby"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(test::ToUtf8(file.name) + ": " + file.text);
    EXPECT_EQ(LanguageOf(file.name, file.text), file.language);
  }
}

// Files of the languages lumen does not colour that share an extension with
// one it does (as the classifier's lists give them), and files the lists name.
TEST_F(ShippedRecognition, ShowsPlainTextRatherThanAnotherLanguagesColours) {
  const struct {
    const wchar_t* name;
    std::string text;
    const wchar_t* language;
  } files[] = {
      {L"queue.m", ":- module queue.\n:- interface.\n:- type queue(T).\n", L"Text"},             // Mercury
      {L"plot.m", "(* a plot *)\nPlot[Sin[x], {x, 0, 2 Pi}] (* done *)\n", L"Text"},             // Wolfram
      {L"HELLO.m", "HELLO ; greets\n ;\n W \"Hello\",!\n Q\n", L"Text"},                          // MUMPS
      {L"sq.m", "function y = sq(x)\n  y = x.^2;\nend\n", L"MATLAB / Octave"},
      {L"notes.m", "just some words\n", L"Text"},
      {L"main.v", "module main\n\nfn main() {\n\tprintln('hi')\n}\n", L"Text"},                    // V
      {L"synth.sc", "(\n~freq = 440;\nSynthDef(\\sine, { Out.ar(0, SinOsc.ar(440)) }).add;\n)\n", L"Text"},
      {L"main.sc", "object Main extends App {\n  println(\"hi\")\n}\n", L"Scala"},
      {L"app.r", "#include \"Types.r\"\nresource 'STR#' (128) {\n  { \"Hello\" }\n};\n", L"Text"},  // Rez
      {L"Person.cls", "Class Sample.Person Extends %Persistent\n{\nProperty Name As %String;\n}\n", L"Text"},
      {L"Customer.cls", "CLASS Acme.Customer:\n  DEFINE PUBLIC PROPERTY Name AS CHARACTER NO-UNDO GET. SET.\nEND CLASS.\n",
       L"Text"},  // OpenEdge ABL
      {L"trace.d", "syscall::open:entry\n{\n  printf(\"%s\\n\", copyinstr(arg0));\n}\n", L"Text"},      // DTrace
      {L"sq.f", ": square ( n -- n*n ) dup * ;\n", L"Forth"},
      {L"hello.f", "      PROGRAM HELLO\n      PRINT *, 'Hello'\n      END\n", L"Fortran 77"},
      {L"sq.for", ": square dup * ;\n", L"Forth"},
      {L"Point.cs", "!Object methodsFor: 'printing'!\nprintOn: aStream\n  aStream nextPutAll: 'x'! !\n", L"Smalltalk"},
      {L"Hello.cs", "using System;\nConsole.WriteLine(\"hi\");\n", L"C#"},
      {L"hello.t", "% greets\nvar x : int := 5\nput x\n", L"Text"},                                   // Turing
      {L"add.t", "terra add(a : int, b : int) : int\n  return a + b\nend\n", L"Text"},                   // Terra
      {L"basic.t", "use strict;\nuse warnings;\nuse Test::More tests => 1;\nok(1);\n", L"Perl"},
      {L"main.hh", "<?hh // strict\nfunction main(): void {}\n", L"Text"},                             // Hack
      {L"widget.hh", "#ifndef WIDGET_HH\n#define WIDGET_HH\nint f();\n#endif\n", L"C++"},
      {L"run.es", "%% a script\nmain(_) -> io:format(\"hi~n\").\n", L"Erlang"},
      {L"app.es", "'use strict';\nexport default 1;\n", L"JavaScript"},
      {L"rules.pro", "-keep class com.example.** { *; }\n", L"Text"},                                 // ProGuard
      {L"add.pro", "function add, a, b\n  return, a + b\nend\n", L"Text"},                            // IDL
      {L"ci.workflow", "workflow \"ci\" {\n  on = \"push\"\n}\n", L"Text"},                        // HCL
      {L"Run.workflow", "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"/>\n", L"XML"},
      {L"boot.asm", "start:\n  nop\n", L"Assembler"},
      {L"board.sch", "<?xml version=\"1.0\"?>\n<eagle version=\"9.6\"/>\n", L"XML"},
      {L"amp.sch", "EESchema Schematic File Version 4\n", L"Text"},
      {L"macros.sch", "(define (square x) (* x x))\n", L"Scheme"},
      {L"MANIFEST.MF", "Manifest-Version: 1.0\nMain-Class: app.Main\n", L"Text"},
      // Names and extensions the classifier's lists (and later ones) give.
      {L"Makefile.frag", "", L"Makefile"},
      {L"app.nim.cfg", "", L"Nim"},
      {L"Dangerfile", "", L"Ruby"},
      {L"DEPS", "", L"Python"},
      {L"sshd-config", "", L"Properties / INI"},
      {L"hosts", "", L"Properties / INI"},
      {L"abbrev_defs", "", L"Lisp"},
      {L"Main.xib", "", L"XML"},
      {L".tern-project", "", L"JSON"},
      {L"pixi.lock", "", L"YAML"},
      {L"Form1.frm", "", L"Visual Basic"},
      {L".eslint-ignore", "", L"Text"},
      {L"serve", "#!/usr/bin/env ts-node\n", L"TypeScript"},
      {L"serve", "#!/usr/bin/env -S npx --yes ts-node\n", L"TypeScript"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(test::ToUtf8(file.name) + ": " + file.text);
    EXPECT_EQ(LanguageOf(file.name, file.text), file.language);
  }
}

// Every content rule of the shipped table names a language and compiles.
TEST_F(ShippedRecognition, NamesKnownLanguagesInRulesThatCompile) {
  ASSERT_GE(shared.size(), 30u);
  for (const SharedExtension& entry : shared) {
    SCOPED_TRACE(test::ToUtf8(entry.extension));
    const auto known = [&](const std::wstring& name) {
      return std::any_of(styles.begin(), styles.end(), [&](const XMLStyle& style) { return style.name == name; });
    };
    EXPECT_TRUE(entry.otherwise.empty() || known(entry.otherwise));
    for (const ExtensionRule& rule : entry.rules) {
      EXPECT_TRUE(known(rule.language)) << test::ToUtf8(rule.language);
      const std::string pattern = test::ToUtf8(rule.content);
      int error = 0;
      PCRE2_SIZE offset = 0;
      pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                       PCRE2_UTF | PCRE2_MULTILINE, &error, &offset, nullptr);
      EXPECT_NE(code, nullptr) << pattern;
      pcre2_code_free(code);
    }
  }
}

// WCAG's relative luminance of a 0xRRGGBB colour and the contrast of two.
double Luminance(int32_t colour) {
  double sum = 0;
  for (const auto& [shift, weight] : {std::pair{16, 0.2126}, std::pair{8, 0.7152}, std::pair{0, 0.0722}}) {
    const double c = ((colour >> shift) & 0xFF) / 255.0;
    sum += weight * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}
double Contrast(int32_t a, int32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(DefaultConfiguration, HasAReadableDarkSchemeOfOneColourPerKindForEveryLanguage) {
  const Configuration loaded = LoadConfiguration(config.path());
  const auto darkOf = [&](const std::wstring& name) -> const SchemeStyle* {
    for (const SchemeStyle& dark : loaded.dark.styles) {
      if (dark.name == name) return &dark;
    }
    return nullptr;
  };
  const SchemeStyle* base = darkOf(loaded.styles[0].name);
  ASSERT_TRUE(base && !base->wordStyles.empty());
  const WordStyle page = base->wordStyles[0];
  ASSERT_EQ(page.styleId, 32);
  const int32_t caretLine = loaded.dark.colours.caretLine;
  ASSERT_GE(caretLine, 0);
  // Each kind of text, by the names the languages give it, has one colour.
  const std::vector<std::vector<std::wstring>> kinds = {
      {L"Comment", L"Line comment", L"Block comment"}, {L"String", L"Double-quoted string", L"Single-quoted string"},
      {L"Keyword"}, {L"Number"}, {L"Preprocessor"}, {L"Line number"}};
  std::vector<std::set<int32_t>> coloursOfKind(kinds.size());
  for (const XMLStyle& language : loaded.styles) {
    SCOPED_TRACE(test::ToUtf8(language.name));
    const SchemeStyle* dark = darkOf(language.name);
    ASSERT_NE(dark, nullptr) << "every language has dark looks";
    for (const WordStyle& w : dark->wordStyles) {
      SCOPED_TRACE(test::ToUtf8(w.name));
      const int32_t fg = w.fgColor >= 0 ? w.fgColor : page.fgColor;
      for (const int32_t bg : w.bgColor >= 0 ? std::vector{w.bgColor} : std::vector{page.bgColor, caretLine}) {
        EXPECT_GE(Contrast(fg, bg), 4.5) << std::hex << fg << " on " << bg;
      }
      for (size_t kind = 0; kind < kinds.size(); ++kind) {
        if (std::find(kinds[kind].begin(), kinds[kind].end(), w.name) != kinds[kind].end()) {
          coloursOfKind[kind].insert(fg);
        }
      }
    }
  }
  for (size_t kind = 0; kind < kinds.size(); ++kind) {
    EXPECT_EQ(coloursOfKind[kind].size(), 1u) << test::ToUtf8(kinds[kind][0]);
  }
}

TEST_F(DefaultConfiguration, SurvivesASaveAndAReload) {
  const Configuration loaded = LoadConfiguration(config.path());
  SaveConfiguration(config.path(), loaded);
  EXPECT_EQ(LoadConfiguration(config.path()), test::AsReloaded(loaded));
}

}  // namespace
}  // namespace lumen
