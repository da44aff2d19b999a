// Copy with colours: the HTML the clipboard carries finds its own parts by
// its header's offsets, and the RTF reads back through the rich edit control
// to the same text and looks.
#include <gtest/gtest.h>
#include <richedit.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "viewer/ColouredCopy.h"

namespace lumen {
namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255), kRed = RGB(163, 21, 21), kGrey = RGB(240, 240, 240);

CopyLooks Looks() {
  CopyLooks looks;
  looks.fontName = "Courier New";
  looks.fontSize = 11;
  looks.styles[5] = {kBlue, RGB(255, 255, 255), true, false, false};  // a keyword
  looks.styles[6] = {kRed, kGrey, false, true, true};                 // a string
  return looks;
}

// "int s = "é€😀";\r\n\t{x}\\" styled: the keyword, the string, the rest plain.
struct Sample {
  std::string text = "int s = \"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\";\r\n\t{x}\\<&>";
  std::string styles;
  Sample() : styles(text.size(), '\0') {
    styles.replace(0, 3, 3, '\5');
    styles.replace(8, 11, 11, '\6');
  }
};

size_t HeaderValue(const std::string& html, const std::string& name) {
  const size_t at = html.find(name + ":");
  return at == std::string::npos ? std::string::npos : std::stoul(html.substr(at + name.size() + 1, 10));
}

TEST(ColouredCopy, HtmlFindsItsPartsByTheHeadersOffsets) {
  const Sample sample;
  for (const auto& [text, styles] : {std::pair{sample.text, sample.styles}, std::pair{std::string(), std::string()}}) {
    const std::string html = HtmlClipboardText(text, styles, Looks());
    EXPECT_EQ(html.compare(HeaderValue(html, "StartHTML"), 6, "<html>"), 0);
    EXPECT_EQ(HeaderValue(html, "EndHTML"), html.size());
    const size_t start = HeaderValue(html, "StartFragment"), end = HeaderValue(html, "EndFragment");
    ASSERT_LT(start, end);
    EXPECT_EQ(html.substr(start - 20, 20), "<!--StartFragment-->");
    EXPECT_EQ(html.substr(end, 18), "<!--EndFragment-->");
    EXPECT_EQ(html.compare(start, 4, "<pre"), 0);
  }
  const std::string html = HtmlClipboardText(sample.text, sample.styles, Looks());
  const std::string fragment = html.substr(HeaderValue(html, "StartFragment"));
  EXPECT_EQ(fragment.substr(0, fragment.find("<!--EndFragment")),
            "<pre style=\"font-family:'Courier New',monospace;font-size:11pt;color:#000000;background:#ffffff\">"
            "<span style=\"color:#0000ff;font-weight:bold\">int</span>"
            "<span style=\"color:#000000\"> s = </span>"
            "<span style=\"color:#a31515;background:#f0f0f0;font-style:italic;text-decoration:underline\">"
            "&quot;\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80&quot;</span>"
            "<span style=\"color:#000000\">;\r\n\t{x}\\&lt;&amp;&gt;</span></pre>");
}

// Another scheme's looks, as the control would show them: the default style
// under every style, each language style's own colours and faces over it.
TEST(ColouredCopy, TakesTheLooksOfAnotherSchemesStyles) {
  WordStyle defaults;
  defaults.styleId = 32;
  defaults.fgColor = 0x202020;
  defaults.bgColor = 0xFFFFF0;
  WordStyle keyword;
  keyword.styleId = 5;
  keyword.fgColor = 0x0000FF;
  keyword.bold = true;
  WordStyle unset;  // no colours of its own
  unset.styleId = 7;
  unset.italic = true;
  CopyLooks font;
  font.fontName = "Consolas";
  const CopyLooks looks = LooksOfStyles(Style{3, {defaults}}, Style{3, {keyword, unset}}, font);
  const CopyStyle base{RGB(0x20, 0x20, 0x20), RGB(0xFF, 0xFF, 0xF0), false, false, false};
  EXPECT_EQ(looks.base, base);
  EXPECT_EQ(looks.styles[0], base);
  EXPECT_EQ(looks.styles[5], (CopyStyle{RGB(0, 0, 0xFF), base.back, true, false, false}));
  EXPECT_EQ(looks.styles[7], (CopyStyle{base.fore, base.back, false, true, false}));
  EXPECT_EQ(looks.fontName, "Consolas");
}

// RTF through the rich edit control: the text and, character by character,
// the colours and faces.
TEST(ColouredCopy, RtfReadsBackThroughTheRichEditControl) {
  ASSERT_TRUE(LoadLibraryW(L"Msftedit.dll") || LoadLibraryW(L"riched20.dll"));
  const wchar_t* className = GetModuleHandleW(L"Msftedit.dll") ? MSFTEDIT_CLASS : RICHEDIT_CLASSW;
  const HWND edit = CreateWindowExW(0, className, L"", ES_MULTILINE, 0, 0, 400, 300, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  const Sample sample;
  std::string rtf = RichText(sample.text, sample.styles, Looks());
  struct Reader {
    std::string_view rest;
  } reader{rtf};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&reader);
  stream.pfnCallback = [](DWORD_PTR cookie, BYTE* buffer, LONG wanted, LONG* given) -> DWORD {
    auto& r = *reinterpret_cast<Reader*>(cookie);
    *given = static_cast<LONG>(std::min<size_t>(wanted, r.rest.size()));
    std::memcpy(buffer, r.rest.data(), *given);
    r.rest.remove_prefix(*given);
    return 0;
  };
  SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  wchar_t text[64] = {};
  GETTEXTEX get = {sizeof text, GT_DEFAULT, 1200, nullptr, nullptr};
  SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), L"int s = \"\u00E9\u20AC\U0001F600\";\r\t{x}\\<&>") << "line ends read back as \\r";

  const struct {
    int at;  // in UTF-16 units
    COLORREF fore;
    bool bold, italic, underline;
    COLORREF back;  // 0: not looked at
  } looks[] = {
      {0, kBlue, true, false, false, 0},      {4, RGB(0, 0, 0), false, false, false, 0},
      {9, kRed, false, true, true, kGrey},   {11, kRed, false, true, true, kGrey},
      {16, RGB(0, 0, 0), false, false, false, 0},
  };
  for (const auto& look : looks) {
    SCOPED_TRACE(look.at);
    SendMessageW(edit, EM_SETSEL, look.at, look.at + 1);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.crTextColor, look.fore);
    EXPECT_EQ((format.dwEffects & CFE_BOLD) != 0, look.bold);
    EXPECT_EQ((format.dwEffects & CFE_ITALIC) != 0, look.italic);
    EXPECT_EQ((format.dwEffects & CFE_UNDERLINE) != 0, look.underline);
    if (look.back != 0) EXPECT_EQ(format.crBackColor, look.back);
  }
  DestroyWindow(edit);
}

}  // namespace
}  // namespace lumen
