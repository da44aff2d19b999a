#include "search/SearchPanel.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "base/ProcedureScope.h"
#include "resources/resource.h"
#include "search/PanelLayout.h"

namespace lumen {
namespace {

enum ControlId {
  kEditId = 1,
  kFindNextId = 2,
  kFindPreviousId = 3,
  kCancelId = 4,
  kMatchCaseId = 5,
  kWholeWordsId = 6,
  kCountId = 7,
  kLineEntryId = 8,
  kRegularExpressionId = 9,
  kFilterId = 10,
  kFilterContextId = 11,
  kFilterArrowsId = 12
};
constexpr unsigned kMostContextLines = 9;
constexpr int kPanelId = 2;
// Notification codes the edits send their panel.
constexpr UINT kEnterReleased = 1;
constexpr UINT kEscapePressed = 2;
// The line entry is as wide as this text.
constexpr wchar_t kLineEntrySample[] = L"999999:999";

constexpr UINT_PTR kEditSubclassId = 1;

void NotifyPanel(HWND edit, UINT code) {
  NMHDR header = {edit, static_cast<UINT_PTR>(GetDlgCtrlID(edit)), code};
  SendMessageW(GetParent(edit), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

bool IsEscape(const MSG* message) { return message && message->wParam == VK_ESCAPE; }

// The edits tell their panel when Enter is released; the line entry keeps
// Escape for itself (the host's dialog keys would make it a button click) and
// tells the panel of it.
LRESULT CALLBACK SearchEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  const ProcedureScope scope;
  if (message == WM_KEYUP && wParam == VK_RETURN) NotifyPanel(edit, kEnterReleased);
  if (GetDlgCtrlID(edit) == kLineEntryId) {
    if (message == WM_GETDLGCODE && IsEscape(reinterpret_cast<const MSG*>(lParam))) {
      return DefSubclassProc(edit, message, wParam, lParam) | DLGC_WANTALLKEYS;
    }
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
      NotifyPanel(edit, kEscapePressed);
      return 0;
    }
    if (message == WM_CHAR && (wParam == VK_ESCAPE || wParam == VK_RETURN)) return 0;  // no beep
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, &SearchEditProc, kEditSubclassId);
  return DefSubclassProc(edit, message, wParam, lParam);
}

void Place(const UniqueWindow& control, const ControlBox& box) {
  MoveWindow(control.get(), box.x, box.y, box.width, box.height, TRUE);
}

}  // namespace

LRESULT CALLBACK SearchPanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ProcedureScope scope;
  try {
    if (message == WM_CREATE) {
      auto* panel = static_cast<SearchPanel*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel));
      panel->window_ = window;
      panel->OnCreate();
      return 0;
    }
    auto* panel = reinterpret_cast<SearchPanel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!panel) return DefWindowProcW(window, message, wParam, lParam);
    return panel->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return 0;  // nothing may unwind into the host's message loop
  }
}

SearchPanel::SearchPanel(HINSTANCE instance, HWND parent, SearchProxy* proxy) : instance_(instance), proxy_(proxy) {
  CreateWindowExW(0, kSearchPanelClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0,
                  0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPanelId)), instance, this);
  if (!window_) throw std::runtime_error("Cannot create SearchPanel");
}

SearchPanel::~SearchPanel() {
  // Children first, while the font they use still exists.
  for (UniqueWindow* control : {&edit_, &sizingCombo_, &findNext_, &findPrevious_, &cancel_, &matchCase_, &wholeWords_,
                                &regularExpression_, &count_, &lineLabel_, &lineEntry_, &filterArrows_, &filter_,
                                &filterContext_}) {
    control->reset();
  }
  if (window_) DestroyWindow(window_);
  font_.reset();
}

LRESULT SearchPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      return 0;
    case WM_SIZE:
    case WM_SHOWWINDOW:
      LayoutControls();
      return 0;
    case WM_SETFOCUS:
      return 0;
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) return 0;
      if (header->code == kEscapePressed) proxy_->FocusDocument();
      if (header->code != kEnterReleased) return 0;
      if (header->idFrom != kLineEntryId) {
        proxy_->FindNext();
      } else if (!proxy_->GoToLine(WindowText(lineEntry_.get()))) {
        SendMessageW(lineEntry_.get(), EM_SETSEL, 0, -1);  // no such line: the text stays to be corrected
      }
      return 0;
    }
    case WM_COMMAND:
      OnCommand(wParam);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

HWND SearchPanel::CreateControl(const wchar_t* className, DWORD exStyle, DWORD style, int id, const std::wstring& text) {
  return CreateWindowExW(exStyle, className, text.c_str(), style, 0, 0, 0, 0, window_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void SearchPanel::OnCreate() {
  const DWORD visibleTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  edit_ = UniqueWindow(CreateControl(L"EDIT", WS_EX_CLIENTEDGE, visibleTab | WS_BORDER, kEditId, L""));
  // Never filled nor moved: a drop-down combo box takes its height from its
  // font, and that height is the panel's row height.
  sizingCombo_ = UniqueWindow(
      CreateControl(L"COMBOBOX", 0, WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, L""));
  findNextLabel_ = LoadResourceString(instance_, IDS_FIND_NEXT);
  findNext_ = UniqueWindow(CreateControl(L"BUTTON", 0, visibleTab | BS_PUSHBUTTON, kFindNextId, findNextLabel_));
  findPreviousLabel_ = LoadResourceString(instance_, IDS_FIND_PREVIOUS);
  findPrevious_ = UniqueWindow(CreateControl(L"BUTTON", 0, visibleTab | BS_PUSHBUTTON, kFindPreviousId, findPreviousLabel_));
  matchCaseLabel_ = LoadResourceString(instance_, IDS_MATCH_CASE);
  matchCase_ = UniqueWindow(CreateControl(L"BUTTON", 0, visibleTab | BS_AUTOCHECKBOX, kMatchCaseId, matchCaseLabel_));
  wholeWordsLabel_ = LoadResourceString(instance_, IDS_WHOLE_WORDS);
  wholeWords_ = UniqueWindow(CreateControl(L"BUTTON", 0, visibleTab | BS_AUTOCHECKBOX, kWholeWordsId, wholeWordsLabel_));
  cancelLabel_ = LoadResourceString(instance_, IDS_CANCEL);
  cancel_ = UniqueWindow(CreateControl(L"BUTTON", 0, visibleTab | BS_PUSHBUTTON, kCancelId, cancelLabel_));
  // After today's controls, so that their tab order stays.
  regularExpressionLabel_ = LoadResourceString(instance_, IDS_REGULAR_EXPRESSION);
  regularExpression_ = UniqueWindow(
      CreateControl(L"BUTTON", 0, visibleTab | BS_AUTOCHECKBOX, kRegularExpressionId, regularExpressionLabel_));
  count_ = UniqueWindow(CreateControl(L"STATIC", 0, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE,
                                      kCountId, L""));
  lineLabelText_ = LoadResourceString(instance_, IDS_LINE_LABEL);
  lineLabel_ = UniqueWindow(
      CreateControl(L"STATIC", 0, WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, 0, lineLabelText_));
  lineEntry_ = UniqueWindow(CreateControl(L"EDIT", WS_EX_CLIENTEDGE, visibleTab | WS_BORDER | ES_AUTOHSCROLL,
                                          kLineEntryId, L""));
  // The filter's check box and its lines of context, 0 to 9, after the rest in the tab order.
  filterLabel_ = LoadResourceString(instance_, IDS_FILTER_LINES);
  filter_ = UniqueWindow(CreateControl(L"BUTTON", 0, visibleTab | BS_AUTOCHECKBOX, kFilterId, filterLabel_));
  filterContext_ = UniqueWindow(CreateControl(L"EDIT", WS_EX_CLIENTEDGE, visibleTab | WS_BORDER | ES_NUMBER | ES_CENTER,
                                              kFilterContextId, L"0"));
  SendMessageW(filterContext_.get(), EM_SETLIMITTEXT, 1, 0);
  const INITCOMMONCONTROLSEX upDown = {sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&upDown);
  filterArrows_ = UniqueWindow(CreateControl(UPDOWN_CLASSW, 0,
                                             WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                                                 UDS_NOTHOUSANDS,
                                             kFilterArrowsId, L""));
  SendMessageW(filterArrows_.get(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(filterContext_.get()), 0);
  SendMessageW(filterArrows_.get(), UDM_SETRANGE32, 0, kMostContextLines);

  SendMessageW(sizingCombo_.get(), CB_SETEXTENDEDUI, TRUE, 0);
  if (edit_) SetWindowSubclass(edit_.get(), &SearchEditProc, kEditSubclassId, 0);
  if (lineEntry_) SetWindowSubclass(lineEntry_.get(), &SearchEditProc, kEditSubclassId, 0);
  font_ = CreateMessageFont();
  for (const UniqueWindow* control : {&edit_, &sizingCombo_, &findNext_, &findPrevious_, &matchCase_, &wholeWords_, &cancel_,
                                      &regularExpression_, &count_, &lineLabel_, &lineEntry_, &filter_, &filterContext_}) {
    SendMessageW(control->get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }
  ShowWindow(window_, SW_SHOW);
}

void SearchPanel::OnCommand(WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == kEditId && code == EN_UPDATE) return OnEditUpdate();
  if (id == kFilterContextId && code == EN_CHANGE) return OnFilterChanged();
  if (code != BN_CLICKED) return;
  switch (id) {
    case kFindNextId:
      proxy_->FindNext();
      break;
    case kFindPreviousId:
      proxy_->FindPrevious();
      break;
    case kCancelId:
      proxy_->CancelSearch();
      break;
    case kMatchCaseId:
      proxy_->SetMatchCase(SendMessageW(matchCase_.get(), BM_GETCHECK, 0, 0) != 0);
      break;
    case kWholeWordsId:
      proxy_->SetWholeWord(SendMessageW(wholeWords_.get(), BM_GETCHECK, 0, 0) != 0);
      break;
    case kRegularExpressionId:
      proxy_->SetRegularExpression(SendMessageW(regularExpression_.get(), BM_GETCHECK, 0, 0) != 0);
      break;
    case kFilterId:
      OnFilterChanged();
      break;
    default:
      break;
  }
}

void SearchPanel::OnEditUpdate() {
  if (!showingText_) proxy_->SetSearchText(WindowText(edit_.get()));
}

void SearchPanel::OnFilterChanged() {
  if (showingFilter_) return;
  const std::wstring typed = WindowText(filterContext_.get());
  const unsigned context = !typed.empty() && typed[0] >= L'0' && typed[0] <= L'9' ? static_cast<unsigned>(typed[0] - L'0') : 0;
  proxy_->SetFilter(SendMessageW(filter_.get(), BM_GETCHECK, 0, 0) == BST_CHECKED, context);
}

void SearchPanel::ShowFilter(const FilterShown& filter) {
  const bool countChanged = filter.shown != filterShown_.shown || filter.lines != filterShown_.lines ||
                            filter.fileLines != filterShown_.fileLines;
  filterShown_ = filter;
  showingFilter_ = true;
  SendMessageW(filter_.get(), BM_SETCHECK, filter.shown ? BST_CHECKED : BST_UNCHECKED, 0);
  if (WindowText(filterContext_.get()) != std::to_wstring(filter.context)) {
    SetWindowTextW(filterContext_.get(), std::to_wstring(filter.context).c_str());
  }
  showingFilter_ = false;
  if (countChanged) ShowCountText();
}

void SearchPanel::ShowCountText() {
  std::wstring text = countText_;
  if (filterShown_.shown) {
    const std::wstring format = LoadResourceString(instance_, IDS_FILTERED_LINES);
    wchar_t buffer[96] = L"";
    std::swprintf(buffer, std::size(buffer), format.c_str(), std::to_wstring(filterShown_.lines).c_str(),
                  std::to_wstring(filterShown_.fileLines).c_str());
    text += (text.empty() ? L"" : L"; ") + std::wstring(buffer);
  }
  SetWindowTextW(count_.get(), text.c_str());
}

int SearchPanel::PreferredHeight() const {
  return sizingCombo_ ? 2 * WindowHeight(sizingCombo_.get()) + 12 : 0;
}

void SearchPanel::FocusEdit(const std::wstring& text) {
  SetFocus(edit_.get());
  if (!text.empty()) SetWindowTextW(edit_.get(), text.c_str());
}

void SearchPanel::ShowSearchText(const std::wstring& text) {
  // The caller searches: the edit's own notification does not.
  showingText_ = true;
  SetWindowTextW(edit_.get(), text.c_str());
  showingText_ = false;
}

void SearchPanel::FocusLineEntry() {
  SetFocus(lineEntry_.get());
  SendMessageW(lineEntry_.get(), EM_SETSEL, 0, -1);
}

void SearchPanel::ShowCount(const MatchCount& count) {
  std::wstring text;
  if (count.searching && count.invalidPattern) {
    text = LoadResourceString(instance_, IDS_INVALID_PATTERN);
  } else if (count.searching && count.tooComplexLine > 0) {
    wchar_t buffer[96] = L"";
    std::swprintf(buffer, std::size(buffer), LoadResourceString(instance_, IDS_PATTERN_TOO_COMPLEX).c_str(),
                  static_cast<unsigned>(count.tooComplexLine));
    text = buffer;
  } else if (count.searching && count.total == 0 && !count.counting) {
    text = LoadResourceString(instance_, IDS_NO_MATCHES);
  } else if (count.searching) {
    const bool placed = count.position > 0;
    const UINT formatId = placed ? (count.counting ? IDS_MATCH_POSITION_COUNTING : IDS_MATCH_POSITION)
                                 : (count.counting ? IDS_MATCH_TOTAL_COUNTING : IDS_MATCH_TOTAL);
    const std::wstring format = LoadResourceString(instance_, formatId);
    wchar_t buffer[96] = L"";
    if (placed) {
      std::swprintf(buffer, std::size(buffer), format.c_str(), static_cast<unsigned>(count.position),
                    static_cast<unsigned>(count.total));
    } else {
      std::swprintf(buffer, std::size(buffer), format.c_str(), static_cast<unsigned>(count.total));
    }
    text = buffer;
  }
  countText_ = std::move(text);
  ShowCountText();
}

void SearchPanel::ShowNote(UINT text) { ShowNote(LoadResourceString(instance_, text)); }

void SearchPanel::ShowNote(const std::wstring& text) { SetWindowTextW(count_.get(), text.c_str()); }

void SearchPanel::LayoutControls() {
  if (!window_ || !sizingCombo_ || !findNext_ || !findPrevious_ || !matchCase_) return;
  RECT client;
  if (!GetClientRect(window_, &client)) return;
  const PanelLabelWidths labels = {MeasureTextWidth(window_, findNextLabel_), MeasureTextWidth(window_, findPreviousLabel_),
                                   MeasureTextWidth(window_, cancelLabel_), MeasureTextWidth(window_, matchCaseLabel_),
                                   MeasureTextWidth(window_, wholeWordsLabel_),
                                   MeasureTextWidth(window_, regularExpressionLabel_),
                                   MeasureTextWidth(window_, lineLabelText_),
                                   MeasureTextWidth(window_, kLineEntrySample),
                                   MeasureTextWidth(window_, filterLabel_),
                                   MeasureTextWidth(window_, L"99") + GetSystemMetrics(SM_CXVSCROLL) + 8};
  const auto placement = LayOutPanel(client.right, client.bottom, WindowHeight(sizingCombo_.get()), labels,
                                     GetSystemMetrics(SM_CXMENUCHECK));
  if (!placement) return;
  Place(edit_, placement->edit);
  Place(findNext_, placement->findNext);
  Place(findPrevious_, placement->findPrevious);
  Place(matchCase_, placement->matchCase);
  Place(wholeWords_, placement->wholeWords);
  Place(cancel_, placement->cancel);
  Place(regularExpression_, placement->regularExpression);
  Place(count_, placement->count);
  Place(lineLabel_, placement->lineLabel);
  Place(lineEntry_, placement->lineEntry);
  // The number field and its arrows share the box: the arrows go to its right edge.
  Place(filter_, placement->filter);
  Place(filterContext_, placement->filterContext);
  SendMessageW(filterArrows_.get(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(filterContext_.get()), 0);
  for (const UniqueWindow* control : {&filter_, &filterContext_, &filterArrows_}) {
    ShowWindow(control->get(), placement->filter.width > 0 ? SW_SHOWNA : SW_HIDE);
  }
}

}  // namespace lumen
