#include "scintilla5_adapter/AdapterWindow.h"

#include "scintilla5_adapter/Runtime.h"
#include "scintilla5_adapter/Scintilla5.h"
#include "abi/ScintillaInterface.h"

namespace lumen::scintilla5 {
namespace {

// Messages meant for the control rather than its frame: Scintilla's own and
// any other private message (all from WM_USER on; the viewer passes host
// messages on blindly), the edit-control, clipboard and text messages,
// redraw, keys, scrolling and the wheel.
bool IsControlMessage(UINT message) {
  if (message >= WM_USER) return true;
  if (message >= EM_GETSEL && message <= EM_GETIMESTATUS) return true;
  if (message >= WM_KEYFIRST && message <= WM_KEYLAST) return true;
  if (message >= WM_CUT && message <= WM_UNDO) return true;
  switch (message) {
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETREDRAW:
    case WM_GETDLGCODE:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      return true;
    default:
      return false;
  }
}

class AdapterWindow {
 public:
  explicit AdapterWindow(HWND window) : window_(window) {}

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CREATE:
        return OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lParam));
      case WM_SIZE:
        OnSize();
        return 0;
      case WM_SETFOCUS:
        if (inner_) SetFocus(inner_);
        return 0;
      case WM_ERASEBKGND:
        return 1;  // the inner control covers the whole client area
      case WM_NOTIFY:
        return OnNotify(wParam, lParam);
      case WM_COMMAND:
        return OnCommand(wParam, lParam);
      default:
        break;
    }
    if (inner_ && IsControlMessage(message)) return OnControlMessage(message, wParam, lParam);
    return Default(message, wParam, lParam);
  }

 private:
  LRESULT OnCreate(const CREATESTRUCTW& create) {
    // The inner control shows its own scroll bars; two pairs would be one too many.
    const DWORD scrollBars = static_cast<DWORD>(create.style) & (WS_VSCROLL | WS_HSCROLL);
    if (scrollBars) {
      SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(create.style & ~scrollBars));
      SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client{};
    GetClientRect(window_, &client);
    inner_ = CreateWindowExW(0, kInnerClassName, L"", WS_CHILD | WS_VISIBLE | scrollBars, 0, 0,
                             client.right, client.bottom, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(window_))),
                             create.hInstance, nullptr);
    if (!inner_) return -1;
    // A long line is laid out whole each time it is drawn unless its layout
    // is kept: the screen's lines keep theirs.
    Inner(sci::SCI_SETLAYOUTCACHE, sci::SC_CACHE_PAGE);
    MeasureMonospaced(sci::STYLE_DEFAULT);
    return 0;
  }

  // A style in a font whose ASCII characters are all as wide is laid out by
  // multiplying instead of measuring each character: a line of megabytes in
  // tens of milliseconds instead of hundreds. 5.x checks the font itself.
  void MeasureMonospaced(WPARAM style) { Inner(sci::SCI_STYLESETCHECKMONOSPACED, style, 1); }

  void OnSize() {
    if (!inner_) return;
    RECT client{};
    GetClientRect(window_, &client);
    MoveWindow(inner_, 0, 0, client.right, client.bottom, TRUE);
  }

  // The inner control's notifications leave as this window's, in the 3.x layout.
  LRESULT OnNotify(WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!inner_ || !header || header->hwndFrom != inner_) return Default(WM_NOTIFY, wParam, lParam);
    sci::SCNotification notification = NotificationFrom5(header, window_, id());
    return SendMessageW(GetParent(window_), WM_NOTIFY, id(), reinterpret_cast<LPARAM>(&notification));
  }

  LRESULT OnCommand(WPARAM wParam, LPARAM lParam) {
    if (!inner_ || reinterpret_cast<HWND>(lParam) != inner_) return Default(WM_COMMAND, wParam, lParam);
    return SendMessageW(GetParent(window_), WM_COMMAND, MAKEWPARAM(id(), HIWORD(wParam)),
                        reinterpret_cast<LPARAM>(window_));
  }

  LRESULT OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case sci::SCI_SETLEXER:
        SetLexer(static_cast<int>(wParam));
        return 0;
      case sci::SCI_GETLEXER:
        return lexer_;
      case sci::SCI_SETDOCPOINTER: {
        const LRESULT result = Inner(message, wParam, lParam);
        // The lexer belongs to the document: the one shown now has its own, or none.
        lexer_ = static_cast<int>(Inner(sci::SCI_GETLEXER));
        return result;
      }
      case sci::SCI_STYLESETFONT: {
        const LRESULT result = Inner(message, wParam, lParam);
        MeasureMonospaced(wParam);
        return result;
      }
      case sci::SCI_STYLERESETDEFAULT: {
        const LRESULT result = Inner(message, wParam, lParam);
        MeasureMonospaced(sci::STYLE_DEFAULT);
        return result;
      }
      case sci::SCI_SETSTYLEBITS:
        return 0;  // 5.x always keeps eight bits of style
      case sci::kLongestLexedLineQuery:
        return static_cast<LRESULT>(scintilla5::kLongestLexedLine);
      case sci::SCI_GETSELTEXT:
        return SelectionText(lParam);
      case sci::SCI_GETTEXT:
        return DocumentText(wParam, lParam);
      case WM_MOUSEWHEEL:
      case WM_MOUSEHWHEEL:
        return Wheel(message, wParam, lParam);
      default:
        return Inner(message, wParam, lParam);
    }
  }

  void SetLexer(int id) {
    // 3.x keeps its lexer, and so the keyword lists, when asked for the one it has.
    if (id == lexer_) return;
    lexer_ = id;
    if (const Runtime* runtime = Runtime::current()) runtime->lexers().Apply(inner_, id);
  }

  // 3.x counts the terminating zero, except after copying an empty selection;
  // 5.x never counts it. Both want a buffer of the selection's length + 1.
  LRESULT SelectionText(LPARAM buffer) {
    const LRESULT length = Inner(sci::SCI_GETSELTEXT, 0, buffer);
    if (!buffer) return length + 1;
    return length ? length + 1 : 0;
  }

  // 3.x takes the buffer's size, zero included, and copies one byte less;
  // 5.x takes the text's length and writes the zero after it.
  LRESULT DocumentText(WPARAM size, LPARAM buffer) {
    if (!buffer) return Inner(sci::SCI_GETTEXTLENGTH) + 1;
    if (size == 0) return 0;
    return Inner(sci::SCI_GETTEXT, size - 1, buffer);
  }

  // A wheel the inner control does not use comes back up to us through its
  // DefWindowProc; it goes on to our parent then, as from the 3.x control,
  // instead of down again for ever.
  LRESULT Wheel(UINT message, WPARAM wParam, LPARAM lParam) {
    if (passingWheel_) return Default(message, wParam, lParam);
    passingWheel_ = true;
    const LRESULT result = Inner(message, wParam, lParam);
    passingWheel_ = false;
    return result;
  }

  LRESULT Inner(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(inner_, message, wParam, lParam);
  }
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const {
    return DefWindowProcW(window_, message, wParam, lParam);
  }
  int id() const { return GetDlgCtrlID(window_); }

  HWND window_;
  HWND inner_ = nullptr;  // our child: Windows destroys it with us
  int lexer_ = 0;         // the container lexer, as a new 3.x control has
  bool passingWheel_ = false;
};

AdapterWindow* AdapterOf(HWND window) {
  return reinterpret_cast<AdapterWindow*>(GetWindowLongPtrW(window, 0));
}

// Without its object a window cannot work: creation fails, anything else gets 0.
LRESULT FailureResult(UINT message) {
  if (message == WM_NCCREATE) return FALSE;
  if (message == WM_CREATE) return -1;
  return 0;
}

}  // namespace

LRESULT CALLBACK AdapterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(new AdapterWindow(window)));
    }
    AdapterWindow* adapter = AdapterOf(window);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, 0, 0);
      delete adapter;
      adapter = nullptr;
    }
    return adapter ? adapter->Handle(message, wParam, lParam)
                   : DefWindowProcW(window, message, wParam, lParam);
  } catch (...) {
    return FailureResult(message);
  }
}

}  // namespace lumen::scintilla5
