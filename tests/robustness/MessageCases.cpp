// The host's records and messages at their edges: null and tiny buffers at
// every capacity, odd paths and handles, every message number around the
// host's range, before a load, after one, and after the editor is gone.
#include <gtest/gtest.h>

#include <climits>

#include "Exports.h"
#include "Robustness.h"
#include "TestFiles.h"
#include "resources/resource.h"

namespace lumen::robustness {
namespace {

constexpr UINT kFirstProbe = 0x8F00, kLastProbe = 0x8F3F;
constexpr UINT kFilePathQuery = WM_USER + 1;

// A version text of lumen.dll, read the way any program reads it.
std::wstring VersionText(const wchar_t* name) {
  const std::wstring path = test::ProgramFolder() + L"\\lumen.dll";
  DWORD ignored = 0;
  std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data())) return {};
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\080904b0\\") + name;
  return VerQueryValueW(data.data(), key.c_str(), &value, &length) && value ? static_cast<const wchar_t*>(value) : L"";
}

struct TextSlot {
  size_t offset;       // of the buffer pointer; its capacity lies at 56 + 4 * (offset - 16) / 8
  std::wstring value;  // what the plug-in copies into it (empty: it has no such value)
};

// HBX_IdentifyW with one capacity per text slot (a negative capacity: null
// buffer) and the record size; checks each buffer against the rule that the
// texts are copied in order until one fails.
void ExpectTexts(Host& host, const std::vector<TextSlot>& slots, const std::vector<int>& capacities, uint32_t size) {
  std::vector<std::unique_ptr<GuardedBuffer>> buffers;
  test::RawRecord<176> record;
  record.Put<uint32_t>(0, size);
  record.Put<wchar_t*>(16, nullptr);
  for (size_t i = 0; i < slots.size(); ++i) {
    const int capacity = capacities[i];
    buffers.push_back(capacity < 0 ? nullptr : std::make_unique<GuardedBuffer>(static_cast<size_t>(capacity)));
    record.Put<wchar_t*>(slots[i].offset, buffers.back() ? buffers.back()->data() : nullptr);
    record.Put<uint32_t>(56 + (slots[i].offset - 16) / 2, static_cast<uint32_t>(std::max(capacity, 0)));
  }
  ASSERT_EQ(Boundary("HBX_IdentifyW", [&] { return host.plugin().IdentifyW(record.data()); }), TRUE);
  bool failed = false;
  for (size_t i = 0; i < slots.size(); ++i) {
    const GuardedBuffer* buffer = buffers[i].get();
    if (!buffer) continue;
    const bool copies = !failed && capacities[i] > 2 && !slots[i].value.empty();
    if (copies) {
      EXPECT_EQ(buffer->Text(), slots[i].value.substr(0, static_cast<size_t>(capacities[i]) - 1))
          << "slot at " << slots[i].offset << ", capacity " << capacities[i];
    } else {
      EXPECT_TRUE(buffer->untouched()) << "slot at " << slots[i].offset << ", capacity " << capacities[i];
      failed = true;
    }
  }
  const auto icon = record.Get<HICON>(144);
  if (!failed && size >= 160) {
    EXPECT_NE(icon, nullptr);
    DestroyIcon(icon);
  } else {
    EXPECT_EQ(record.Get<uint64_t>(144), 0xCCCCCCCCCCCCCCCCull) << "no icon";
  }
}

TEST(RecordRobustness, PluginInformationTextsAtEveryCapacity) {
  Host host;
  host.WriteConfig(SmallConfiguration());
  // In the order the plug-in fills them; the version resource has no company.
  const std::vector<TextSlot> slots = {{40, VersionText(L"LegalCopyright")},
                                       {24, VersionText(L"InternalName")},
                                       {32, VersionText(L"FileDescription")},
                                       {48, L""}};
  ASSERT_EQ(slots[1].value, L"LUMEN");
  for (size_t slot = 0; slot < slots.size(); ++slot) {
    const Case scope("records: HBX_IdentifyW text capacities", std::to_string(slot));
    for (int capacity = 0; capacity <= static_cast<int>(slots[slot].value.size()) + 3; ++capacity) {
      std::vector<int> capacities(slots.size(), -1);
      capacities[slot] = capacity;
      ExpectTexts(host, slots, capacities, 176);
    }
  }
  for (int index = 0; index < 40; ++index) {
    const Case scope("records: HBX_IdentifyW text capacities", "mixed " + std::to_string(index));
    Random random("records: mixed capacities", index);
    std::vector<int> capacities;
    for (const TextSlot& slot : slots)
      capacities.push_back(static_cast<int>(random.Between(-1, static_cast<int64_t>(slot.value.size()) + 2)));
    const uint32_t sizes[] = {0, 80, 159, 160, 176};
    ExpectTexts(host, slots, capacities, sizes[random.Below(5)]);
  }
  const Case scope("records: HBX_IdentifyW text capacities", "no record");
  EXPECT_EQ(Boundary("HBX_IdentifyW", [&] { return host.plugin().IdentifyW(nullptr); }), FALSE);
  host.ExpectCleanEnd(SmallConfiguration());
}

TEST(RecordRobustness, IdentificationWithOddPathsAndRecords) {
  Host host;
  host.WriteConfig(SmallConfiguration());
  const Expectations expected = ReadExpectations(host);
  ASSERT_FALSE(expected.extensions.empty());
  const std::vector<std::wstring> paths = {L"",
                                           L".",
                                           L"..",
                                           L"a.",
                                           L".c",
                                           L"x.c",
                                           L"X.C",
                                           L"dir.c\\file",
                                           L"x.c.",
                                           L"x.\xD800",
                                           L"x.c\xDFFF",
                                           L"x.\x00E7",
                                           L"x.*",
                                           L"x.c h",
                                           L"x.txt",
                                           std::wstring(100000, L'a') + L".c",
                                           L"C:\\a.b\\c.d\\e.h"};
  int index = 0;
  for (const std::wstring& path : paths) {
    const Case scope("records: identification with odd paths and records", std::to_string(index++));
    for (const size_t capacity : {0, 1, 2, 260}) {
      EXPECT_EQ(IdentifyFile(host, path, capacity, capacity == 2), ClaimedWithoutContent(expected, path))
          << test::ToUtf8(path.substr(0, 40));
    }
    // A record without a text buffer gets the numbers only; no record at all is no reason to crash.
    test::RawRecord<40> record;
    record.Put<wchar_t*>(24, nullptr);
    record.Put<uint32_t>(32, 64);
    test::PluginLibrary& plugin = host.plugin();
    const BOOL claimed =
        Boundary("HBX_IdentifyFileW", [&] { return plugin.IdentifyFileW(nullptr, path.c_str(), record.data(), 0); });
    EXPECT_EQ(claimed != FALSE, ClaimedWithoutContent(expected, path));
    EXPECT_EQ(Boundary("HBX_IdentifyFileW", [&] { return plugin.IdentifyFileW(nullptr, path.c_str(), nullptr, 0); }),
              claimed);
  }
  const Case scope("records: identification with odd paths and records", "no path");
  test::RawRecord<40> record;
  EXPECT_EQ(
      Boundary("HBX_IdentifyFileW", [&] { return host.plugin().IdentifyFileW(nullptr, nullptr, record.data(), 0); }),
      FALSE);
  EXPECT_EQ(Boundary("HBX_IdentifyFileStreamW",
                     [&] { return host.plugin().IdentifyFileStreamW(nullptr, nullptr, nullptr, nullptr); }),
            FALSE);
  host.ExpectCleanEnd(SmallConfiguration());
}

TEST(RecordRobustness, StartUpShutDownAndViewerCreationWithOddArguments) {
  Host host(Host::Kind::Full, false);
  test::PluginLibrary& plugin = host.plugin();
  {
    const Case scope("records: start-up, shut-down and creation", "start-up records");
    EXPECT_EQ(Boundary("HBX_InitEx", [&] { return plugin.InitEx(nullptr); }), FALSE) << "no record: no version";
    EXPECT_EQ(Boundary("HBX_Init", [&] { return plugin.Init(); }), FALSE);
    EXPECT_EQ(Boundary("HBX_USBSafe", [&] { return plugin.USBSafe(reinterpret_cast<void*>(0x10)); }), FALSE);
    Boundary("HBX_Uninit", [&] { plugin.Uninit(); });
    EXPECT_EQ(Boundary("HBX_CreateViewer", [&] { return plugin.CreateViewer(host.window(), nullptr, 0); }), nullptr)
        << "no viewer before a start-up";
    // A record of exactly the 24 bytes that are read, at the end of readable memory.
    GuardedBuffer tiny(12);
    auto* words = reinterpret_cast<uint32_t*>(tiny.data());
    words[4] = 0x00090001;
    words[5] = 0x00030000;
    EXPECT_EQ(Boundary("HBX_InitEx", [&] { return plugin.InitEx(tiny.data()); }), TRUE);
  }
  const Case scope("records: start-up, shut-down and creation", "viewer creation");
  const RECT extreme = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  const std::pair<HWND, const RECT*> arguments[] = {{nullptr, nullptr},
                                                    {reinterpret_cast<HWND>(0x12345), nullptr},
                                                    {host.window(), nullptr},
                                                    {host.window(), &extreme}};
  for (const auto& [parent, place] : arguments) {
    const HWND viewer = Boundary("HBX_CreateViewer", [&] { return plugin.CreateViewer(parent, place, 0xFFFFFFFF); });
    EXPECT_EQ(viewer != nullptr, parent == host.window());
    if (viewer) DestroyWindow(viewer);
  }
  Boundary("HBX_Uninit", [&] { plugin.Uninit(); });
  Boundary("HBX_Uninit", [&] { plugin.Uninit(); });  // one more than start-ups
  host.ExpectCleanEnd(std::nullopt);
}

// What a viewer answers to a host message without pointer arguments; nothing
// for the messages whose answer depends on the editor's state.
std::optional<LRESULT> FixedAnswer(UINT message, WPARAM wParam, bool editor) {
  switch (message) {
    case 0x8F02:
    case 0x8F04:
    case 0x8F08:
    case 0x8F0B:
    case 0x8F11:
    case 0x8F19:
    case 0x8F1B:
    case 0x8F1F:
      return 0;
    case 0x8F06:
      return 1;  // the record is null here
    case 0x8F07:
      return 0x0020BD72;
    case 0x8F0C:
      return 1;
    case 0x8F0E:
    case 0x8F10:
      return editor ? 1 : 0;
    case 0x8F0D:
    case 0x8F0F:
    case 0x8F16:
    case 0x8F18:
      return std::nullopt;
    case 0x8F1D:
    case 0x8F1E:
      return 0;  // no MSG
    case 0x8F24:
      return 0x0190000A;
    case 0x8F2A:
      return wParam != 0 ? 1 : 0;
    default:
      return 0;  // numbers the viewer does not know go to DefWindowProc
  }
}

bool TakesPointers(UINT message) {
  return message == 0x8F02 || message == 0x8F04 || message == 0x8F06 || message == 0x8F18 || message == 0x8F1D ||
         message == 0x8F1E;
}

// Every number around the host's range, with null and random arguments, and
// the records that carry buffers at every small capacity.
void ProbeMessages(const Host& host, Viewer& viewer, Random& random, bool editor) {
  int sent = 0;
  for (UINT message = kFirstProbe; message <= kLastProbe; ++message) {
    for (int round = 0; round < 4; ++round) {
      const bool plain = round == 0 || TakesPointers(message);
      const WPARAM wParam = plain ? 0 : static_cast<WPARAM>(random.Next());
      const LPARAM lParam = plain ? 0 : static_cast<LPARAM>(random.Next());
      const LRESULT answer = viewer.Send(message, wParam, lParam);
      const std::optional<LRESULT> fixed = FixedAnswer(message, wParam, editor);
      if (fixed) {
        EXPECT_EQ(answer, *fixed) << std::hex << "message 0x" << message << " wParam 0x" << wParam;
      }
      if (message == 0x8F18) {
        EXPECT_NE(answer, 0) << "the menu item, even without a count";
      }
      ++sent;
      if (plain && round == 0 && TakesPointers(message)) break;
    }
  }
  for (int i = 0; i < 64; ++i) {
    const auto message =
        static_cast<UINT>(random.Percent(50) ? random.Between(WM_USER + 2, 0x7FFF) : random.Between(0x8F40, 0xBFFF));
    EXPECT_EQ(viewer.Send(message, static_cast<WPARAM>(random.Next()), static_cast<LPARAM>(random.Next())), 0)
        << std::hex << "unknown message 0x" << message;
    ++sent;
  }
  EXPECT_NE(viewer.Send(kFilePathQuery), 0) << "the file path query answers an address";
  // The records with buffers, at every small capacity.
  for (uint32_t capacity = 0; capacity <= 80; ++capacity) {
    GuardedBuffer text(capacity);
    GuardedBuffer record(20);  // exactly the host's 40 bytes
    auto* bytes = reinterpret_cast<uint8_t*>(record.data());
    *reinterpret_cast<wchar_t**>(bytes + 24) = capacity % 7 == 3 ? nullptr : text.data();
    *reinterpret_cast<uint32_t*>(bytes + 32) = capacity;
    EXPECT_EQ(viewer.Send(0x8F06, 0, reinterpret_cast<LPARAM>(bytes)), 1);
    const bool nowhere = capacity == 0 || capacity % 7 == 3;
    EXPECT_TRUE(nowhere ? text.untouched() : text.Text().has_value()) << capacity;
    ++sent;
  }
  GuardedBuffer count(2);
  viewer.Send(0x8F18, reinterpret_cast<WPARAM>(count.data()));
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(count.data()), 1u);
  for (int i = 0; i < 16; ++i) {
    MSG msg = {};
    msg.hwnd = random.Percent(50) ? viewer.window() : reinterpret_cast<HWND>(random.Next() & 0xFFFF);
    msg.message = static_cast<UINT>(random.Percent(50) ? WM_KEYDOWN + random.Below(8) : random.Below(0x10000));
    msg.wParam = random.Below(256);
    msg.lParam = static_cast<LPARAM>(random.Next() & 0xFFFFFFFF);
    const LRESULT shortcut = viewer.Send(0x8F1E, 0, reinterpret_cast<LPARAM>(&msg));
    const LRESULT dialogKey = viewer.Send(0x8F1D, 0, reinterpret_cast<LPARAM>(&msg));
    EXPECT_TRUE((shortcut == 0 || shortcut == 1) && (dialogKey == 0 || dialogKey == 1));
    sent += 2;
  }
  for (const int command : {IDM_FIND, IDA_TOGGLE_SEARCH, IDA_FIND_NEXT_F3, IDA_FIND_PREVIOUS_SHIFT_F3,
                            IDA_FIND_SELECTION_FORWARD, IDA_FIND_SELECTION_BACKWARD, IDA_HIDE_SEARCH, 0xFFFF}) {
    viewer.Send(WM_COMMAND, MAKEWPARAM(command, command == IDM_FIND ? 0 : 1));
    ++sent;
  }
  Count("messages: host messages and records sent", sent);
  host.ExpectCleanEnd(SmallConfiguration());
}

TEST(MessageRobustness, EveryHostMessageBeforeALoadAfterItAndWithoutItsEditor) {
  Host host;
  host.WriteConfig(SmallConfiguration());
  Viewer viewer(host);
  ASSERT_NE(viewer.editor(), nullptr);
  {
    const Case scope("messages: around the host's range", "before a load");
    Random random("messages: before a load", 0);
    ProbeMessages(host, viewer, random, true);
  }
  {
    const Case scope("messages: around the host's range", "after a load");
    Random random("messages: after a load", 0);
    ASSERT_EQ(viewer.OpenPath(host.WriteFile(L"a.c", "int a; int b;\n")), 1);
    viewer.Send(WM_COMMAND, IDM_FIND);  // the search panel is shown while probing
    ProbeMessages(host, viewer, random, true);
  }
  {
    const Case scope("messages: around the host's range", "after the search panel is gone");
    Random random("messages: without the panel", 0);
    DestroyWindow(GetDlgItem(viewer.window(), 2));
    ProbeMessages(host, viewer, random, true);
  }
  {
    const Case scope("messages: around the host's range", "after the editor is gone");
    Random random("messages: without the editor", 0);
    DestroyWindow(viewer.editor());
    EXPECT_EQ(viewer.OpenPath(host.WriteFile(L"b.c", "int c;\n")), 0) << "nothing can be shown without the editor";
    EXPECT_EQ(viewer.Send(0x8F0D), 100) << "zoom query without the editor";
    ProbeMessages(host, viewer, random, false);
  }
  {
    const Case scope("messages: around the host's range", "after the viewer's object is gone");
    viewer.Send(WM_DESTROY);  // the object goes; the window stays until the host destroys it
    for (UINT message = kFirstProbe; message <= kLastProbe; ++message) EXPECT_EQ(viewer.Send(message), 0);
    EXPECT_EQ(viewer.Send(kFilePathQuery), 0);
    Count("messages: host messages and records sent", static_cast<int>(kLastProbe - kFirstProbe + 2));
  }
  const HWND gone = viewer.window();
  viewer.Close();
  {
    const Case scope("messages: around the host's range", "after the viewer is gone");
    for (UINT message = kFirstProbe; message <= kLastProbe; ++message) EXPECT_EQ(SendMessageW(gone, message, 0, 0), 0);
  }
  host.ExpectCleanEnd(SmallConfiguration());
}

}  // namespace
}  // namespace lumen::robustness
