#include "dialog/ConfigDialog.h"

#include <memory>
#include <stdexcept>
#include <windows.h>
#include <commctrl.h>

#include "config/Loaders.h"
#include "config/Saver.h"
#include "base/Text.h"
#include "host/Paths.h"
#include "resources/resource.h"
#include "abi/HostMessages.h"

namespace lumen {
namespace {

constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTabStop = kVisibleChild | WS_TABSTOP;
constexpr DWORD kComboStyle = kTabStop | WS_VSCROLL | CBS_HASSTRINGS | CBS_DROPDOWNLIST;
constexpr DWORD kColourButtonStyle = kTabStop | BS_OWNERDRAW;
constexpr DWORD kCheckBoxStyle = kTabStop | BS_AUTOCHECKBOX;
constexpr DWORD kGroupBoxStyle = kVisibleChild | WS_GROUP | BS_GROUPBOX;
constexpr DWORD kAlphaEditStyle = kTabStop | WS_BORDER | ES_NUMBER;
constexpr DWORD kUpDownStyle = kTabStop | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_HOTTRACK;
constexpr DWORD kExtensionsEditStyle = kTabStop | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr int kAlphaEditSize = 50;
constexpr int kAlphaDigits = 3;
constexpr int kHighestAlpha = 255;
// A combo box's height includes its dropped-down list: room for this many rows.
constexpr int kDroppedListRows = 12;

struct ControlTemplate {
  const wchar_t* className;
  DWORD exStyle;
  DWORD style;
  int id;
  UINT captionId;  // 0: no caption
  int size;        // made square of this size; the layout places it later
};

const wchar_t kCombo[] = L"ComboBox";
const wchar_t kStatic[] = L"Static";
const wchar_t kButton[] = L"Button";
const wchar_t kEdit[] = L"Edit";

// In creation order, which is also the order of the tab stops.
const ControlTemplate kControlTemplates[kDialogControlCount] = {
    {kCombo, 0, kComboStyle, kSchemeComboId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_SCHEME, 0},
    {kCombo, 0, kComboStyle, kLanguageComboId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_LANGUAGE, 0},
    {kCombo, 0, kComboStyle, kStyleComboId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_STYLE, 0},
    {kCombo, 0, kComboStyle, kFontComboId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_FONT_NAME, 0},
    {kCombo, 0, kComboStyle, kFontComboId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_FONT_SIZE, 0},
    {kButton, 0, kColourButtonStyle, kForegroundId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_FOREGROUND, 0},
    {kButton, 0, kColourButtonStyle, kBackgroundId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_BACKGROUND, 0},
    {kButton, 0, kCheckBoxStyle, 0, IDS_BOLD, 0},
    {kButton, 0, kCheckBoxStyle, 0, IDS_ITALIC, 0},
    {kButton, 0, kCheckBoxStyle, 0, IDS_UNDERLINE, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_EXTENSIONS, 0},
    {kEdit, WS_EX_CLIENTEDGE, kExtensionsEditStyle, 0, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_FILE_NAMES, 0},
    {kEdit, WS_EX_CLIENTEDGE, kExtensionsEditStyle, 0, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_CONTENT_RULE, 0},
    {kEdit, WS_EX_CLIENTEDGE, kTabStop | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0},
    {kButton, 0, kGroupBoxStyle, 0, IDS_STYLE_OPTIONS, 0},
    {kButton, 0, kColourButtonStyle, kHighlightId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_HIGHLIGHT_COLOR, 0},
    {kEdit, WS_EX_CLIENTEDGE, kAlphaEditStyle, kAlphaId, 0, kAlphaEditSize},
    {UPDOWN_CLASSW, 0, kUpDownStyle, kAlphaId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_TRANSPARENCY, 0},
    {kEdit, WS_EX_CLIENTEDGE, kAlphaEditStyle, kAlphaId, 0, kAlphaEditSize},
    {UPDOWN_CLASSW, 0, kUpDownStyle, kAlphaId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_OUTLINE, 0},
    {kCombo, 0, kComboStyle, kModeComboId, 0, 0},
    {kStatic, 0, kVisibleChild, 0, IDS_COLOR_SCHEME, 0},
    {kButton, 0, kCheckBoxStyle, 0, IDS_LINE_NUMBERING, 0},
    {kButton, 0, kCheckBoxStyle, 0, IDS_LINE_WRAPPING, 0},
    {kButton, 0, kGroupBoxStyle, 0, IDS_MISC, 0},
    {kButton, 0, kTabStop | BS_PUSHBUTTON, kOkId, IDS_OK, 0},
    {kButton, 0, kTabStop | BS_PUSHBUTTON, kCancelId, IDS_CANCEL, 0},
    {kButton, 0, kGroupBoxStyle, 0, 0, 0},
};

bool IsUpDown(DialogControl control) { return control == kTransparencyUpDown || control == kOutlineUpDown; }
bool IsCombo(DialogControl control) { return kControlTemplates[control].className == kCombo; }

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

HWND OpenConfigDialog(HINSTANCE module, HWND parent, HWND notifyWindow, uint32_t notifyData) {
  auto object = std::make_unique<ConfigDialog>(ConfigFilePath(), module, notifyWindow, notifyData);
  ConfigDialog* const made = object.get();
  const INITCOMMONCONTROLSEX upDown = {sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&upDown);
  // The window takes the object over in WM_INITDIALOG; until then `object` frees it.
  HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_CONFIGURATION), parent, ConfigDialogProc,
                                   reinterpret_cast<LPARAM>(&object));
  if (dialog && made->setUpFailed()) {
    DestroyWindow(dialog);
    return nullptr;
  }
  return dialog;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* owner = reinterpret_cast<std::unique_ptr<ConfigDialog>*>(lParam);
    if (!owner || !*owner) return FALSE;
    ConfigDialog* object = owner->release();
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    object->OnInitDialog(dialog);
    return TRUE;
  }
  auto* object = reinterpret_cast<ConfigDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!object) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    delete object;
    return FALSE;
  }
  // Nothing may unwind into the dialog manager: an action that fails is
  // reported and the dialog stays as it was.
  try {
    return object->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    object->ReportError(error);
  } catch (...) {
  }
  return TRUE;
}

ConfigDialog::ConfigDialog(std::wstring configPath, HINSTANCE instance, HWND notifyWindow, uint32_t notifyData)
    : configPath_(std::move(configPath)),
      original_(LoadConfiguration(configPath_)),
      configuration_(original_),
      instance_(instance),
      notifyWindow_(notifyWindow),
      notifyData_(notifyData) {
  customColors_.fill(RGB(255, 255, 255));
}

void ConfigDialog::OnInitDialog(HWND dialog) {
  try {
    SetUp(dialog);
  } catch (...) {
    setUpFailed_ = true;
  }
}

void ConfigDialog::SetUp(HWND dialog) {
  dialog_ = dialog;
  parent_ = GetParent(dialog);
  title_ = LoadResourceString(instance_, IDS_CONFIGURATION_TITLE);
  SetWindowTextW(dialog_, title_.c_str());
  CreateControls();
  FillSchemeChoices();
  FillLanguages();
  ShowMiscOptions();
  font_ = CreateMessageFont();
  ApplyFont();
  LayoutDialog();
  CenterOnParent();
}

void ConfigDialog::CreateControls() {
  for (size_t index = 0; index < kDialogControlCount; ++index) {
    const ControlTemplate& control = kControlTemplates[index];
    captions_[index] = control.captionId ? LoadResourceString(instance_, control.captionId) : std::wstring();
    controls_[index] = UniqueWindow(CreateWindowExW(control.exStyle, control.className, captions_[index].c_str(), control.style,
                                                 0, 0, control.size, control.size, dialog_,
                                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                                 GetModuleHandleW(nullptr), nullptr));
    if (IsUpDown(static_cast<DialogControl>(index))) {
      SendMessageW(controls_[index].get(), UDM_SETRANGE, 0, MAKELPARAM(kHighestAlpha, 0));
    }
  }
  // No more digits than the value reader takes: a longer number would be cut.
  Send(kTransparencyEdit, EM_LIMITTEXT, kAlphaDigits);
  Send(kOutlineEdit, EM_LIMITTEXT, kAlphaDigits);
}

void ConfigDialog::ApplyFont() {
  if (font_) EnumChildWindows(dialog_, SetChildFont, reinterpret_cast<LPARAM>(font_.get()));
}

void ConfigDialog::LayoutDialog() {
  DialogMeasures measures;
  measures.rowHeight = WindowHeight(Item(kLanguageCombo));
  measures.textHeight = MeasureTextHeight(dialog_, L"AAAA");
  measures.checkMarkWidth = GetSystemMetrics(SM_CXMENUCHECK);
  measures.sizeSample = MeasureTextWidth(dialog_, L"48");
  measures.alphaSample = MeasureTextWidth(dialog_, L"255");
  for (size_t index = 0; index < kDialogControlCount; ++index) {
    if (!captions_[index].empty()) measures.textWidth[index] = MeasureTextWidth(dialog_, captions_[index]);
  }
  const DialogPlacement placement = LayOutDialog(measures);
  for (size_t index = 0; index < kDialogControlCount; ++index) {
    const auto control = static_cast<DialogControl>(index);
    if (IsUpDown(control)) continue;  // they follow their edits
    const ControlBox& box = placement.controls[index];
    const int height = IsCombo(control) ? box.height * (1 + kDroppedListRows) : box.height;
    MoveWindow(Item(control), box.x, box.y, box.width, height, FALSE);
  }
  Send(kTransparencyUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(kTransparencyEdit)));
  Send(kOutlineUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(kOutlineEdit)));
  const ControlBox& frame = placement.dialog;
  MoveWindow(dialog_, frame.x, frame.y, frame.width, frame.height, TRUE);
}

void ConfigDialog::CenterOnParent() {
  RECT parent, client;
  if (!GetWindowRect(parent_, &parent) || !GetClientRect(dialog_, &client)) return;
  const POINT at = CentreOver(parent, client);
  SetWindowPos(dialog_, parent_, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR ConfigDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
      PostQuitMessage(0);
      return TRUE;
    case WM_DRAWITEM:
      if (lParam) DrawColourButton(static_cast<int>(wParam), *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR ConfigDialog::OnCommand(int id, int code) {
  if (code == CBN_SELCHANGE && id == kLanguageComboId) {
    OnLanguageChange();
  } else if (code == CBN_SELCHANGE && id == kStyleComboId) {
    OnWordStyleChange();
  } else if (code == CBN_SELCHANGE && id == kSchemeComboId) {
    OnSchemeChange();
  } else if (code != BN_CLICKED) {
    return FALSE;
  } else if (id == kForegroundId || id == kBackgroundId || id == kHighlightId) {
    OnColourButton(id);
  } else if (id == kOkId) {
    OnOk();
  } else if (id == kCancelId) {
    PostQuitMessage(0);
  } else {
    return FALSE;
  }
  return TRUE;
}

void ConfigDialog::OnOk() {
  StoreWordStyle();
  if (!StoreMiscOptions()) return;  // the user corrects the value first
  StoreExtensions();
  StoreNames();
  NotifyHost(SaveWithRetry());
  PostQuitMessage(0);
}

bool ConfigDialog::SaveWithRetry() {
  for (;;) {
    try {
      SaveConfigurationEdits(configPath_, original_, configuration_);
      return true;
    } catch (const std::runtime_error& error) {
      const std::wstring text = LoadResourceString(instance_, IDS_UNABLE_TO_SAVE) + L"\n" + Utf8ToWide(error.what());
      if (ShowMessage(text, MB_RETRYCANCEL) != IDRETRY) return false;
    }
  }
}

void ConfigDialog::NotifyHost(bool saved) {
  if (notifyWindow_ && PostMessageW(notifyWindow_, HBXPLUGINMSG_RELOADSETTINGS, 0, notifyData_)) return;
  // Without a window to tell, open viewers keep their looks until their next file.
  if (saved) {
    ShowMessage(L"Cannot reinitialize plugin. Notify handler not set.\n"
                L"Open viewers take the new settings with the next file they show.",
                MB_OK | MB_ICONWARNING);
  }
}

void ConfigDialog::OnDestroy() {
  // The controls go while the font they use still exists.
  for (UniqueWindow& control : controls_) control.reset();
}

int ConfigDialog::ShowMessage(const std::wstring& text, UINT type) const {
  return MessageBoxW(dialog_, text.c_str(), title_.c_str(), type);
}

void ConfigDialog::ReportError(const std::exception& error) const noexcept {
  try {
    ShowMessage(Utf8ToWide(error.what()), MB_OK | MB_ICONERROR);
  } catch (...) {
  }
}

LRESULT ConfigDialog::Send(DialogControl control, UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendMessageW(Item(control), message, wParam, lParam);
}

}  // namespace lumen
