#pragma once
// The configuration dialog: a modeless dialog over a private copy of the whole
// configuration. Nothing reaches the file before OK; OK writes what was edited
// into the file (the rest of it stays as it is) and asks the host to reload
// its viewers. The dialog never destroys itself: OK, Cancel
// and the close box end the message loop of its thread, and the host, which
// holds the window, destroys it.
#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <windows.h>

#include "config/Model.h"
#include "dialog/DialogLayout.h"
#include "base/Controls.h"

namespace lumen {

// The work of HBX_Configure: the dialog over a fresh copy of the configuration
// file, or null when the dialog cannot be made. Throws std::logic_error and the
// loaders' errors when the configuration cannot be found or read.
HWND OpenConfigDialog(HINSTANCE module, HWND parent, HWND notifyWindow, uint32_t notifyData);

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Control ids: the dialog reacts to these. The two font combos share one id, and
// each alpha edit shares one with its up-down control.
enum DialogControlId : int {
  kStyleComboId = 1,
  kLanguageComboId = 2,
  kFontComboId = 3,
  kAlphaId = 4,
  kOkId = 5,
  kCancelId = 6,
  kForegroundId = 7,
  kBackgroundId = 8,
  kHighlightId = 9,
  kSchemeComboId = 10,
  kModeComboId = 11,
};

class ConfigDialog {
 public:
  ConfigDialog(std::wstring configPath, HINSTANCE instance, HWND notifyWindow, uint32_t notifyData);
  ConfigDialog(const ConfigDialog&) = delete;
  ConfigDialog& operator=(const ConfigDialog&) = delete;

  void OnInitDialog(HWND dialog);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Whether the set-up stopped half-way; such a dialog is not handed out.
  bool setUpFailed() const { return setUpFailed_; }
  // Shows an error that stopped an action, under the dialog's title.
  void ReportError(const std::exception& error) const noexcept;

 private:
  // Set-up and the frame (ConfigDialog.cpp).
  void SetUp(HWND dialog);
  void CreateControls();
  void ApplyFont();
  void LayoutDialog();
  void CenterOnParent();
  INT_PTR OnCommand(int id, int code);
  void OnOk();
  void OnDestroy();
  bool SaveWithRetry();
  void NotifyHost(bool saved);
  int ShowMessage(const std::wstring& text, UINT type) const;

  // What the controls show and how it goes back into the copy (StyleEditing.cpp).
  void FillLanguages();
  std::wstring ViewerFileExtension() const;
  void FillWordStyles();
  void ShowWordStyle();
  void FillFontNames(const WordStyle& style);
  void FillFontSizes(const WordStyle& style);
  void StoreWordStyle();
  void StoreExtensions();
  void StoreNames();
  void ShowMiscOptions();
  bool StoreMiscOptions();
  bool ReadAlpha(DialogControl edit, DialogControl label, std::optional<uint32_t>& value) const;
  void FillSchemeChoices();
  void OnLanguageChange();
  void OnSchemeChange();
  void OnWordStyleChange();
  void OnColourButton(int id);
  void DrawColourButton(int id, const DRAWITEMSTRUCT& item) const;
  std::optional<uint32_t> ChooseColour(int64_t stored);
  // Null when there is none: no languages, or a language without word styles.
  XMLStyle* CurrentLanguage();
  const XMLStyle* CurrentLanguage() const;
  // The word styles the style controls show: the language's, or in the dark
  // scheme its dark looks (its light ones while it has none of its own).
  const std::vector<WordStyle>* ShownWordStyles() const;
  const WordStyle* CurrentWordStyle() const;
  // The shown word style for a change: in the dark scheme the language gets
  // its own dark looks with the first change.
  WordStyle* EditableWordStyle();
  const SchemeStyle* CurrentDarkLanguage() const;
  std::optional<int64_t> ButtonColour(int id) const;

  HWND Item(DialogControl control) const { return controls_[control].get(); }
  LRESULT Send(DialogControl control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  std::wstring configPath_;
  UniqueFont font_;
  Configuration original_;  // as loaded: OK writes only what differs from it
  Configuration configuration_;
  size_t currentLanguage_ = 0;
  size_t currentWordStyle_ = 0;
  bool editingDark_ = false;  // the style controls edit the dark scheme
  std::vector<WordStyle> darkFallback_;  // the current language's light looks, shown in the dark scheme
  HINSTANCE instance_;
  HWND parent_ = nullptr;
  HWND dialog_ = nullptr;
  HWND notifyWindow_;
  uint32_t notifyData_;
  std::array<UniqueWindow, kDialogControlCount> controls_;
  std::array<std::wstring, kDialogControlCount> captions_;
  std::wstring title_;
  std::array<COLORREF, 16> customColors_;
  bool setUpFailed_ = false;
};

}  // namespace lumen
