// The window side of the editor stand-in: the "Scintilla" class, one
// EditorState per window, the log of received messages, notifications to the
// parent, the clipboard and painting, and the test-facing exports.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "EditorStandInApi.h"
#include "EditorState.h"

namespace lumen::editor_standin {
namespace {

constexpr wchar_t kClassName[] = L"Scintilla";

// Editors live from WM_NCCREATE to WM_NCDESTROY. Each is used by the thread
// of its window only, but windows of several threads share the table.
std::map<HWND, std::unique_ptr<EditorState>>& Editors() {
  static std::map<HWND, std::unique_ptr<EditorState>> editors;
  return editors;
}
std::mutex editorsLock;

EditorState* Find(HWND window) {
  const std::lock_guard<std::mutex> hold(editorsLock);
  const auto found = Editors().find(window);
  return found == Editors().end() ? nullptr : found->second.get();
}

void Add(HWND window) {
  auto editor = std::make_unique<EditorState>();
  const std::lock_guard<std::mutex> hold(editorsLock);
  Editors()[window] = std::move(editor);
}

void Remove(HWND window) {
  std::unique_ptr<EditorState> editor;
  const std::lock_guard<std::mutex> hold(editorsLock);
  const auto found = Editors().find(window);
  if (found == Editors().end()) return;
  editor = std::move(found->second);
  Editors().erase(found);
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

void Notify(HWND window, unsigned code, int updated = 0) {
  const HWND parent = GetParent(window);
  if (!parent) return;
  sci::SCNotification notification{};
  notification.nmhdr.hwndFrom = window;
  notification.nmhdr.idFrom = static_cast<uintptr_t>(GetDlgCtrlID(window));
  notification.nmhdr.code = code;
  notification.updated = updated;
  SendMessageW(parent, WM_NOTIFY, notification.nmhdr.idFrom, reinterpret_cast<LPARAM>(&notification));
}

// What notifications compare: the state before and after one message.
struct Observed {
  int caret;
  int anchor;
  unsigned contentVersion;
  int zoom;
};

Observed Observe(const EditorState& editor) {
  return {editor.caret, editor.anchor, editor.contentVersion, editor.zoom};
}

void NotifyChanges(HWND window, const Observed& before, const Observed& after) {
  int updated = 0;
  if (after.contentVersion != before.contentVersion) updated |= sci::SC_UPDATE_CONTENT;
  if (after.caret != before.caret || after.anchor != before.anchor) updated |= sci::SC_UPDATE_SELECTION;
  if (updated) Notify(window, sci::SCN_UPDATEUI, updated);
  if (after.zoom != before.zoom) Notify(window, sci::SCN_ZOOM);
}

struct GlobalMemoryFree {
  void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
using GlobalMemory = std::unique_ptr<void, GlobalMemoryFree>;

// Another program may hold the clipboard for a moment.
bool OpenClipboardRetrying(HWND window) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (OpenClipboard(window)) return true;
    Sleep(5);
  }
  return false;
}

void CopySelection(HWND window, const EditorState& editor) {
  std::string selected = SelectedText(editor);
  if (selected.empty()) return;
  std::replace(selected.begin(), selected.end(), '\0', ' ');  // a zero would cut the text short
  const std::wstring text = Widen(selected);
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
  if (!memory) return;
  void* units = GlobalLock(memory.get());
  if (!units) return;
  std::memcpy(units, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory.get());
  if (!OpenClipboardRetrying(window)) return;
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();  // the clipboard owns it now
  CloseClipboard();
}

class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Enough to see the text in a screenshot: white ground, the first lines.
void Paint(HWND window, const EditorState& editor) {
  const PaintScope paint(window);
  if (!paint.dc()) return;
  RECT client{};
  GetClientRect(window, &client);
  FillRect(paint.dc(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const HGDIOBJ oldFont = SelectObject(paint.dc(), GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(paint.dc(), &metrics);
  const std::string_view text = editor.text;
  size_t lineStart = 0;
  for (int y = 0; y < client.bottom && lineStart <= text.size(); y += std::max<int>(1, metrics.tmHeight)) {
    const size_t lineEnd = std::min(text.find_first_of("\r\n", lineStart), text.size());
    const std::wstring line = Widen(text.substr(lineStart, lineEnd - lineStart));
    TextOutW(paint.dc(), 2, y, line.c_str(), static_cast<int>(line.size()));
    if (lineEnd == text.size()) break;
    lineStart = lineEnd + (text.compare(lineEnd, 2, "\r\n") == 0 ? 2 : 1);
  }
  SelectObject(paint.dc(), oldFont);
}

std::optional<LRESULT> HandleWindowMessage(HWND window, EditorState& editor, UINT message) {
  switch (message) {
    case WM_COPY: CopySelection(window, editor); return 0;
    case WM_PAINT: Paint(window, editor); return 0;
    case WM_ERASEBKGND: return 1;  // painting covers everything
    case WM_GETDLGCODE: return DLGC_HASSETSEL | DLGC_WANTALLKEYS;
    case WM_SETFOCUS: return 0;
    default: return std::nullopt;
  }
}

LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) Add(window);
  EditorState* editor = Find(window);
  if (!editor) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    Remove(window);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  editor->log.push_back({message, wParam, lParam, PassedText(message, lParam)});
  const Observed before = Observe(*editor);
  std::optional<LRESULT> result = HandleWindowMessage(window, *editor, message);
  if (!result) result = HandleEditorMessage(*editor, message, wParam, lParam);
  if (!result) result = DefWindowProcW(window, message, wParam, lParam);
  // Default handling may have destroyed the window, and the editor with it.
  editor = Find(window);
  if (!editor) return *result;
  NotifyChanges(window, before, Observe(*editor));
  if (message == WM_SETFOCUS) Notify(window, sci::SCN_FOCUSIN);
  return *result;
}

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return Dispatch(window, message, wParam, lParam);
  } catch (...) {
    return 0;  // out of memory: the message is dropped (WM_NCCREATE then fails the creation)
  }
}

bool RegisterEditorClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = EditorWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0;
}

int CopyOut(const std::string& value, char* buffer, int capacity) {
  if (buffer && capacity > 0) {
    const size_t count = std::min(value.size(), static_cast<size_t>(capacity - 1));
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
  }
  return static_cast<int>(value.size());
}

}  // namespace
}  // namespace lumen::editor_standin

using lumen::editor_standin::CopyOut;
using lumen::editor_standin::Find;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    return lumen::editor_standin::RegisterEditorClass(instance);
  }
  // Unloaded by FreeLibrary (not at process end): a later load registers anew.
  if (reason == DLL_PROCESS_DETACH && !reserved) UnregisterClassW(lumen::editor_standin::kClassName, instance);
  return TRUE;
}

// The test-facing exports throw nothing: lookups and copies only.
int WINAPI EditorStandIn_MessageCount(HWND editor) {
  const auto* state = Find(editor);
  return state ? static_cast<int>(state->log.size()) : -1;
}

int WINAPI EditorStandIn_MessageAt(HWND editor, int index, EditorStandInMessage* message, char* text, int capacity) {
  const auto* state = Find(editor);
  if (!state || index < 0 || index >= static_cast<int>(state->log.size())) return -1;
  const auto& recorded = state->log[static_cast<size_t>(index)];
  if (message) *message = {recorded.message, recorded.wParam, recorded.lParam};
  return CopyOut(recorded.text, text, capacity);
}

BOOL WINAPI EditorStandIn_ClearMessages(HWND editor) {
  auto* state = Find(editor);
  if (!state) return FALSE;
  state->log.clear();
  return TRUE;
}

int WINAPI EditorStandIn_Keywords(HWND editor, int set, char* text, int capacity) {
  const auto* state = Find(editor);
  if (!state || set < 0 || set >= static_cast<int>(state->keywords.size())) return -1;
  return CopyOut(state->keywords[static_cast<size_t>(set)], text, capacity);
}
