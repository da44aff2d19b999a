#include "FindBox.h"

#include <algorithm>
#include <stdexcept>

#include "WindowClass.h"
#include "base/Controls.h"

namespace lumen::demo {
namespace {

constexpr wchar_t kPaneClass[] = L"tessera.folioutilitypane";
constexpr wchar_t kInnerPaneClass[] = L"tessera.folioutilitypaneinner";
constexpr int kLabelId = 1;
constexpr int kMargin = 4;

HWND FirstChild(HWND window) { return GetWindow(window, GW_CHILD); }

// Containers with one child give it their whole client area.
void FillWithFirstChild(HWND window) {
  RECT client;
  if (HWND child = FirstChild(window); child && GetClientRect(window, &client)) {
    MoveWindow(child, 0, 0, client.right, client.bottom, TRUE);
  }
}

int TextWidth(HWND window, const std::wstring& text) {
  const HDC dc = GetDC(window);
  if (!dc) return 0;
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return size.cx;
}

// The label on the left at its text's width, the combo box in the rest,
// both centred on the combo box's own (fixed) height.
void LayOutRow(HWND dialog, HWND label, HWND combo) {
  RECT client;
  if (!GetClientRect(dialog, &client)) return;
  const int labelWidth = TextWidth(label, WindowText(label)) + 2 * kMargin;
  const int comboHeight = WindowHeight(combo);
  const int top = (client.bottom - comboHeight) / 2;
  MoveWindow(label, kMargin, top, labelWidth, comboHeight, TRUE);
  const int comboX = kMargin + labelWidth;
  // A drop-down combo box is given the height of its open list; its own stays.
  MoveWindow(combo, comboX, top, std::max<int>(client.right - comboX - kMargin, 0), comboHeight * 8, TRUE);
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    FillWithFirstChild(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK BoxDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
      case WM_SIZE:
        if (HWND label = GetDlgItem(dialog, kLabelId)) {
          LayOutRow(dialog, label, GetWindow(label, GW_HWNDNEXT));
        } else {
          FillWithFirstChild(dialog);
        }
        return TRUE;
      case WM_COMMAND:  // the combo box's notifications are the frame's business
        SendMessageW(GetAncestor(dialog, GA_ROOT), WM_COMMAND, wParam, lParam);
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    return FALSE;  // a layout that failed leaves the controls where they were
  }
}

// An empty child dialog ("#32770"), sized by its parent's layout.
HWND CreateChildDialog(HINSTANCE instance, HWND parent) {
  struct alignas(4) {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } empty = {{WS_CHILD | WS_VISIBLE | DS_CONTROL, WS_EX_CONTROLPARENT, 0, 0, 0, 0, 0}, 0, 0, 0};
  return CreateDialogIndirectParamW(instance, &empty.header, parent, BoxDialogProc, 0);
}

HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, HWND parent, int id, HINSTANCE instance) {
  return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

}  // namespace

void RegisterFindBoxClasses(HINSTANCE instance) {
  RegisterWindowClass(instance, kPaneClass, PaneProc, COLOR_BTNFACE);
  RegisterWindowClass(instance, kInnerPaneClass, PaneProc, COLOR_BTNFACE);
}

FindBox::FindBox(HINSTANCE instance, HWND frame, int comboId, const std::wstring& label, HFONT font)
    : pane_(CreateChild(kPaneClass, L"", WS_CLIPCHILDREN, frame, 0, instance)) {
  const HWND inner = pane_ ? CreateChild(kInnerPaneClass, L"", WS_CLIPCHILDREN, pane_.get(), 0, instance) : nullptr;
  const HWND outerDialog = inner ? CreateChildDialog(instance, inner) : nullptr;
  const HWND innerDialog = outerDialog ? CreateChildDialog(instance, outerDialog) : nullptr;
  const HWND labelWindow =
      innerDialog ? CreateChild(L"STATIC", label.c_str(), SS_LEFT | SS_CENTERIMAGE, innerDialog, kLabelId, instance)
                  : nullptr;
  combo_ = labelWindow ? CreateChild(L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                                     innerDialog, comboId, instance)
                       : nullptr;
  if (!combo_) throw std::runtime_error("cannot create the host's find box");
  for (HWND control : {labelWindow, combo_}) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool FindBox::Contains(HWND window) const { return window && (window == pane() || IsChild(pane(), window)); }

int FindBox::PreferredHeight() const { return WindowHeight(combo_) + 2 * kMargin; }

std::wstring FindBox::Text() const { return WindowText(combo_); }

void FindBox::SetText(const std::wstring& text) const { SetWindowTextW(combo_, text.c_str()); }

}  // namespace lumen::demo
