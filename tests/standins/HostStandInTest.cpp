// The host stand-in must keep the contracts the plug-in relies on: the
// plug-in's own tests are only as good as this host.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "HostStandIn.h"
#include "TestFiles.h"
#include "host/HostApi.h"

namespace lumen::test {
namespace {

using host::XMLHANDLE;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr UINT kFileDescriptionFormat = 24051;

// One text getter under the two-call protocol: buffer (null asks), length in and out.
using TextGetter = std::function<BOOL(LPWSTR, DWORD*)>;

std::optional<std::wstring> ReadText(const TextGetter& get) {
  DWORD length = 0;
  if (!get(nullptr, &length) || length == 0) return std::nullopt;
  std::vector<wchar_t> buffer(length, L'\0');
  if (!get(buffer.data(), &length)) return std::nullopt;
  return std::wstring(buffer.data(), length - 1);
}

class HostStandInTest : public ::testing::Test {
 protected:
  XMLHANDLE LoadXml(const std::string& utf8) {
    WriteBytes(folder / L"doc.xml", utf8);
    return xml.XMLLoadFileW((folder / L"doc.xml").c_str());
  }

  TextGetter Attribute(XMLHANDLE element, const wchar_t* name) const {
    return [=, this](LPWSTR buffer, DWORD* length) { return xml.XMLGetNodeAttributeW(element, name, buffer, length, 0); };
  }
  TextGetter Value(XMLHANDLE element) const {
    return [=, this](LPWSTR buffer, DWORD* length) { return xml.XMLGetNodeValueW(element, buffer, length); };
  }
  std::wstring AttributeText(XMLHANDLE element, const wchar_t* name) const {
    return ReadText(Attribute(element, name)).value_or(L"<absent>");
  }
  std::vector<std::wstring> EnumerateIds(XMLHANDLE parent, const wchar_t* name) const {
    std::vector<std::wstring> ids;
    for (XMLHANDLE child = xml.XMLEnumChildNodesW(parent, name, nullptr); child;
         child = xml.XMLEnumChildNodesW(parent, name, child)) {
      ids.push_back(AttributeText(child, L"id"));
    }
    return ids;
  }

  HostStandIn host;
  const XmlFunctions xml = BindXmlFunctions();
  TempFolder folder;
};

TEST_F(HostStandInTest, TextGettersTellTheLengthFirstAndRefuseTooSmallABuffer) {
  const XMLHANDLE root = LoadXml("<Config><Item name=\"abc\">text</Item><Empty name=\"\"/></Config>");
  const XMLHANDLE item = xml.XMLFindChildNodeW(root, L"Item");
  const XMLHANDLE empty = xml.XMLFindChildNodeW(root, L"Empty");
  ASSERT_TRUE(item && empty);

  for (const auto& [get, text] : {std::pair{Attribute(item, L"name"), std::wstring(L"abc")},
                                  std::pair{Value(item), std::wstring(L"text")}}) {
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    DWORD length = 0;
    EXPECT_TRUE(get(nullptr, &length));
    EXPECT_EQ(length, needed);

    std::wstring buffer(16, L'#');
    length = needed - 1;
    EXPECT_FALSE(get(buffer.data(), &length));
    EXPECT_EQ(length, needed);
    EXPECT_EQ(buffer, std::wstring(16, L'#'));

    length = needed;
    EXPECT_TRUE(get(buffer.data(), &length));
    EXPECT_EQ(length, needed);
    EXPECT_EQ(buffer.substr(0, needed), text + L'\0');
  }

  EXPECT_EQ(ReadText(Attribute(empty, L"name")), std::wstring());
  EXPECT_EQ(ReadText(Value(empty)), std::wstring());
  DWORD length = 77;
  EXPECT_FALSE(xml.XMLGetNodeAttributeW(item, L"missing", nullptr, &length, 0));
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, TextIsReadFromUtf8WithReferencesResolved) {
  const XMLHANDLE root = LoadXml(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<Config note=\"x &amp; &quot;y&quot; &#x3B1;&#128512; &unknown;\">Gr\xC3\xBC\xC3\x9F" "e &lt;b&gt;"
      " \xE2\x98\xBC\xF0\x9F\x98\x80<![CDATA[ <raw>&amp;]]></Config>");
  ASSERT_TRUE(root);
  EXPECT_EQ(AttributeText(root, L"note"), L"x & \"y\" \u03B1\xD83D\xDE00 &unknown;");
  // U+263C and U+DE00 end in the bytes of "<" and of the end of input.
  EXPECT_EQ(ReadText(Value(root)), L"Gr\u00FC\u00DFe <b> \u263C\xD83D\xDE00 <raw>&amp;");
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, ChildrenAreFoundAndEnumeratedInDocumentOrder) {
  const XMLHANDLE root = LoadXml(
      "<Config>\n  <Style id=\"1\"/>\n  <Other id=\"x\"/>\n  text\n"
      "  <Style id=\"2\"><Style id=\"nested\"/></Style>\n  <Style id=\"3\"/>\n</Config>\n");
  ASSERT_TRUE(root);
  EXPECT_EQ(EnumerateIds(root, L"Style"), (std::vector<std::wstring>{L"1", L"2", L"3"}));
  EXPECT_EQ(AttributeText(xml.XMLFindChildNodeW(root, L"Style"), L"id"), L"1");
  EXPECT_EQ(xml.XMLFindChildNodeW(root, L"Missing"), nullptr);
  EXPECT_EQ(xml.XMLFindChildNodeW(root, L""), nullptr);

  // A previous child of another parent ends the enumeration instead of wandering off.
  const XMLHANDLE second = xml.XMLEnumChildNodesW(root, L"Style", xml.XMLFindChildNodeW(root, L"Style"));
  const XMLHANDLE nested = xml.XMLFindChildNodeW(second, L"Style");
  ASSERT_TRUE(nested);
  EXPECT_EQ(xml.XMLEnumChildNodesW(root, L"Style", nested), nullptr);
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, CommentsStayInPlaceAndNoLookupSeesThem) {
  const std::string text = std::string(kDeclaration) +
                           "\n<!--top-->\n<Config>\n\t<!--first-->\n\t<Item id=\"1\"/>\n"
                           "\t<Keywords id=\"k\"><!--inside-->int <!--between-->char</Keywords>\n\t<!--last-->\n</Config>\n";
  const XMLHANDLE root = LoadXml(text);
  ASSERT_TRUE(root);
  EXPECT_EQ(EnumerateIds(root, nullptr), (std::vector<std::wstring>{L"1", L"k"}));
  const XMLHANDLE keywords = xml.XMLFindChildNodeW(root, L"Keywords");
  EXPECT_EQ(ReadText(Value(keywords)), L"int char");
  const std::wstring path = folder / L"saved.xml";
  EXPECT_TRUE(xml.XMLSaveFileW(root, path.c_str()));
  EXPECT_EQ(ReadBytes(path), text) << "a document saved unchanged is written as it was read";

  EXPECT_TRUE(xml.XMLSetNodeValueW(keywords, L"long"));
  EXPECT_TRUE(xml.XMLSaveFileW(root, path.c_str()));
  std::string changed = text;
  const std::string old = "int <!--between-->char";
  changed.replace(changed.find(old), old.size(), "long<!--between-->");
  EXPECT_EQ(ReadBytes(path), changed) << "the new text takes the old one's place; the comments stay";
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, CreatedDocumentIsSavedAsUtf8AndReadsBack) {
  const std::wstring awkward = L"<\"it's\" & more> Gr\u00FC\u00DFe \xD83D\xDE00";
  const XMLHANDLE created = xml.XMLCreateFile();
  ASSERT_TRUE(created);
  EXPECT_EQ(host.OpenDocuments(), 1);
  EXPECT_TRUE(xml.XMLSetNodeNameW(created, L"Config"));
  for (const wchar_t* id : {L"1", L"2", L"3"}) {
    EXPECT_TRUE(xml.XMLSetNodeAttributeW(xml.XMLAddChildNodeW(created, L"Item"), L"id", id));
  }
  const XMLHANDLE style = xml.XMLAddChildNodeW(created, L"Style");
  EXPECT_TRUE(xml.XMLSetNodeAttributeW(style, L"ext", L"replaced"));
  EXPECT_TRUE(xml.XMLSetNodeAttributeW(style, L"ext", awkward.c_str()));
  EXPECT_TRUE(xml.XMLSetNodeValueW(style, L"replaced"));
  EXPECT_TRUE(xml.XMLSetNodeValueW(style, awkward.c_str()));
  EXPECT_TRUE(xml.XMLSetNodeDWORDValue(xml.XMLAddChildNodeW(created, L"Limit"), 4000000000u));
  EXPECT_TRUE(xml.XMLSetNodeAttributeW(xml.XMLAddChildNodeW(created, L"Item"), L"id", L"4"));

  const std::wstring path = folder / L"saved.xml";
  EXPECT_TRUE(xml.XMLSaveFileW(created, path.c_str()));
  EXPECT_TRUE(xml.XMLFreeFile(created));
  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(bytes.starts_with(kDeclaration)) << bytes;
  EXPECT_NE(bytes.find("<Config>"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(ToUtf8(L"Gr\u00FC\u00DFe \xD83D\xDE00")), std::string::npos) << bytes;

  const XMLHANDLE loaded = xml.XMLLoadFileW(path.c_str());
  ASSERT_TRUE(loaded) << bytes;
  EXPECT_EQ(EnumerateIds(loaded, L"Item"), (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
  const XMLHANDLE loadedStyle = xml.XMLFindChildNodeW(loaded, L"Style");
  EXPECT_EQ(AttributeText(loadedStyle, L"ext"), awkward);
  EXPECT_EQ(ReadText(Value(loadedStyle)), awkward);
  DWORDLONG limit = 0;
  EXPECT_TRUE(xml.XMLGetNodeDWORDLONGValue(xml.XMLFindChildNodeW(loaded, L"Limit"), &limit));
  EXPECT_EQ(limit, 4000000000u);
  EXPECT_TRUE(xml.XMLFreeFile(loaded));
  EXPECT_EQ(host.OpenDocuments(), 0);
}

struct NumberCase {
  const wchar_t* text;
  std::optional<int> asInt;
  std::optional<DWORD> asDword;
  std::optional<DWORDLONG> asDwordlong;
};

TEST_F(HostStandInTest, IntegerReadersTakeDecimalTextInRangeOnly) {
  const std::vector<NumberCase> cases = {
      {L"42", 42, 42u, 42u},
      {L" \t42\r\n", 42, 42u, 42u},
      {L"-17", -17, {}, {}},
      {L"+5", 5, {}, {}},
      {L"2147483647", 2147483647, 2147483647u, 2147483647u},
      {L"2147483648", {}, 2147483648u, 2147483648u},
      {L"-2147483648", -2147483647 - 1, {}, {}},
      {L"-2147483649", {}, {}, {}},
      {L"4294967295", {}, 4294967295u, 4294967295u},
      {L"4294967296", {}, {}, 4294967296u},
      {L"18446744073709551615", {}, {}, 18446744073709551615u},
      {L"18446744073709551616", {}, {}, {}},
      {L"", {}, {}, {}},
      {L"   ", {}, {}, {}},
      {L"-", {}, {}, {}},
      {L"12a", {}, {}, {}},
      {L"0x10", {}, {}, {}},
      {L"1 2", {}, {}, {}},
  };
  const XMLHANDLE root = xml.XMLCreateFile();
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(ToUtf8(L"text \"" + std::wstring(c.text) + L"\""));
    ASSERT_TRUE(xml.XMLSetNodeAttributeW(root, L"n", c.text));
    ASSERT_TRUE(xml.XMLSetNodeValueW(root, c.text));
    int asInt = 7;
    DWORD asDword = 7;
    DWORDLONG asDwordlong = 7;
    EXPECT_EQ(xml.XMLGetNodeIntAttributeW(root, L"n", &asInt) != FALSE, c.asInt.has_value());
    EXPECT_EQ(asInt, c.asInt.value_or(7));
    EXPECT_EQ(xml.XMLGetNodeDWORDAttributeW(root, L"n", &asDword) != FALSE, c.asDword.has_value());
    EXPECT_EQ(asDword, c.asDword.value_or(7));
    EXPECT_EQ(xml.XMLGetNodeDWORDLONGValue(root, &asDwordlong) != FALSE, c.asDwordlong.has_value());
    EXPECT_EQ(asDwordlong, c.asDwordlong.value_or(7));
  }
  int untouched = 7;
  EXPECT_FALSE(xml.XMLGetNodeIntAttributeW(root, L"missing", &untouched));
  EXPECT_EQ(untouched, 7);
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, EmptyAttributeReadsAsAbsentNumber) {
  const XMLHANDLE root = LoadXml("<Config><Tabulator Width=\"\" Height=\" \"/></Config>");
  const XMLHANDLE tabulator = xml.XMLFindChildNodeW(root, L"Tabulator");
  for (const wchar_t* name : {L"Width", L"Height"}) {
    int asInt = 7;
    DWORD asDword = 7;
    EXPECT_FALSE(xml.XMLGetNodeIntAttributeW(tabulator, name, &asInt));
    EXPECT_FALSE(xml.XMLGetNodeDWORDAttributeW(tabulator, name, &asDword));
    EXPECT_EQ(asInt, 7);
    EXPECT_EQ(asDword, 7u);
  }
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, WritersUseTextsTheReadersTakeBack) {
  const XMLHANDLE root = xml.XMLCreateFile();
  EXPECT_TRUE(xml.XMLSetNodeBoolAttributeW(root, L"on", TRUE));
  EXPECT_TRUE(xml.XMLSetNodeBoolAttributeW(root, L"off", FALSE));
  std::wstring on = AttributeText(root, L"on");
  EXPECT_EQ(on, L"yes");
  std::transform(on.begin(), on.end(), on.begin(), [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - 32 : c; });
  EXPECT_EQ(on, L"YES");
  EXPECT_EQ(AttributeText(root, L"off"), L"no");

  EXPECT_TRUE(xml.XMLSetNodeDWORDAttributeW(root, L"width", 4294967295u));
  EXPECT_EQ(AttributeText(root, L"width"), L"4294967295");
  DWORD width = 0;
  EXPECT_TRUE(xml.XMLGetNodeDWORDAttributeW(root, L"width", &width));
  EXPECT_EQ(width, 4294967295u);

  EXPECT_TRUE(xml.XMLSetNodeDWORDValue(root, 0));
  EXPECT_EQ(ReadText(Value(root)), L"0");
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, InjectedFailuresHitTheChosenCallsAndDocumentsAreCounted) {
  host.FailCall("XMLCreateFile", 2);
  const XMLHANDLE first = xml.XMLCreateFile();
  EXPECT_EQ(xml.XMLCreateFile(), nullptr);
  const XMLHANDLE third = xml.XMLCreateFile();
  ASSERT_TRUE(first && third);
  EXPECT_EQ(host.CallCount("XMLCreateFile"), 3);
  EXPECT_EQ(host.OpenDocuments(), 2);

  // A failed free keeps the document; null is accepted; a non-document is refused.
  host.FailCall("XMLFreeFile", 1);
  EXPECT_FALSE(xml.XMLFreeFile(first));
  EXPECT_EQ(host.OpenDocuments(), 2);
  EXPECT_TRUE(xml.XMLFreeFile(first));
  EXPECT_TRUE(xml.XMLFreeFile(nullptr));
  EXPECT_FALSE(xml.XMLFreeFile(xml.XMLAddChildNodeW(third, L"Child")));
  EXPECT_EQ(host.OpenDocuments(), 1);

  host.FailCall("XMLAddChildNodeW");
  EXPECT_EQ(xml.XMLAddChildNodeW(third, L"Child"), nullptr);
  EXPECT_EQ(xml.XMLAddChildNodeW(third, L"Child"), nullptr);
  host.ClearFailures();
  EXPECT_NE(xml.XMLAddChildNodeW(third, L"Child"), nullptr);
  EXPECT_EQ(host.CallCount("XMLAddChildNodeW"), 4);

  host.Reset();
  EXPECT_EQ(host.CallCount("XMLAddChildNodeW"), 0);
  EXPECT_EQ(host.OpenDocuments(), 1);
  EXPECT_TRUE(xml.XMLFreeFile(third));
  EXPECT_EQ(host.OpenDocuments(), 0);
}

TEST_F(HostStandInTest, LoadGivesNullForFilesThatAreNoReadableXml) {
  const std::wstring missing = folder / L"missing.xml";
  EXPECT_EQ(xml.XMLLoadFileW(missing.c_str()), nullptr);
  EXPECT_EQ(xml.XMLLoadFileW(folder.path().c_str()), nullptr);
  for (const std::string& content : {std::string(), std::string("plain text"), std::string("<a><b></a>"),
                                     std::string("<a>\xFF</a>"), std::string(kDeclaration)}) {
    EXPECT_EQ(LoadXml(content), nullptr) << content;
  }

  const std::wstring locked = folder / L"locked.xml";
  WriteBytes(locked, "<Config/>");
  HANDLE exclusive = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(xml.XMLLoadFileW(locked.c_str()), nullptr);
  CloseHandle(exclusive);
  const XMLHANDLE unlocked = xml.XMLLoadFileW(locked.c_str());
  EXPECT_NE(unlocked, nullptr);
  EXPECT_TRUE(xml.XMLFreeFile(unlocked));
  EXPECT_EQ(host.OpenDocuments(), 0);
}

TEST_F(HostStandInTest, SaveReportsWhatItCannotWrite) {
  const XMLHANDLE root = xml.XMLCreateFile();
  EXPECT_FALSE(xml.XMLSaveFileW(root, (folder / L"no\\such\\folder.xml").c_str()));
  EXPECT_FALSE(xml.XMLSaveFileW(xml.XMLAddChildNodeW(root, L"Child"), (folder / L"child.xml").c_str()));
  EXPECT_FALSE(FileExists(folder / L"child.xml"));
  EXPECT_TRUE(xml.XMLFreeFile(root));
}

TEST_F(HostStandInTest, GetStringFillsTheBufferOrHandsOutALocalCopy) {
  const auto getString = BindHostHelperApi().GetString;
  ASSERT_TRUE(getString);
  std::wstring buffer(1024, L'#');
  LPWSTR into = buffer.data();
  EXPECT_EQ(getString(kFileDescriptionFormat, &into, 1024), 24);
  EXPECT_STREQ(buffer.c_str(), L"%I64d lines, %I64u bytes");

  // Too long for the buffer: the length only, then a copy on request.
  const std::wstring longText(1024, L'x');
  host.SetString(7, longText);
  buffer.assign(1024, L'#');
  EXPECT_EQ(getString(7, &into, 1024), 1024);
  EXPECT_EQ(buffer, std::wstring(1024, L'#'));
  LPWSTR copy = nullptr;
  EXPECT_EQ(getString(7, &copy, 0), 1024);
  ASSERT_TRUE(copy);
  EXPECT_EQ(std::wstring(copy), longText);
  EXPECT_EQ(LocalFree(copy), nullptr);

  host.RemoveString(kFileDescriptionFormat);
  EXPECT_EQ(getString(kFileDescriptionFormat, &into, 1024), 0);
  copy = nullptr;
  EXPECT_EQ(getString(kFileDescriptionFormat, &copy, 0), 0);
  EXPECT_EQ(copy, nullptr);
  host.FailCall("GetString", 1);
  host.Reset();
  EXPECT_EQ(getString(kFileDescriptionFormat, &into, 1024), 24);
  host.FailCall("GetString", 1);
  EXPECT_EQ(getString(kFileDescriptionFormat, &into, 1024), 0);
}

TEST_F(HostStandInTest, GetConfigPathWCopiesTheFolderOnlyWhenItFits) {
  const auto getConfigPath = BindHostConfigApi().GetConfigPathW;
  ASSERT_TRUE(getConfigPath);
  wchar_t buffer[MAX_PATH] = {};
  EXPECT_FALSE(getConfigPath(0, buffer, sizeof(buffer)));

  const std::wstring folderPath = L"C:\\Data\\Host\\Config";
  host.SetConfigFolder(folderPath);
  host.Reset();
  EXPECT_TRUE(getConfigPath(0, buffer, sizeof(buffer)));
  EXPECT_EQ(std::wstring(buffer), folderPath);
  const DWORD exactBytes = static_cast<DWORD>((folderPath.size() + 1) * sizeof(wchar_t));
  EXPECT_TRUE(getConfigPath(0, buffer, exactBytes));
  EXPECT_FALSE(getConfigPath(0, buffer, exactBytes - 2));

  host.ClearConfigFolder();
  EXPECT_FALSE(getConfigPath(0, buffer, sizeof(buffer)));
}

TEST(ReducedHostStandIn, LacksOnlyTheOptionalFunctions) {
  HostStandIn host(HostStandIn::Build::Reduced);
  EXPECT_EQ(GetModuleHandleW(LUMEN_HOST_MODULE_NAME), host.module());
  EXPECT_EQ(BindHostConfigApi().GetConfigPathW, nullptr);
  EXPECT_EQ(BindHostHelperApi().GetString, nullptr);
  const XmlFunctions xml = BindXmlFunctions();
  EXPECT_EQ(xml.XMLSaveFileW, nullptr);
  EXPECT_NE(xml.XMLLoadFileW, nullptr);
  EXPECT_NE(xml.XMLCreateFile, nullptr);
  EXPECT_NE(xml.XMLSetNodeDWORDAttributeW, nullptr);
}

}  // namespace
}  // namespace lumen::test
