#pragma once
// Driving the configuration dialog of the real lumen.dll the way a user and
// the host do: window messages to its controls, a message loop that runs
// until the dialog asks it to end, and modal boxes answered from a hook.
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "dialog/DialogLayout.h"

namespace lumen::test {

// Stands in for the host's main window; it keeps the reload requests posted to it.
class HostWindow {
 public:
  explicit HostWindow(RECT bounds = {200, 150, 1000, 850});
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return window_; }
  // (wParam, lParam) of every HBXPLUGINMSG_RELOADSETTINGS dispatched to it.
  const std::vector<std::pair<WPARAM, LPARAM>>& reloads() const { return reloads_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
  std::vector<std::pair<WPARAM, LPARAM>> reloads_;
};

// Dispatches every message waiting for this thread; true when the quit
// message was among them.
bool PumpMessages();

// An open configuration dialog; destroyed with the object, as the host does.
class OpenDialog {
 public:
  explicit OpenDialog(HWND dialog);
  ~OpenDialog();
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;

  HWND handle() const { return dialog_; }
  // The children in creation order.
  const std::vector<HWND>& children() const { return children_; }
  HWND operator[](DialogControl control) const;

  // What the user does.
  void Click(DialogControl button) const;
  void Choose(DialogControl combo, int index) const;  // and the dialog hears of it
  void SetChecked(DialogControl box, bool checked) const;
  void Type(DialogControl edit, const std::wstring& text) const;
  // Click, then the message loop until it ends; true when it did.
  bool ClickAndRun(DialogControl button) const;

  // What the user sees.
  std::wstring Text(DialogControl control) const;
  bool Checked(DialogControl box) const;
  int Selection(DialogControl combo) const;
  int Count(DialogControl combo) const;
  std::wstring Entry(DialogControl combo, int index) const;
  std::wstring SelectedEntry(DialogControl combo) const { return Entry(combo, Selection(combo)); }
  RECT Bounds(DialogControl control) const;  // in the dialog's client coordinates

 private:
  HWND dialog_;
  std::vector<HWND> children_;
};

// Answers the modal boxes that `owner` opens while the object lives, from a
// CBT hook on this thread: `answer` gets each box as it is activated and posts
// or sends what a user would do.
class ModalAnswerer {
 public:
  ModalAnswerer(HWND owner, std::function<void(HWND box)> answer);
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  // The text of each box seen (the message of a message box), in order.
  const std::vector<std::wstring>& texts() const { return texts_; }
  const std::vector<std::wstring>& titles() const { return titles_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HWND owner_;
  std::function<void(HWND)> answer_;
  HHOOK hook_;
  HWND answered_ = nullptr;
  std::vector<std::wstring> texts_, titles_;
};

// Presses a button of a modal box (IDOK, IDCANCEL, IDRETRY, ...).
void PressButton(HWND box, int id);
// The texts of a window's static controls, joined by line breaks.
std::wstring StaticTexts(HWND window);

}  // namespace lumen::test
