// JSON and XML indented token by token: valid, minified and pretty input,
// comments, mixed content, faults (the rest shown as it came, from the line
// said), and the same output whatever pieces the text comes in.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/Reindent.h"

namespace lumen {
namespace {

struct Formatted {
  std::string text;
  bool faulted = false;
  uint64_t line = 0;
};

Formatted Format(Markup markup, std::string_view input, size_t piece = std::string_view::npos) {
  Reindenter reindenter(markup, "  ");
  Formatted formatted;
  for (size_t at = 0; at < input.size(); at += piece) reindenter.Feed(input.substr(at, piece), formatted.text);
  reindenter.Finish(formatted.text);
  formatted.faulted = reindenter.faulted();
  formatted.line = reindenter.faultLine();
  return formatted;
}

TEST(Reindenting, IndentsJsonKeepingEveryToken) {
  const struct {
    const char* input;
    const char* output;
  } cases[] = {
      {R"({"a":1,"b":[true,null,-1.5e+3],"c":{}, "d":[ ],"e":"x\"y, {z}"})",
       "{\n  \"a\": 1,\n  \"b\": [\n    true,\n    null,\n    -1.5e+3\n  ],\n  \"c\": {},\n  \"d\": [],\n"
       "  \"e\": \"x\\\"y, {z}\"\n}\n"},
      {"{\n    \"pretty\" :  [ 1 ,\n 2 ]\n}\n", "{\n  \"pretty\": [\n    1,\n    2\n  ]\n}\n"},
      // JSON Lines: each value on a line of its own.
      {"{\"n\":1}\n{\"n\":2}\n", "{\n  \"n\": 1\n}\n{\n  \"n\": 2\n}\n"},
      {"// settings\n{\"a\": 1 /* one */}", "// settings\n{\n  \"a\": 1\n  /* one */\n}\n"},
      {"\"just a string\"", "\"just a string\"\n"},
  };
  for (const auto& [input, output] : cases) {
    SCOPED_TRACE(input);
    const Formatted whole = Format(Markup::Json, input);
    EXPECT_FALSE(whole.faulted);
    EXPECT_EQ(whole.text, output);
    EXPECT_EQ(Format(Markup::Json, input, 1).text, output) << "byte by byte";
  }
}

TEST(Reindenting, IndentsXmlKeepingTextAndMarkup) {
  const struct {
    const char* input;
    const char* output;
  } cases[] = {
      {"<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"x>y\">]><r a=\"1 > 0\"><c/><d>text</d><e></e>"
       "<!-- a <comment> --><f><![CDATA[<raw>]]></f></r>",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"x>y\">]>\n<r a=\"1 > 0\">\n  <c/>\n  <d>text</d>\n"
       "  <e></e>\n  <!-- a <comment> -->\n  <f>\n    <![CDATA[<raw>]]>\n  </f>\n</r>\n"},
      {"<a>\n    <b>x</b>\n</a>", "<a>\n  <b>x</b>\n</a>\n"},
      {"<p>Hello <b>big</b> world</p>", "<p>Hello <b>big</b> world</p>\n"},
  };
  for (const auto& [input, output] : cases) {
    SCOPED_TRACE(input);
    const Formatted whole = Format(Markup::Xml, input);
    EXPECT_FALSE(whole.faulted);
    EXPECT_EQ(whole.text, output);
    EXPECT_EQ(Format(Markup::Xml, input, 1).text, output) << "byte by byte";
  }
}

// Formatted up to the fault; from there the text as it came, the line said.
TEST(Reindenting, StopsAtTheFirstFaultAndPassesTheRestOnAsItCame) {
  const struct {
    Markup markup;
    const char* input;
    const char* output;
    uint64_t line;
  } cases[] = {
      {Markup::Json, "{\"a\":1,\"b\":tru,\"c\":3}", "{\n  \"a\": 1,\n  \"b\": tru,\"c\":3}", 3},
      {Markup::Json, "[1,2]]", "[\n  1,\n  2\n]]", 4},
      {Markup::Json, "{\"a\":[1,2", "{\n  \"a\": [\n    1,\n    2", 4},
      {Markup::Json, "{\"a\" 1}", "{\n  \"a\" 1}", 2},
      {Markup::Xml, "<a><b>x</c></a>", "<a>\n  <b>x</c></a>", 2},
      {Markup::Xml, "<a><b/>", "<a>\n  <b/>", 2},
      {Markup::Xml, "<a>< b/></a>", "<a>< b/></a>", 1},
  };
  for (const auto& [markup, input, output, line] : cases) {
    SCOPED_TRACE(input);
    for (const size_t piece : {std::string_view::npos, size_t{1}, size_t{3}}) {
      const Formatted formatted = Format(markup, input, piece);
      EXPECT_TRUE(formatted.faulted);
      EXPECT_EQ(formatted.text, output);
      EXPECT_EQ(formatted.line, line);
    }
  }
}

// Random bytes and cut documents: never a crash, and never a byte lost once faulted.
TEST(Reindenting, TakesAnyBytes) {
  std::mt19937 random(5);
  const std::string json = R"({"k":[1,{"x":"y"},[null]],"s":"\u00e9"})", xml = "<a><b c='d'>e</b><f/></a>";
  for (int round = 0; round < 2000; ++round) {
    const Markup markup = round % 2 ? Markup::Json : Markup::Xml;
    std::string input = markup == Markup::Json ? json : xml;
    for (int change = 0; change < 3; ++change) input[random() % input.size()] = static_cast<char>(random() % 128);
    const Formatted formatted = Format(markup, input, 1 + random() % 7);
    if (formatted.faulted) {
      EXPECT_GE(formatted.text.size(), input.size() / 2);
    }
  }
  EXPECT_EQ(Format(Markup::Json, std::string(100000, '[')).text.size() < 100000 * 200, true) << "indentation bounded";
}

}  // namespace
}  // namespace lumen
