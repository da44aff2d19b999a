#pragma once
// Screenshot mode: the program does what a person does first (a file is
// selected, Ctrl+F opens the search panel, a word is typed into it), waits
// for the window to paint, saves a picture of it and ends. The exit code
// tells whether every step had its visible effect. Without the panel steps
// the picture shows what the file's loading alone did. With the
// configuration steps it chooses Configure..., takes the picture with the
// dialog open, and confirms it with OK. With the menu step the picture shows
// lumen's context menu; with the paste step, the file's first lines copied
// with colours (Ctrl+Shift+C) and pasted into a rich edit control, as a word
// processor shows them; with the filter step, only the lines that match the
// search, the panel's check box clicked.
#include <string>
#include <windows.h>

#include "MainWindow.h"
#include "base/Handles.h"

namespace lumen::demo {

class Tour {
 public:
  // `target`: the file or folder asked for. `searchText` empty: a frequent
  // word of the file shown.
  Tour(MainWindow& window, std::wstring target, std::wstring searchText, std::wstring picturePath, bool usePanel,
       bool configure, bool menu = false, bool paste = false, bool filter = false);
  ~Tour();
  Tour(const Tour&) = delete;
  Tour& operator=(const Tour&) = delete;

  void Start();

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  enum StepName { kOpenPanel, kType, kSettle, kConfigure, kConfirm, kCheckReload, kMenu, kMenuPicture, kCopy, kPaste, kPastePicture, kFilter, kFilterSettle, kPicture };

  void Step();
  bool SearchPanelShown() const;
  // False, with the tour ended, when the picture cannot be taken or saved.
  bool TakePicture(HWND window);
  void End(int exitCode, const std::wstring& message);
  void Finish();

  MainWindow& window_;
  std::wstring target_;
  std::wstring searchText_;
  std::wstring picturePath_;
  bool usePanel_;
  bool configure_;
  bool menu_;
  bool paste_;
  bool filter_;
  UniqueModule richEditLibrary_;
  UniqueWindow pasted_;  // the rich edit the copy is pasted into
  UINT_PTR timer_ = 0;
  bool ending_ = false;
  int exitCode_ = 0;
  int step_ = 0;
};

}  // namespace lumen::demo
