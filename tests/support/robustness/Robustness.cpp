#include "Robustness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "EditorStandIn.h"
#include "TestFiles.h"
#include "ViewerHarness.h"

namespace lumen::robustness {
namespace {

// Change it (or set LUMEN_ROBUSTNESS_SEED) to explore other cases; CI always
// runs these.
constexpr uint64_t kSuiteSeed = 0x6C756D656E2D7262;

uint64_t SuiteSeed() {
  const char* text = std::getenv("LUMEN_ROBUSTNESS_SEED");
  return text && *text ? std::strtoull(text, nullptr, 0) : kSuiteSeed;
}

uint64_t HashOf(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (const unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

// What the watchdog and the crash filter need; the case name is kept in a
// plain buffer so that a crashing process can print it without a lock.
struct SuiteState {
  std::mutex lock;
  ULONGLONG deadline = 0;  // 0: no case running
  int seconds = 0;
  std::map<std::string, int> counts;  // per kind; sorted, so the kinds of one area stand together
  char caseName[512] = "";
  std::wstring base;
  HANDLE stop = nullptr;
  std::thread watchdog;
};

SuiteState& State() {
  static SuiteState state;
  return state;
}

void Say(const char* format, const char* text, unsigned long number = 0) {
  std::fprintf(stderr, format, text, number);
  std::fflush(stderr);
}

LONG WINAPI NameTheCrash(EXCEPTION_POINTERS* pointers) {
  Say("\nrobustness: the process crashed in case \"%s\" (exception 0x%08lx)\n", State().caseName,
      pointers ? pointers->ExceptionRecord->ExceptionCode : 0);
  // Where: the module and the offset in it, for a crash seen once in many runs.
  if (pointers) {
    const void* address = pointers->ExceptionRecord->ExceptionAddress;
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(address), &module)) {
      GetModuleFileNameA(module, name, MAX_PATH);
    }
    std::fprintf(stderr, "robustness: at %s+0x%llx\n", name,
                 static_cast<unsigned long long>(static_cast<const char*>(address) -
                                                 reinterpret_cast<const char*>(module)));
    std::fflush(stderr);
  }
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

// An exception that unwound out of a window procedure ends here.
[[noreturn]] void NameTheTermination() {
  Say("\nrobustness: the process was terminated in case \"%s\"\n", State().caseName);
  TerminateProcess(GetCurrentProcess(), 5);
  std::abort();
}

void WatchCases() {
  SuiteState& state = State();
  while (WaitForSingleObject(state.stop, 250) == WAIT_TIMEOUT) {
    std::lock_guard guard(state.lock);
    if (state.deadline != 0 && GetTickCount64() > state.deadline) {
      Say("\nrobustness: case \"%s\" hangs: still running after %lu s\n", state.caseName,
          static_cast<unsigned long>(state.seconds));
      TerminateProcess(GetCurrentProcess(), 4);
    }
  }
}

std::wstring MakeFolder(const std::wstring& path) {
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

// Private folders, the crash filter and the watchdog for the whole program;
// the counts are printed at its end.
class SuiteEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SuiteState& state = State();
    wchar_t temporary[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temporary);
    state.base = MakeFolder(std::wstring(temporary) + L"lumen-robustness-" + std::to_wstring(GetCurrentProcessId()));
    MakeFolder(state.base + L"\\cases");
    SetEnvironmentVariableW(L"TMP", MakeFolder(PrivateTemporaryFolder()).c_str());
    SetEnvironmentVariableW(L"TEMP", PrivateTemporaryFolder().c_str());
    SetCurrentDirectoryW(MakeFolder(PrivateCurrentFolder()).c_str());
    if (!getenv("LUMEN_NO_CRASH_FILTER")) SetUnhandledExceptionFilter(&NameTheCrash);
    std::set_terminate(&NameTheTermination);
    state.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    state.watchdog = std::thread(&WatchCases);
  }

  void TearDown() override {
    SuiteState& state = State();
    SetEvent(state.stop);
    state.watchdog.join();
    CloseHandle(state.stop);
    std::printf("\nRobustness cases tried (seed 0x%llx):\n%s", static_cast<unsigned long long>(SuiteSeed()),
                Counts().c_str());
    std::fflush(stdout);
    SetCurrentDirectoryW(test::ProgramFolder().c_str());
    test::RemoveTree(state.base);
  }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SuiteEnvironment);

constexpr wchar_t kHostWindowClass[] = L"lumen.robustness.host";
constexpr UINT kReloadSettings = 0x8F1F;

}  // namespace

Random::Random(const std::string& kind, int index)
    : engine_(SuiteSeed() ^ HashOf(kind) ^ (static_cast<uint64_t>(index) * 0x9E3779B97F4A7C15ull)) {}

std::string Random::Bytes(size_t count) {
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(engine_() & 0xFF);
  return bytes;
}

size_t Random::Length(size_t largest) {
  const size_t band = Below(10);
  const size_t limit = band < 4 ? 64 : band < 7 ? 4096 : band < 9 ? 65536 : largest;
  return Below(std::min(limit, largest) + 1);
}

bool OverTheRealControl() {
  static const bool real =
      GetFileAttributesW((test::ProgramFolder() + L"\\Scintilla.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
  return real;
}

namespace {
std::string CountedKind(const std::string& kind) { return OverTheRealControl() ? "real control, " + kind : kind; }
}  // namespace

Case::Case(const std::string& kind, const std::string& name, int seconds) {
  SuiteState& state = State();
  std::lock_guard guard(state.lock);
  const std::string full = CountedKind(kind) + ": " + name;
  std::snprintf(state.caseName, sizeof state.caseName, "%s", full.c_str());
  state.seconds = seconds;
  state.deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  ++state.counts[CountedKind(kind)];
}

Case::~Case() {
  SuiteState& state = State();
  std::lock_guard guard(state.lock);
  state.deadline = 0;
}

void Count(const std::string& kind, int cases) {
  SuiteState& state = State();
  std::lock_guard guard(state.lock);
  state.counts[CountedKind(kind)] += cases;
}

std::string Counts() {
  SuiteState& state = State();
  std::lock_guard guard(state.lock);
  std::string lines;
  for (const auto& [kind, count] : state.counts) {
    char line[256];
    std::snprintf(line, sizeof line, "  %7d  %s\n", count, kind.c_str());
    lines += line;
  }
  return lines;
}

std::wstring PrivateTemporaryFolder() { return State().base + L"\\temp"; }
std::wstring PrivateCurrentFolder() { return State().base + L"\\cwd"; }

std::wstring NewCaseFolder() {
  static std::atomic<int> counter{0};
  return MakeFolder(State().base + L"\\cases\\" + std::to_wstring(counter++));
}

void ExpectNothingWrittenOutside(const std::string& when) {
  for (const std::wstring& folder : {PrivateTemporaryFolder(), PrivateCurrentFolder()}) {
    const std::wstring written = test::ListFolder(folder);
    if (!written.empty()) {
      ADD_FAILURE() << when << ": files appeared in " << test::ToUtf8(folder) << ":\n" << test::ToUtf8(written);
      test::RemoveTree(folder);  // one report per fault, not one per later case
      MakeFolder(folder);
    }
  }
}

const std::vector<std::string>& HostFunctionNames() {
  static const std::vector<std::string> names = {"XMLLoadFileW",
                                                 "XMLSaveFileW",
                                                 "XMLCreateFile",
                                                 "XMLFreeFile",
                                                 "XMLAddChildNodeW",
                                                 "XMLFindChildNodeW",
                                                 "XMLEnumChildNodesW",
                                                 "XMLSetNodeNameW",
                                                 "XMLGetNodeValueW",
                                                 "XMLSetNodeValueW",
                                                 "XMLSetNodeDWORDValue",
                                                 "XMLGetNodeDWORDLONGValue",
                                                 "XMLGetNodeAttributeW",
                                                 "XMLSetNodeAttributeW",
                                                 "XMLSetNodeBoolAttributeW",
                                                 "XMLGetNodeIntAttributeW",
                                                 "XMLGetNodeDWORDAttributeW",
                                                 "XMLSetNodeDWORDAttributeW",
                                                 "GetConfigPathW",
                                                 "GetString"};
  return names;
}

std::map<std::string, int> HostCallsOf(Host& host, const std::function<void()>& action) {
  host.standIn()->Reset();
  action();
  std::map<std::string, int> calls;
  for (const std::string& function : HostFunctionNames()) calls[function] = host.standIn()->CallCount(function);
  return calls;
}

int DocumentsTheHostMayKeep(const std::string& failing, int call, int before, int open) {
  if (failing != "XMLFreeFile") return before;
  return call == 0 ? open : std::min(open, before + 1);
}

std::string ShippedConfiguration() { return test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml"); }
std::string SmallConfiguration() { return test::TestConfiguration(); }

Host::Host(Kind kind, bool start) : kind_(kind), root_(NewCaseFolder()) {
  configFolder_ = MakeFolder(MakeFolder(root_ + L"\\Host") + L"\\Config");
  filesFolder_ = MakeFolder(root_ + L"\\Files");
  if (kind != Kind::Missing) {
    standIn_ = std::make_unique<test::HostStandIn>(kind == Kind::Full ? test::HostStandIn::Build::Full
                                                                      : test::HostStandIn::Build::Reduced);
    standIn_->Reset();
    standIn_->SetConfigFolder(configFolder_);
  }
  plugin_ = std::make_unique<test::PluginLibrary>();
  if (start) {
    started_ = plugin_->StartUp() != FALSE;
    EXPECT_TRUE(started_) << "lumen.dll refused to start";
  }
  static const ATOM windowClass = [] {
    WNDCLASSW description = {};
    description.lpfnWndProc = &Host::WindowProc;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = kHostWindowClass;
    return RegisterClassW(&description);
  }();
  (void)windowClass;
  window_ = CreateWindowExW(0, kHostWindowClass, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20,
                            820, 640, nullptr, nullptr, GetModuleHandleW(nullptr), this);
}

Host::~Host() {
  if (window_) DestroyWindow(window_);
  Pump();
  if (started_) plugin_->Uninit();
  plugin_.reset();
  standIn_.reset();
  test::RemoveTree(root_);
}

LRESULT CALLBACK Host::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (host && host->onMessage) {
    std::function<void(UINT)> action;  // one at a time: the action may make more messages
    action.swap(host->onMessage);
    action(message);
    if (!host->onMessage) host->onMessage.swap(action);
  }
  if (host && message == kReloadSettings) {
    host->reloadRequests_.push_back(lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Host::WriteConfig(const std::string& bytes) const { test::WriteBytes(configPath(), bytes); }

void Host::RemoveConfig() const { DeleteFileW(configPath().c_str()); }

std::optional<std::string> Host::ConfigBytes() const {
  if (!test::FileExists(configPath())) return std::nullopt;
  try {
    return test::ReadBytes(configPath());
  } catch (const std::exception&) {
    return std::string("<unreadable>");  // locked by the case itself
  }
}

std::wstring Host::WriteFile(const std::wstring& name, const std::string& bytes) const {
  const std::wstring path = filesFolder_ + L"\\" + name;
  test::WriteBytes(path, bytes);
  return path;
}

std::vector<LPARAM> Host::TakeReloadRequests() {
  Pump();
  std::vector<LPARAM> taken;
  taken.swap(reloadRequests_);
  return taken;
}

bool Host::Pump() {
  bool quit = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return quit;
}

void Host::ExpectCleanEnd(const std::optional<std::string>& expected, int leaked) const {
  EXPECT_EQ(OpenDocuments(), leaked) << "documents left open in the host";
  const std::optional<std::string> now = ConfigBytes();
  EXPECT_EQ(now.has_value(), expected.has_value()) << "the configuration file appeared or vanished";
  if (now && expected && *now != *expected) {
    ADD_FAILURE() << "the configuration file changed (" << expected->size() << " -> " << now->size() << " bytes)";
  }
  EXPECT_EQ(test::ListFolder(configFolder_), expected ? L"lumen.config.xml\n" : L"")
      << "only the configuration file may lie in its folder";
  const std::wstring logs = test::ListFolder(root_ + L"\\Logs");
  EXPECT_TRUE(logs.empty() || logs == L"lumen.log\n") << "only the log may lie in the log folder";
  EXPECT_EQ(test::ListFolder(root_ + L"\\Host"), L"Config\n");
  ExpectNothingWrittenOutside(State().caseName);
}

GuardedBuffer::GuardedBuffer(size_t count) : count_(count) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const size_t page = system.dwPageSize;
  const size_t bytes = count * sizeof(wchar_t);
  const size_t pages = (bytes + page - 1) / page + 1;
  auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!base) throw std::bad_alloc();
  base_ = base;
  DWORD old = 0;
  VirtualProtect(base + (pages - 1) * page, page, PAGE_NOACCESS, &old);
  data_ = reinterpret_cast<wchar_t*>(base + (pages - 1) * page - bytes);
  for (size_t i = 0; i < count; ++i) data_[i] = 0xFFFF;
}

GuardedBuffer::~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }

bool GuardedBuffer::untouched() const {
  for (size_t i = 0; i < count_; ++i) {
    if (data_[i] != 0xFFFF) return false;
  }
  return true;
}

std::optional<std::wstring> GuardedBuffer::Text() const {
  for (size_t i = 0; i < count_; ++i) {
    if (data_[i] == 0) return std::wstring(data_, i);
  }
  return std::nullopt;
}

void ReportEscapedException(const char* what) { ADD_FAILURE() << "a C++ exception came out of " << what; }

Viewer::Viewer(Host& host, const RECT* place) {
  static const RECT pane = {0, 0, 800, 600};
  window_ =
      Boundary("HBX_CreateViewer", [&] { return host.plugin().CreateViewer(host.window(), place ? place : &pane, 0); });
  if (!window_) ADD_FAILURE() << "HBX_CreateViewer failed";
}

Viewer::~Viewer() { Close(); }

void Viewer::Close() {
  if (window_ && IsWindow(window_)) Boundary("the viewer's destruction", [&] { return DestroyWindow(window_); });
  window_ = nullptr;
}

LRESULT Viewer::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return Boundary("the viewer window procedure", [&] { return SendMessageW(window_, message, wParam, lParam); });
}

std::optional<std::string> Viewer::Document() const {
  const HWND control = editor();
  if (!control) return std::nullopt;
  return test::DocumentText(control);
}

std::wstring Viewer::Describe(uint32_t capacity) const {
  std::vector<wchar_t> text(capacity + 1, L'\0');
  alignas(8) uint8_t record[40] = {};
  *reinterpret_cast<wchar_t**>(record + 24) = text.data();
  *reinterpret_cast<uint32_t*>(record + 32) = capacity;
  Send(0x8F06, 0, reinterpret_cast<LPARAM>(record));
  return text.data();
}

}  // namespace lumen::robustness
