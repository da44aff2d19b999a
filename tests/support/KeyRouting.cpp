#include "KeyRouting.h"

#include <cstring>

#include "abi/HostMessages.h"

namespace lumen::test {
namespace {
constexpr UINT kShortcutKey = HBXPLUGINMSG_SHORTCUTKEY;
constexpr UINT kDialogKeys = HBXPLUGINMSG_DIALOGKEYS;

bool RouteKey(HWND viewer, UINT message, UINT key, LPARAM lParam) {
  MSG msg = {};
  msg.hwnd = GetFocus() ? GetFocus() : viewer;
  msg.message = message;
  msg.wParam = key;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  if (SendMessageW(viewer, kShortcutKey, 0, reinterpret_cast<LPARAM>(&msg))) return true;
  if (!IsWindow(viewer) || SendMessageW(viewer, kDialogKeys, 0, reinterpret_cast<LPARAM>(&msg))) return false;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return false;
}
}  // namespace

bool PressKeyInViewer(HWND viewer, UINT key, bool ctrl, bool shift) {
  BYTE saved[256];
  GetKeyboardState(saved);
  BYTE state[256];
  std::memcpy(state, saved, sizeof state);
  state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
  state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
  state[key] = 0x80;
  SetKeyboardState(state);
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  const bool used = RouteKey(viewer, WM_KEYDOWN, key, 1 | (scan << 16));
  state[key] = 0;
  SetKeyboardState(state);
  if (IsWindow(viewer)) RouteKey(viewer, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
  SetKeyboardState(saved);
  PumpThreadMessages();
  return used;
}

void PumpThreadMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace lumen::test
