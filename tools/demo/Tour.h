#pragma once
// Screenshot mode: the program does what a person does first (a file is
// selected, Ctrl+F opens the search panel, a word is typed into it), waits
// for the window to paint, saves a picture of it and ends. The exit code
// tells whether every step had its visible effect. Without the panel steps
// the picture shows what the file's loading alone did.
#include <string>
#include <windows.h>

#include "MainWindow.h"

namespace lumen::demo {

class Tour {
 public:
  // `searchText` empty: a frequent word of the file shown.
  Tour(MainWindow& window, std::wstring filePath, std::wstring searchText, std::wstring picturePath, bool usePanel);
  ~Tour();
  Tour(const Tour&) = delete;
  Tour& operator=(const Tour&) = delete;

  void Start();

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Step();
  bool SearchPanelShown() const;
  void End(int exitCode, const std::wstring& message);

  MainWindow& window_;
  std::wstring filePath_;
  std::wstring searchText_;
  std::wstring picturePath_;
  bool usePanel_;
  UINT_PTR timer_ = 0;
  int step_ = 0;
};

}  // namespace lumen::demo
