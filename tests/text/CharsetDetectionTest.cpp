// Telling legacy code pages and unmarked UTF-16 apart: text in each script,
// written as Windows writes it, comes back as it was written; what the
// detector cannot be sure of stays in the system's (or the default) code page.
#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "text/CharsetDetection.h"
#include "text/Encoding.h"

namespace lumen {
namespace {

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return wide;
}

// `utf8` as code page `codePage` writes it.
std::string Encoded(const std::string& utf8, uint32_t codePage) {
  const std::wstring wide = Wide(utf8);
  if (codePage == kIso8859_10 || codePage == kIso8859_16) {  // lumen's own: each character's byte
    std::string bytes;
    for (wchar_t c : wide) {
      for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        if (CodePageToWide(byte, codePage) == std::wstring(1, c)) {
          bytes += byte;
          break;
        }
      }
    }
    return bytes;
  }
  std::string bytes(wide.size() * 4, '\0');
  bytes.resize(WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                                   static_cast<int>(bytes.size()), nullptr, nullptr));
  return bytes;
}

// A source file of about 80 lines: code, and the text in its comments and strings.
std::string SourceFile(const std::string& text) {
  std::string file;
  for (int block = 0; block < 8; ++block) {
    file += "// " + text + "\nint step" + std::to_string(block) + "(int x) {\n  if (x > 0) return x * 2;\n";
    file += "  puts(\"" + text + "\");\n  return 0;\n}\n\n";
  }
  return file;
}

DecodingRule Detecting(uint32_t fallback = 0) {
  DecodingRule rule;
  rule.detect = true;
  rule.fallbackCodePage = fallback;
  return rule;
}

TEST(CharsetDetection, ReadsSourceInEachScriptsCodePageAsItWasWritten) {
  const struct {
    uint32_t codePage;
    const char* text;
  } cases[] = {
      {1251, "Не удалось открыть файл конфигурации, проверьте права доступа и повторите попытку."},
      {20866, "Не удалось открыть файл конфигурации, проверьте права доступа и повторите попытку."},
      {21866, "Не вдалося відкрити файл налаштувань, перевірте права доступу і спробуйте ще раз."},
      {1253, "Δεν ήταν δυνατό το άνοιγμα του αρχείου ρυθμίσεων, ελέγξτε τα δικαιώματα πρόσβασης."},
      {1255, "לא ניתן לפתוח את קובץ ההגדרות, בדוק את הרשאות הגישה ונסה שוב."},
      {874, "ไม่สามารถเปิดแฟ้มการตั้งค่าได้ กรุณาตรวจสอบสิทธิ์การเข้าถึงแล้วลองอีกครั้ง"},
      {932, "設定ファイルを開けませんでした。アクセス権を確認してから、もう一度やり直してください。"},
      {936, "无法打开配置文件，请检查访问权限后重试。下载的软件包已经损坏，请重新下载。"},
      {950, "無法開啟設定檔，請檢查存取權限後再試一次。下載的套件已經損毀，請重新下載。"},
      {949, "구성 파일을 열 수 없습니다. 접근 권한을 확인한 후 다시 시도하십시오."},
      // The code pages of DOS and the classic Mac OS, and the rare ISO ones, in text of some length.
      {852, "Nepodařilo se otevřít konfigurační soubor, zkontrolujte přístupová práva a zkuste to znovu."},
      {10029, "Nepodařilo se otevřít konfigurační soubor, zkontrolujte přístupová práva a zkuste to znovu."},
      {855, "Не удалось открыть файл конфигурации, проверьте права доступа и повторите попытку."},
      {10007, "Не удалось открыть файл конфигурации, проверьте права доступа и повторите попытку."},
      {kIso8859_16, "Nu s-a putut deschide fișierul de configurare, verificați drepturile și încercați din nou."},
      {kIso8859_10, "Nepavyko atverti konfigūracijos failo, patikrinkite prieigos teises ir bandykite dar kartą."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    const std::string text = SourceFile(c.text);
    const std::string bytes = Encoded(text, c.codePage);
    ASSERT_FALSE(bytes.empty());
    const FirstPart part = DecodeFirstPart(bytes, bytes.size(), Detecting());
    EXPECT_EQ(part.text, text);
    // A first line longer than the detector is shown, cut between two of
    // its characters, not inside one.
    std::string longLine = "x";
    while (longLine.size() < 20000) longLine += c.text;
    const std::string longFirst = Encoded(longLine + "\n" + text, c.codePage);
    EXPECT_EQ(DecodeFirstPart(longFirst, longFirst.size(), Detecting()).text, longLine + "\n" + text);
  }
}

TEST(CharsetDetection, KeepsTheSystemsOrTheDefaultCodePageWhereItCannotBeSure) {
  // One line of a few words in the system's code page stays in it.
  const std::string word = GetACP() == 932 ? "// サイズ変更\n" : "// Größe ändern\n";
  const std::string bytes = Encoded(word, CP_ACP);
  EXPECT_EQ(DecodeFirstPart(bytes, bytes.size(), Detecting()).text, word);
  EXPECT_EQ(DecodeFirstPart(bytes, bytes.size(), Detecting()).rest.codePage(), 0u);
  // A default code page takes the system's place, with detection and without.
  const std::string russian = Encoded("// Привет\n", 1251);
  EXPECT_EQ(DecodeFirstPart(russian, russian.size(), Detecting(1251)).text, "// Привет\n");
  DecodingRule plain;
  plain.fallbackCodePage = 1251;
  EXPECT_EQ(DecodeFirstPart(russian, russian.size(), plain).text, "// Привет\n");
  // Without detection the first version's rule holds exactly.
  const std::string source = Encoded(SourceFile("Не удалось открыть файл конфигурации."), 1251);
  EXPECT_EQ(DecodeFirstPart(source, source.size()).text, ConvertToUtf8(source, Encoding::Ansi));
  EXPECT_EQ(DecodeFirstPart(source, source.size()).rest.codePage(), 0u);
}

TEST(CharsetDetection, TellsUnmarkedUtf16OfEitherOrderFromItsZeroBytes) {
  const std::wstring line = L"int x = 1;";  // 20 bytes
  std::string little, big;
  for (const wchar_t unit : line) {
    little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
  }
  ASSERT_EQ(little.size(), 20u);
  EXPECT_EQ(DecodeFirstPart(little, little.size(), Detecting()).rest.encoding(), Encoding::Utf16LE);
  EXPECT_EQ(DecodeFirstPart(big, big.size(), Detecting()).text, "int x = 1;");
  EXPECT_EQ(DecodeFirstPart(big, big.size(), Detecting()).rest.encoding(), Encoding::Utf16BE);
  // Zeros on both sides are binary data, not text; an odd length holds no UTF-16.
  EXPECT_FALSE(UnmarkedUtf16(std::string("a\0\0\0b\0", 6), 6));
  EXPECT_FALSE(UnmarkedUtf16(little, 21));
  EXPECT_FALSE(UnmarkedUtf16("plain ASCII text", 16));
}

TEST(CharsetDetection, KeepsUtf8CaughtWhileACharacterIsBeingWritten) {
  const std::string caught = "total: 5 \xE2\x82";  // the euro sign's first two bytes
  const FirstPart part = DecodeFirstPart(caught, caught.size(), Detecting());
  EXPECT_EQ(part.rest.encoding(), Encoding::Utf8);
  EXPECT_EQ(part.text, "total: 5 ");
  EXPECT_EQ(part.heldBack, 2u);
  // Without detection, the first version's rule: not UTF-8, so ANSI.
  EXPECT_EQ(DecodeFirstPart(caught, caught.size()).rest.encoding(), Encoding::Ansi);
}

TEST(CharsetDetection, NamesCodePagesAsUsersKnowThem) {
  EXPECT_EQ(CodePageName(1251), L"Windows-1251");
  EXPECT_EQ(CodePageName(932), L"Shift_JIS");
  EXPECT_EQ(CodePageName(936), L"GBK");
  EXPECT_EQ(CodePageName(12345), L"CP12345");
  // Every code page offered is one Windows reads, or one lumen reads itself.
  for (const CodePage& page : KnownCodePages()) EXPECT_TRUE(IsReadableCodePage(page.number)) << page.number;
  EXPECT_EQ(ConvertToUtf8("\xBA\xFE\xA4", Encoding::Ansi, kIso8859_16), "\u0219\u021B\u20AC");
  EXPECT_EQ(ConvertToUtf8("\xB1\xBF\xFF", Encoding::Ansi, kIso8859_10), "\u0105\u014B\u0138");
}

}  // namespace
}  // namespace lumen
