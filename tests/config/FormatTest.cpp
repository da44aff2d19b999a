#include <gtest/gtest.h>

#include "config/Format.h"
#include "config/Loaders.h"
#include "config/Model.h"
#include "base/Text.h"

namespace lumen {
namespace {

using format::FormatHex;
using format::ParseColour;
using format::ParseHex32;

uint32_t Hex32(const std::wstring& text) {
  uint32_t value = 0xDEADBEEF;
  EXPECT_TRUE(ParseHex32(text, value)) << "text: " << std::string(text.begin(), text.end());
  return value;
}

TEST(HighlightValues, ReadHexadecimalWithOrWithoutPrefixInEitherCase) {
  EXPECT_EQ(Hex32(L"0xff8000"), 0xFF8000u);
  EXPECT_EQ(Hex32(L"FF8000"), 0xFF8000u);
  EXPECT_EQ(Hex32(L"0XfF8000"), 0xFF8000u);
  EXPECT_EQ(Hex32(L"  +a0 trailing text"), 0xA0u);
  EXPECT_EQ(Hex32(L"FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(Hex32(L"0x"), 0u);  // the 0 is the number, the x is trailing text
}

TEST(HighlightValues, RejectNegativeOversizedAndDigitlessText) {
  uint32_t value = 7;
  for (const std::wstring text : {L"-1", L"-0x10", L"100000000", L"123456789", L"", L"   ", L"zz", L"-",
                                   L"FFFFFFFFFFFFFFFFFF"}) {
    EXPECT_FALSE(ParseHex32(text, value)) << std::string(text.begin(), text.end());
  }
  EXPECT_EQ(value, 7u) << "a failed parse leaves the value alone";
}

TEST(WordStyleColours, EmptyAndMinusOneMeanNotSet) {
  EXPECT_EQ(ParseColour(L""), -1);
  EXPECT_EQ(ParseColour(L"-1"), -1);
  EXPECT_EQ(ParseColour(L"123456"), 0x123456);
  EXPECT_EQ(ParseColour(L"0x7FFFFFFF"), 0x7FFFFFFF);
  EXPECT_EQ(ParseColour(L"-80000000"), INT32_MIN);
}

TEST(WordStyleColours, FailWithTheStandardErrors) {
  try {
    ParseColour(L"GHIJKL");
    FAIL() << "letters outside A to F must not parse";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "invalid stoi argument");
  }
  for (const wchar_t* text : {L"80000000", L"-80000001", L"FFFFFFFF", L"123456789ABCDEF0123"}) {
    try {
      ParseColour(text);
      FAIL() << "out of the signed 32-bit range";
    } catch (const std::out_of_range& error) {
      EXPECT_STREQ(error.what(), "stoi argument out of range");
    }
  }
}

TEST(ValueFormatting, HexIsUpperCaseAndPaddedToAtLeastTheWidth) {
  EXPECT_EQ(FormatHex(255, 6), L"0000FF");
  EXPECT_EQ(FormatHex(5, 2), L"05");
  EXPECT_EQ(FormatHex(0, 2), L"00");
  EXPECT_EQ(FormatHex(0xABCDEF12, 6), L"ABCDEF12");
  EXPECT_EQ(format::FormatColour(-5), L"");
  EXPECT_EQ(format::FormatColour(0x00FF00), L"00FF00");
  EXPECT_EQ(format::FormatOptionalNumber(0, 1), L"");
  EXPECT_EQ(format::FormatOptionalNumber(0, 0), L"0");
  EXPECT_EQ(format::FormatOptionalNumber(-1, 0), L"");
}

TEST(BooleanText, OnlyYesInAnyCaseIsTrue) {
  for (const wchar_t* yes : {L"yes", L"YES", L"Yes", L"yEs"}) EXPECT_TRUE(format::IsEnabledText(yes));
  for (const wchar_t* no : {L"no", L"true", L"1", L"", L" yes", L"yes "}) EXPECT_FALSE(format::IsEnabledText(no));
}

TEST(ColourOrder, SwapsRedAndBlueAndIsItsOwnInverse) {
  EXPECT_EQ(SwapRedBlue(0x123456), 0x563412u);
  EXPECT_EQ(SwapRedBlue(0xAB123456), 0xAB563412u);
  EXPECT_EQ(SwapRedBlue(SwapRedBlue(0x89ABCDEF)), 0x89ABCDEFu);
}

TEST(Split, CutsAtAnyDelimiterAndDropsEmptyPieces) {
  using Pieces = std::vector<std::wstring>;
  EXPECT_EQ(Split(L".c .h\r\n\tcpp..hpp\rcc ", format::kExtensionDelimiters), (Pieces{L"c", L"h", L"cpp", L"hpp", L"cc"}));
  EXPECT_EQ(Split(L"", L" "), Pieces{});
  EXPECT_EQ(Split(L"   ", L" "), Pieces{});
  EXPECT_EQ(Split(L"abc", L""), Pieces{L"abc"});
}

TEST(ExtensionMatching, NeedsAnEntryStartAndNoLetterOrDigitAfter) {
  EXPECT_TRUE(ExtensionListSelects(L"C CPP H", L"CPP"));
  EXPECT_TRUE(ExtensionListSelects(L"C++ HPP", L"C")) << "a plus sign ends the entry";
  EXPECT_TRUE(ExtensionListSelects(L"CPP1 CPP", L"CPP")) << "a later entry still counts";
  EXPECT_TRUE(ExtensionListSelects(L"C\tCPP", L"CPP"));
  EXPECT_FALSE(ExtensionListSelects(L"CPP1", L"CPP"));
  EXPECT_FALSE(ExtensionListSelects(L"CPP", L"C"));
  EXPECT_FALSE(ExtensionListSelects(L".CPP", L"CPP")) << "a dotted entry never selects";
  EXPECT_FALSE(ExtensionListSelects(L"XCPP", L"CPP"));
  EXPECT_FALSE(ExtensionListSelects(L"CPP", L""));
  EXPECT_TRUE(ExtensionListSelects(L"Ä Ö", L"Ö")) << "letters beyond ASCII in the user's locale";
  EXPECT_FALSE(ExtensionListSelects(L"CÄ", L"C"));
}

TEST(UserLocaleCasing, MapsEveryUnitOnItsOwn) {
  const UserLocale& locale = UserLocale::Get();
  EXPECT_EQ(locale.ToLower(L"Main.CPP"), L"main.cpp");
  EXPECT_EQ(locale.ToUpper(L"c++ äö"), L"C++ ÄÖ");
  EXPECT_EQ(locale.ToLower(L"\xD83D\xDE00"), L"\xD83D\xDE00") << "surrogates pass unchanged";
  EXPECT_TRUE(locale.IsLetterOrDigit(L'é'));
  EXPECT_FALSE(locale.IsLetterOrDigit(L'+'));
  EXPECT_TRUE(locale.IsSpace(L'\t'));
}

}  // namespace
}  // namespace lumen
