// Text told from binary by a file's first bytes, and the shape of a text.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/TextContent.h"

namespace lumen {
namespace {

using namespace std::string_literals;

std::string Repeated(const std::string& piece, size_t size) {
  std::string text;
  while (text.size() < size) text += piece;
  return text.substr(0, size);
}

TEST(TextContent, TellsTextFromBinary) {
  std::mt19937 random(5);
  std::string noise(4096, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  const std::string russian1251 = Repeated(
      "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0! \xdd\xf2\xee \xee\xe1\xfb\xf7\xed\xfb\xe9 \xf2\xe5\xea\xf1\xf2 "
      "\xed\xe0 \xf0\xf3\xf1\xf1\xea\xee\xec \xff\xe7\xfb\xea\xe5.\r\n",
      4096);
  const struct {
    const char* what;
    std::string head;
    bool wholeFile, text;
  } cases[] = {
      {"empty", "", true, true},
      {"ASCII notes", "remember the milk\nand the eggs\n", true, true},
      {"UTF-8 cut inside a character", Repeated("größer ", 4095) + "\xC3", false, true},
      {"UTF-16LE with its mark", "\xFF\xFEn\0o\0t\0e\0s\0\n\0"s, true, true},
      {"UTF-16LE without one", Repeated("k\0e\0e\0p\0 \0m\0e\0\n\0"s, 4096), false, true},
      {"UTF-16BE with its mark", "\xFE\xFF\0n\0o\0t\0e\0s\0\n"s, true, true},
      {"a coloured log", "\x1B[31mERROR\x1B[0m disk full\r\n\tretrying\f\n", true, true},
      {"Windows-1252, a few accents", Repeated("caf\xE9 cr\xE8me for na\xEFve people, ", 4096), false, true},
      {"Windows-1251 prose", russian1251, false, true},
      {"PNG", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, false, false},
      {"JPEG", "\xFF\xD8\xFF\xE0\0\x10JFIF"s, false, false},
      {"GIF", "GIF89a\x01\0\x01\0"s, false, false},
      {"ZIP", "PK\x03\x04\x14\0\0\0"s, false, false},
      {"gzip", "\x1F\x8B\x08\0"s, false, false},
      {"PDF", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n", false, false},
      {"Windows executable", "MZ\x90\0\x03\0\0\0"s, false, false},
      {"ELF executable", "\x7F" "ELF\x02\x01\x01\0"s, false, false},
      {"SQLite database", "SQLite format 3\0"s + std::string(84, '\x01'), false, false},
      {"zstd frame", "\x28\xB5\x2F\xFD\x04\x58"s, false, false},
      {"random bytes", noise, false, false},
      {"text with a NUL", "name=value\0more"s, true, false},
      {"a run of control characters", "abc\x01\x02\x03" "def", true, false},
  };
  for (const auto& c : cases) EXPECT_EQ(LooksLikeText(c.head, c.wholeFile), c.text) << c.what;
}

TEST(TextContent, TellsXmlAndJsonByTheirStart) {
  const struct {
    const char* text;
    TextShape shape;
  } cases[] = {
      {"<?xml version=\"1.0\"?><a/>", TextShape::Xml},
      {"\xEF\xBB\xBF\n  <!-- made by a tool -->\n<list/>", TextShape::Xml},
      {"<project name=\"x\">\n  <target/>\n</project>", TextShape::Xml},
      {"<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\">", TextShape::Xml},
      {"<!doctype html><html></html>", TextShape::Plain},
      {"<not closed", TextShape::Plain},
      {"{\n  \"name\": \"x\"\n}", TextShape::Json},
      {"{}", TextShape::Json},
      {"[1, 2, 3]", TextShape::Json},
      {"  [\n  {\"a\": true}\n]", TextShape::Json},
      {"[section]\nkey=value", TextShape::Plain},
      {"{{ template }}", TextShape::Plain},
      {"plain words", TextShape::Plain},
  };
  for (const auto& c : cases) EXPECT_EQ(ShapeOfText(c.text), c.shape) << c.text;
}

}  // namespace
}  // namespace lumen
