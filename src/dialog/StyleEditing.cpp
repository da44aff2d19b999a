// What the dialog's controls show of the configuration copy, and how their
// values go back into it: word styles when the user leaves them, extensions
// when the user leaves a language, colours at once, the rest on OK.
#include <algorithm>
#include <windows.h>
#include <commdlg.h>

#include "base/SystemTheme.h"
#include "base/Text.h"
#include "config/Schemes.h"
#include "resources/resource.h"
#include "dialog/ConfigDialog.h"
#include "dialog/StyleValues.h"
#include "host/Paths.h"
#include "abi/HostMessages.h"
#include "abi/WindowClasses.h"

namespace lumen {
namespace {

static_assert(sizeof(CHOOSECOLORW) == 72);

// Empties a combo box for refilling; it redraws once, when the refill is done.
class ComboRefill {
 public:
  explicit ComboRefill(HWND combo) : combo_(combo) {
    SendMessageW(combo_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  }
  ~ComboRefill() {
    SendMessageW(combo_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(combo_, nullptr, TRUE);
  }
  ComboRefill(const ComboRefill&) = delete;
  ComboRefill& operator=(const ComboRefill&) = delete;

  LRESULT Add(const std::wstring& text) const {
    return SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }

 private:
  HWND combo_;
};

// The text of a combo box entry; nothing when there is no such entry or its
// text does not come back at the length the box announced.
std::optional<std::wstring> EntryText(HWND combo, LRESULT index) {
  if (index < 0) return std::nullopt;
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return std::nullopt;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  if (SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data())) != length) return std::nullopt;
  text.resize(static_cast<size_t>(length));
  return text;
}

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetCheck(HWND button, bool checked) { SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

// Configuration colours may carry bits above the 24 of a colour; Windows
// would read them as palette flags.
COLORREF ToColorRef(int64_t rgb) { return SwapRedBlue(static_cast<uint32_t>(rgb)) & 0x00FFFFFF; }

struct ViewerSearch {
  HINSTANCE module;
  HWND viewer = nullptr;
};

// Only our own viewers: another window of that class name would not answer
// the path query with a string of ours.
BOOL CALLBACK FindViewer(HWND window, LPARAM state) {
  auto& search = *reinterpret_cast<ViewerSearch*>(state);
  wchar_t className[64] = {};
  if (!GetClassNameW(window, className, static_cast<int>(std::size(className))) ||
      std::wstring(className) != kViewerClassName ||
      reinterpret_cast<HINSTANCE>(GetClassLongPtrW(window, GCLP_HMODULE)) != search.module) {
    return TRUE;
  }
  search.viewer = window;
  return FALSE;
}

constexpr DialogControl kWordStyleControls[] = {kStyleCombo,      kFontNameCombo, kFontSizeCombo,
                                                kForegroundButton, kBackgroundButton, kBoldCheck,
                                                kItalicCheck,      kUnderlineCheck};

}  // namespace

const XMLStyle* ConfigDialog::CurrentLanguage() const {
  return currentLanguage_ < configuration_.styles.size() ? &configuration_.styles[currentLanguage_] : nullptr;
}

const SchemeStyle* ConfigDialog::CurrentDarkLanguage() const {
  const XMLStyle* language = CurrentLanguage();
  if (!language) return nullptr;
  const auto& dark = configuration_.dark.styles;
  const auto found = std::find_if(dark.begin(), dark.end(), [&](const SchemeStyle& s) { return s.name == language->name; });
  return found != dark.end() ? &*found : nullptr;
}

const std::vector<WordStyle>* ConfigDialog::ShownWordStyles() const {
  const XMLStyle* language = CurrentLanguage();
  if (!language) return nullptr;
  if (!editingDark_) return &language->wordStyles;
  const SchemeStyle* dark = CurrentDarkLanguage();
  return dark ? &dark->wordStyles : &darkFallback_;
}

const WordStyle* ConfigDialog::CurrentWordStyle() const {
  const std::vector<WordStyle>* shown = ShownWordStyles();
  return shown && currentWordStyle_ < shown->size() ? &(*shown)[currentWordStyle_] : nullptr;
}

XMLStyle* ConfigDialog::CurrentLanguage() {
  return const_cast<XMLStyle*>(static_cast<const ConfigDialog*>(this)->CurrentLanguage());
}

WordStyle* ConfigDialog::EditableWordStyle() {
  if (editingDark_ && !CurrentDarkLanguage() && CurrentLanguage()) {
    configuration_.dark.styles.push_back({CurrentLanguage()->name, darkFallback_});
  }
  return const_cast<WordStyle*>(CurrentWordStyle());
}

void ConfigDialog::FillSchemeChoices() {
  {
    ComboRefill refill(Item(kSchemeCombo));
    refill.Add(LoadResourceString(instance_, IDS_SCHEME_LIGHT));
    refill.Add(LoadResourceString(instance_, IDS_SCHEME_DARK));
  }
  // The scheme shown now is the one the user most likely wants to change.
  const bool hasDark = !configuration_.dark.empty();
  editingDark_ = hasDark && ResolveScheme(configuration_.schemeMode, AppsUseLightTheme()) == Scheme::Dark;
  Send(kSchemeCombo, CB_SETCURSEL, editingDark_ ? 1 : 0);
  {
    ComboRefill refill(Item(kModeCombo));
    for (const UINT id : {IDS_SCHEME_SYSTEM, IDS_SCHEME_LIGHT, IDS_SCHEME_DARK}) {
      refill.Add(LoadResourceString(instance_, id));
    }
  }
  Send(kModeCombo, CB_SETCURSEL, static_cast<WPARAM>(configuration_.schemeMode));
}

void ConfigDialog::FillLanguages() {
  const size_t start = StartLanguage(configuration_.styles, ViewerFileExtension());
  {
    ComboRefill refill(Item(kLanguageCombo));
    for (const XMLStyle& language : configuration_.styles) refill.Add(language.name);
  }
  Send(kLanguageCombo, CB_SETCURSEL, start);
  FillWordStyles();
}

std::wstring ConfigDialog::ViewerFileExtension() const {
  HWND outermost = parent_;
  while (HWND above = outermost ? GetParent(outermost) : nullptr) outermost = above;
  if (!outermost) return {};
  ViewerSearch search{instance_};
  EnumChildWindows(outermost, FindViewer, reinterpret_cast<LPARAM>(&search));
  if (!search.viewer) return {};
  const auto* path = reinterpret_cast<const std::wstring*>(SendMessageW(search.viewer, kFilePathQuery, 0, 0));
  return path ? UserLocale::Get().ToLower(FileExtension(*path)) : std::wstring();
}

void ConfigDialog::FillWordStyles() {
  const LRESULT selected = Send(kLanguageCombo, CB_GETCURSEL);
  const bool haveLanguage = selected >= 0 && static_cast<size_t>(selected) < configuration_.styles.size();
  // A configuration without languages leaves only the Misc values to edit.
  EnableWindow(Item(kLanguageCombo), haveLanguage);
  EnableWindow(Item(kExtensionsEdit), haveLanguage);
  EnableWindow(Item(kNamesEdit), haveLanguage);
  EnableWindow(Item(kContentEdit), haveLanguage);
  currentLanguage_ = haveLanguage ? static_cast<size_t>(selected) : configuration_.styles.size();
  currentWordStyle_ = 0;
  const XMLStyle* language = CurrentLanguage();
  darkFallback_.clear();
  if (language) {
    // In the dark scheme a language without dark looks shows in its light ones.
    darkFallback_ = language->wordStyles;
    for (WordStyle& w : darkFallback_) w.keywords.clear();
  }
  {
    ComboRefill refill(Item(kStyleCombo));
    if (const std::vector<WordStyle>* shown = ShownWordStyles()) {
      for (const WordStyle& style : *shown) refill.Add(style.name);
    }
  }
  Send(kStyleCombo, CB_SETCURSEL, 0);
  SetWindowTextW(Item(kExtensionsEdit), language ? language->extensions.c_str() : L"");
  SetWindowTextW(Item(kNamesEdit), language ? language->names.c_str() : L"");
  SetWindowTextW(Item(kContentEdit), language ? language->content.c_str() : L"");
  ShowWordStyle();
}

void ConfigDialog::ShowWordStyle() {
  const WordStyle* current = CurrentWordStyle();
  // A language without word styles shows empty controls that take no input.
  for (DialogControl control : kWordStyleControls) EnableWindow(Item(control), current != nullptr);
  const WordStyle shown = current ? *current : WordStyle{};
  FillFontNames(shown);
  FillFontSizes(shown);
  SetCheck(Item(kBoldCheck), shown.bold);
  SetCheck(Item(kItalicCheck), shown.italic);
  SetCheck(Item(kUnderlineCheck), shown.underline);
  InvalidateRect(dialog_, nullptr, TRUE);  // the colour buttons show the style's colours
}

void ConfigDialog::FillFontNames(const WordStyle& style) {
  const std::vector<std::wstring>& names = FontFaceNames();
  LRESULT selection = 0;
  {
    ComboRefill refill(Item(kFontNameCombo));
    refill.Add(L"");  // no font of its own
    for (const std::wstring& name : names) refill.Add(name);
    const auto found = std::find(names.begin(), names.end(), style.fontName);
    if (found != names.end()) {
      selection = 1 + (found - names.begin());
    } else if (!style.fontName.empty()) {
      selection = refill.Add(style.fontName);  // not installed here, but kept
    }
  }
  Send(kFontNameCombo, CB_SETCURSEL, selection);
}

void ConfigDialog::FillFontSizes(const WordStyle& style) {
  const std::wstring size = FontSizeText(style.fontSize);
  LRESULT selection = 0;
  {
    ComboRefill refill(Item(kFontSizeCombo));
    for (const wchar_t* entry : kFontSizes) refill.Add(entry);
    const auto found = std::find(kFontSizes.begin(), kFontSizes.end(), size);
    selection = found != kFontSizes.end() ? found - kFontSizes.begin() : refill.Add(size);
  }
  Send(kFontSizeCombo, CB_SETCURSEL, selection);
}

void ConfigDialog::StoreWordStyle() {
  const WordStyle* shown = CurrentWordStyle();
  if (!shown) return;
  WordStyle style = *shown;
  if (const auto name = EntryText(Item(kFontNameCombo), Send(kFontNameCombo, CB_GETCURSEL))) style.fontName = *name;
  const LRESULT sizeSelection = Send(kFontSizeCombo, CB_GETCURSEL);
  const auto size = EntryText(Item(kFontSizeCombo), sizeSelection);
  if (sizeSelection == CB_ERR || (size && size->empty())) {
    if (style.fontSize >= 1) style.fontSize = -1;  // any other value already means "not set"
  } else if (const auto number = size ? ParseDecimal(*size) : std::nullopt) {
    style.fontSize = *number;
  }
  style.bold = IsChecked(Item(kBoldCheck));
  style.italic = IsChecked(Item(kItalicCheck));
  style.underline = IsChecked(Item(kUnderlineCheck));
  if (style != *shown) *EditableWordStyle() = style;
}

void ConfigDialog::StoreExtensions() {
  XMLStyle* language = CurrentLanguage();
  const std::wstring text = WindowText(Item(kExtensionsEdit));
  // An emptied edit keeps the list: a language without extensions claims nothing.
  if (language && !text.empty()) language->extensions = text;
}

void ConfigDialog::StoreNames() {
  // Unlike extensions, names may be emptied: the language then goes by its extensions.
  // The content rule too: emptied, the language no longer takes a shared extension by content.
  if (XMLStyle* language = CurrentLanguage()) {
    language->names = WindowText(Item(kNamesEdit));
    language->content = WindowText(Item(kContentEdit));
  }
}

void ConfigDialog::ShowMiscOptions() {
  SetWindowTextW(Item(kTransparencyEdit), std::to_wstring(configuration_.highlight.foregroundAlpha).c_str());
  SetWindowTextW(Item(kOutlineEdit), std::to_wstring(configuration_.highlight.outlineAlpha).c_str());
  SetCheck(Item(kLineWrappingCheck), configuration_.lineWrapping);
  SetCheck(Item(kLineNumberingCheck), configuration_.lineNumbering);
}

bool ConfigDialog::ReadAlpha(DialogControl edit, DialogControl label, std::optional<uint32_t>& value) const {
  const std::wstring text = WindowText(Item(edit));
  if (text.empty()) return true;  // keeps the value
  const auto number = text.size() <= 3 ? ParseDecimal(text) : std::nullopt;
  if (!number) {
    ShowMessage(captions_[label] + L": \"" + text + L"\" is not a number of up to three digits.",
                MB_OK | MB_ICONWARNING);
    SetFocus(Item(edit));
    Send(edit, EM_SETSEL, 0, -1);
    return false;
  }
  value = static_cast<uint32_t>(*number);
  return true;
}

bool ConfigDialog::StoreMiscOptions() {
  std::optional<uint32_t> foregroundAlpha, outlineAlpha;
  if (!ReadAlpha(kTransparencyEdit, kTransparencyLabel, foregroundAlpha) ||
      !ReadAlpha(kOutlineEdit, kOutlineLabel, outlineAlpha)) {
    return false;
  }
  Highlight& highlight = configuration_.highlight;
  highlight.foregroundAlpha = foregroundAlpha.value_or(highlight.foregroundAlpha);
  highlight.outlineAlpha = outlineAlpha.value_or(highlight.outlineAlpha);
  configuration_.lineWrapping = IsChecked(Item(kLineWrappingCheck));
  configuration_.lineNumbering = IsChecked(Item(kLineNumberingCheck));
  const LRESULT mode = Send(kModeCombo, CB_GETCURSEL);
  if (mode >= 0 && mode <= static_cast<LRESULT>(SchemeMode::Dark)) configuration_.schemeMode = static_cast<SchemeMode>(mode);
  return true;
}

void ConfigDialog::OnLanguageChange() {
  if (Send(kLanguageCombo, CB_GETCURSEL) == CB_ERR) {
    Send(kLanguageCombo, CB_SETCURSEL, currentLanguage_);  // nothing chosen: stay
    return;
  }
  StoreWordStyle();
  StoreExtensions();
  StoreNames();
  FillWordStyles();
}

void ConfigDialog::OnSchemeChange() {
  const LRESULT selected = Send(kSchemeCombo, CB_GETCURSEL);
  if (selected == CB_ERR) {
    Send(kSchemeCombo, CB_SETCURSEL, editingDark_ ? 1 : 0);  // nothing chosen: stay
    return;
  }
  StoreWordStyle();
  StoreExtensions();
  StoreNames();
  editingDark_ = selected == 1;
  FillWordStyles();
}

void ConfigDialog::OnWordStyleChange() {
  StoreWordStyle();
  const LRESULT selected = Send(kStyleCombo, CB_GETCURSEL);
  const std::vector<WordStyle>* shown = ShownWordStyles();
  if (selected < 0 || !shown || static_cast<size_t>(selected) >= shown->size()) {
    Send(kStyleCombo, CB_SETCURSEL, currentWordStyle_);  // nothing chosen: stay
    return;
  }
  currentWordStyle_ = static_cast<size_t>(selected);
  ShowWordStyle();
}

void ConfigDialog::OnColourButton(int id) {
  const std::optional<int64_t> shown = ButtonColour(id);
  if (!shown) return;
  const std::optional<uint32_t> chosen = ChooseColour(*shown);
  if (!chosen) return;
  if (id == kHighlightId && editingDark_) {
    configuration_.dark.highlight = static_cast<int32_t>(*chosen);
  } else if (id == kHighlightId) {
    configuration_.highlight.foreground = *chosen;
  } else if (WordStyle* style = EditableWordStyle()) {
    (id == kForegroundId ? style->fgColor : style->bgColor) = static_cast<int32_t>(*chosen);
  }
  InvalidateRect(dialog_, nullptr, TRUE);
}

std::optional<uint32_t> ConfigDialog::ChooseColour(int64_t stored) {
  CHOOSECOLORW choice = {};
  choice.lStructSize = sizeof(choice);
  choice.hwndOwner = dialog_;
  choice.rgbResult = ToColorRef(stored);  // a colour not set is offered as white
  choice.lpCustColors = customColors_.data();
  choice.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR;
  if (!ChooseColorW(&choice)) return std::nullopt;
  return SwapRedBlue(choice.rgbResult);
}

std::optional<int64_t> ConfigDialog::ButtonColour(int id) const {
  // A dark scheme without a search colour of its own marks in the light one.
  if (id == kHighlightId && editingDark_ && configuration_.dark.highlight >= 0) return configuration_.dark.highlight;
  if (id == kHighlightId) return configuration_.highlight.foreground;
  const WordStyle* style = CurrentWordStyle();
  if (!style) return std::nullopt;
  if (id == kForegroundId) return style->fgColor;
  if (id == kBackgroundId) return style->bgColor;
  return std::nullopt;
}

void ConfigDialog::DrawColourButton(int id, const DRAWITEMSTRUCT& item) const {
  if (id != kForegroundId && id != kBackgroundId && id != kHighlightId) return;
  const std::optional<int64_t> colour = ButtonColour(id);
  const bool set = colour && *colour >= 0;
  HDC dc = item.hDC;
  const RECT& box = item.rcItem;
  SetDCBrushColor(dc, set ? ToColorRef(*colour) : GetSysColor(COLOR_BTNFACE));
  const HGDIOBJ previous = SelectObject(dc, GetStockObject(DC_BRUSH));
  Rectangle(dc, box.left, box.top, box.right, box.bottom);
  if (!set) {  // no colour of its own: struck through
    MoveToEx(dc, box.left, box.bottom - 1, nullptr);
    LineTo(dc, box.right - 1, box.top);
  }
  SelectObject(dc, previous);
}

}  // namespace lumen
