// Loading a file into the viewer and describing it to the host.
#include <objidl.h>

#include <chrono>
#include <cstdint>
#include <cwchar>
#include <exception>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "host/Paths.h"
#include "viewer/ProgressiveLoad.h"
#include "viewer/SourceViewerWindow.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

// Detection and conversion count in 32 bits: larger files are refused.
constexpr uint64_t kLargestFile = 0x7FFFFFFF;
constexpr UINT kDescriptionFormatId = 24051;
constexpr int kHostStringBuffer = 1024;
// A big file's first part, shown at once, and the slices that follow it.
constexpr size_t kHeadBytes = size_t{1} << 20;
constexpr size_t kSliceBytes = size_t{4} << 20;  // the control appends fewer big slices faster
// How often the editor shows what has arrived.
constexpr auto kShownEvery = std::chrono::milliseconds(250);
// A line beyond this is not laid out again as it grows.
constexpr LRESULT kLongLine = 64 * 1024;
// How much of a complete file's end is read for its last lines.
constexpr size_t kTailBytes = 64 * 1024;

// The whole of an open file, or false when it cannot be read. A file that
// shrinks while being read gives what it still holds.
bool ReadWholeFile(HANDLE file, uint64_t& size, std::string& bytes) {
  bytes.resize(static_cast<size_t>(size));
  size_t total = 0;
  while (total < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &read, nullptr)) return false;
    if (read == 0) break;
    total += read;
  }
  bytes.resize(total);
  size = total;
  return total > 0;
}

// What the stream really delivers, up to its announced size: a short stream
// must not be padded with invented bytes.
bool ReadWholeStream(IStream* stream, uint64_t size, std::string& bytes) {
  bytes.resize(static_cast<size_t>(size));
  size_t total = 0;
  while (total < bytes.size()) {
    ULONG read = 0;
    const HRESULT result = stream->Read(bytes.data() + total, static_cast<ULONG>(bytes.size() - total), &read);
    if (FAILED(result)) return false;
    if (read == 0) break;
    total += read;
  }
  bytes.resize(total);
  return total > 0;
}

// Holds back the editor's painting while slices are appended. Only a shown
// editor: turning painting back on shows a hidden window.
class RedrawPaused {
 public:
  explicit RedrawPaused(const EditorControl& editor)
      : editor_(editor), paused_((GetWindowLongPtrW(editor.window(), GWL_STYLE) & WS_VISIBLE) != 0) {
    if (paused_) editor_.Send(WM_SETREDRAW, FALSE);
  }
  ~RedrawPaused() {
    if (paused_) editor_.Send(WM_SETREDRAW, TRUE);
  }
  RedrawPaused(const RedrawPaused&) = delete;
  RedrawPaused& operator=(const RedrawPaused&) = delete;

 private:
  const EditorControl& editor_;
  bool paused_;
};

// The host's description format, "<missing string>" without one.
std::wstring HostString(const HostHelperApi& host, UINT id) {
  constexpr wchar_t kMissing[] = L"<missing string>";
  if (!host.GetString) return kMissing;
  std::vector<wchar_t> buffer(kHostStringBuffer, L'\0');
  LPWSTR pointer = buffer.data();
  const int length = host.GetString(id, &pointer, kHostStringBuffer);
  if (length <= 0) return kMissing;
  if (length < kHostStringBuffer) return std::wstring(buffer.data(), wcsnlen(buffer.data(), kHostStringBuffer));
  LPWSTR copy = nullptr;
  if (host.GetString(id, &copy, 0) <= 0 || !copy) return kMissing;
  const std::wstring text = copy;
  LocalFree(copy);
  return text;
}

// swprintf fails alike for too little room and for a format it cannot use:
// the room grows only up to what a sane description could need.
std::wstring FormatDescription(const std::wstring& format, int64_t lines, uint64_t size) {
  const size_t largest = format.size() + 4096;
  for (size_t room = std::max<size_t>(format.size() * 3 / 2, 64);; room *= 2) {
    std::vector<wchar_t> buffer(std::min(room, largest));
    const int written = std::swprintf(buffer.data(), buffer.size(), format.c_str(), lines, size);
    if (written >= 0 && static_cast<size_t>(written) < buffer.size()) return std::wstring(buffer.data(), written);
    if (buffer.size() == largest) return {};
  }
}

}  // namespace

LRESULT SourceViewerWindow::LoadFromPath(const wchar_t* path) {
  const uint64_t load = ++loadCount_;
  filePath_ = path ? path : L"";
  edgeLines_ = {};
  if (filePath_.empty() || !editor_.exists()) return 0;
  const std::wstring name = filePath_;
  // Its size is the opened handle's: a link's target, not the link.
  fileSize_ = ~uint64_t{0};
  // A big file is read across many messages: meanwhile others may still
  // write, rename or delete it.
  UniqueHandle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER length = {};
  if (!file || !GetFileSizeEx(file.get(), &length)) return 0;
  fileSize_ = static_cast<uint64_t>(length.QuadPart);
  if (length.QuadPart < 1 || fileSize_ > kLargestFile) return 0;
  if (fileSize_ > kProgressiveLoad) return BeginLoading(FileSource(std::move(file)), name, load, true);
  std::string bytes;
  if (!ReadWholeFile(file.get(), fileSize_, bytes)) return 0;
  return LoadIntoEditor(std::move(bytes), name);
}

LRESULT SourceViewerWindow::LoadFromStream(const wchar_t* name, IStream* stream) {
  const uint64_t load = ++loadCount_;
  STATSTG status = {};
  if (!stream || FAILED(stream->Stat(&status, STATFLAG_NONAME)) || Superseded(load)) return 0;
  filePath_ = name ? name : L"";
  edgeLines_ = {};
  if (filePath_.empty() || !editor_.exists() || status.cbSize.QuadPart == 0) return 0;
  const std::wstring fileName = filePath_;
  fileSize_ = status.cbSize.QuadPart;
  if (fileSize_ > kLargestFile) return 0;
  // A stream's announced size is not trusted with the editor's memory.
  if (fileSize_ > kProgressiveLoad) return BeginLoading(StreamSource(stream), fileName, load, false);
  std::string bytes;
  // A host's stream may pump messages in Read, and the host may then destroy
  // the viewer or give it another file.
  if (!ReadWholeStream(stream, fileSize_, bytes) || Superseded(load)) return 0;
  fileSize_ = bytes.size();
  return LoadIntoEditor(std::move(bytes), fileName);
}

LRESULT SourceViewerWindow::LoadIntoEditor(std::string&& bytes, const std::wstring& fileName) {
  std::string converted;
  std::string_view text;
  try {
    const Encoding detected = DetectEncoding(bytes);
    encoding_ = static_cast<int32_t>(detected);
    if (detected == Encoding::Utf8) {
      text = std::string_view(bytes).substr(Utf8TextOffset(bytes));  // shown as it is, without a copy
    } else {
      converted = ConvertToUtf8(bytes, detected);
      std::string().swap(bytes);  // the raw bytes go before the editor takes its copy
      text = converted;
    }
  } catch (const std::exception&) {
    return 0;  // undecodable: the editor keeps what it showed
  }
  if (text.empty()) return 0;
  // A big file still loading goes on until another one is shown instead.
  AbandonLoading();
  return ShowText(text, fileName, text.size());
}

LRESULT SourceViewerWindow::BeginLoading(std::unique_ptr<ByteSource> source, const std::wstring& fileName,
                                         uint64_t load, bool sizeKnown) {
  auto loading = std::make_shared<ProgressiveLoad>(std::move(source), fileSize_);
  std::string head;
  // A host's stream may pump messages while the head is read.
  if (!loading->ReadHead(kHeadBytes, head) || Superseded(load)) return 0;
  encoding_ = static_cast<int32_t>(loading->encoding());
  AbandonLoading();
  loading_ = loading;
  roomMade_ = !sizeKnown;
  reportedTenth_ = 0;
  const LRESULT shown = ShowText(head, fileName, loading->ExpectedTextLength());
  if (!shown || Superseded(load)) {
    if (loading_ == loading) AbandonLoading();  // not a newer load the host started meanwhile
    return 0;
  }
  loadingFile_ = {fileName, edgeLines_};
  search_.DocumentGrew(true);
  LayoutChildren(false);  // room for the progress strip
  SetTimer(window_, kLoadingTimer, USER_TIMER_MINIMUM, nullptr);
  return shown;
}

LRESULT SourceViewerWindow::ShowText(std::string_view text, const std::wstring& fileName, size_t documentLength) {
  // The editor counts its document in 32 bits.
  if (text.empty() || text.size() > static_cast<size_t>(INT32_MAX)) return 0;
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  // Kept for reloads, which choose the language again without the text; the
  // last lines of a file still loading are read when it is complete.
  edgeLines_ = EdgeLinesOf(text, !loading_);
  const Scheme previousScheme = std::exchange(scheme_, ActiveScheme(configuration));
  // The marks take the scheme's colour; otherwise they keep the one set up last.
  if (scheme_ != previousScheme) search_.SetUpIndicator(ConfiguredHighlight(configuration, scheme_));
  const Style style = StyleForFile(configuration, fileName, edgeLines_, scheme_);

  const EditorControl& control = editor_;
  control.Send(SCI_SETREADONLY, 0);
  control.Send(SCI_CLEARALL);
  ApplyBaseStyle(control, configuration, scheme_);
  openLine_ = 0;
  unlexed_ = documentLength > kBigDocument && HoldsUnlexedLine(text, openLine_);
  ApplyLanguage(style);
  selectionColoured_ = ApplySchemeColours(control, configuration, scheme_, selectionColoured_);
  control.Send(SCI_SETCODEPAGE, SC_CP_UTF8);
  // While a file loads, only what is shown is styled: lexing the rest as it
  // arrives would double the time to load it.
  if (loading_) {
    control.Send(SCI_SETIDLESTYLING, SC_IDLESTYLING_TOVISIBLE);
  } else {
    ApplyStylingMode(control, documentLength);
  }
  ApplyWrappingForLoad(control, configuration, documentLength);
  control.Send(SCI_ADDTEXT, text.size(), text.data());
  control.Send(SCI_GOTOPOS, 0);
  control.Send(SCI_EMPTYUNDOBUFFER);
  control.Send(SCI_SETREADONLY, 1);

  lineNumbering_ = LineNumbering(configuration, lineNumbering_);
  UpdateMargin();
  ReportFeatures();
  if (Gone()) return 0;  // the host destroyed the viewer on being told
  SearchAgainAfterLoad(configuration);
  return 1;
}

void SourceViewerWindow::ContinueLoading() {
  // A turn leaves room for the host's messages between slices, and ends
  // early for the user's input.
  constexpr auto kTurn = std::chrono::milliseconds(40);
  const std::shared_ptr<ProgressiveLoad> loading = loading_;  // kept while a stream's read pumps messages
  if (!loading || Gone()) return AbandonLoading();
  const uint64_t load = loadCount_;
  const auto deadline = std::chrono::steady_clock::now() + kTurn;
  if (!std::exchange(roomMade_, true)) {
    // One allocation for the whole text: growing by copies would hold the
    // host far longer, again and again.
    editor_.Send(SCI_ALLOCATE, loading->ExpectedTextLength());
  }
  bool done = false, startedOver = false;
  {
    // The control repaints what is shown after every append; a few times a
    // second is enough for its scroll bar and line numbers.
    const RedrawPaused paused(editor_);
    // At least one slice a turn, so that a moving mouse cannot stop the load.
    do {
      ProgressiveLoad::Slice slice = loading->Next(kSliceBytes);
      if (Superseded(load)) return;
      if (slice.startOver) {
        ClearDocument();
        startedOver = true;
      }
      encoding_ = static_cast<int32_t>(loading->encoding());
      done = !AppendToDocument(slice.text) || slice.done;
    } while (!done && std::chrono::steady_clock::now() < deadline && HIWORD(GetQueueStatus(QS_INPUT)) == 0);
  }
  const auto now = std::chrono::steady_clock::now();
  if (done || now - lastShown_ >= kShownEvery) {
    lastShown_ = now;
    ShowArrivedText();
  }
  UpdateMargin();
  // Another text from the start: the search starts over in it too.
  if (startedOver) {
    SearchAgainAfterLoad(ConfigurationSnapshot::OfPlugin());
    if (Superseded(load)) return;  // the host's find box was read: its code ran
  }
  if (done) return FinishLoading();
  search_.DocumentGrew(true);
  InvalidateRect(window_, &progressStrip_, FALSE);
  // The host learns that what it shows of the viewer changed (its file
  // description) at each tenth of the file.
  if (const int tenth = loading->Percent() / 10; tenth != std::exchange(reportedTenth_, tenth)) ReportFeatures();
}

void SourceViewerWindow::ShowArrivedText() {
  const HWND editor = editor_.window();
  if (!editor) return;
  // The text where its end is on screen; otherwise, or when its last line is
  // long (the control lays a line out whole, again after every append), only
  // the scroll bars.
  const LRESULT lastLine = editor_.Send(SCI_GETLINECOUNT) - 1;
  const auto firstShown = static_cast<WPARAM>(editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const LRESULT lastShown = editor_.Send(SCI_DOCLINEFROMVISIBLE, firstShown + editor_.Send(SCI_LINESONSCREEN));
  if (lastLine <= lastShown && editor_.Send(SCI_LINELENGTH, lastLine) <= kLongLine) {
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  } else {
    SetWindowPos(editor, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

bool SourceViewerWindow::AppendToDocument(std::string_view text) {
  if (text.empty()) return true;
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  // Text beyond what the editor can count is left out.
  if (length < 0 || text.size() > static_cast<size_t>(INT32_MAX - length)) return false;
  if (!unlexed_ && HoldsUnlexedLine(text, openLine_)) {
    unlexed_ = true;
    editor_.Send(SCI_SETLEXER, SCLEX_NULL);
  }
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_APPENDTEXT, text.size(), text.data());
  editor_.Send(SCI_SETREADONLY, 1);
  // Out of memory, the control keeps what it had: the load ends there.
  return editor_.Send(SCI_GETLENGTH) == length + static_cast<LRESULT>(text.size());
}

void SourceViewerWindow::ClearDocument() {
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_CLEARALL);
  editor_.Send(SCI_SETREADONLY, 1);
}

void SourceViewerWindow::FinishLoading() {
  fileSize_ = loading_->bytesRead();  // a stream may deliver less than it announced
  AbandonLoading();
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  ApplyStylingMode(editor_, static_cast<size_t>(std::max<LRESULT>(length, 0)));
  // The last lines may name the language too (a modeline).
  const auto* document = reinterpret_cast<const char*>(editor_.Send(SCI_GETCHARACTERPOINTER));
  if (document && length > 0) {
    const std::string_view text(document, static_cast<size_t>(length));
    // The file's own name and head: a later load that failed may have
    // changed filePath_ and edgeLines_.
    const auto& [name, head] = loadingFile_;
    EdgeLines withLast = head;
    withLast.last = EdgeLinesOf(text.substr(text.size() - std::min<size_t>(text.size(), kTailBytes)), true).last;
    const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
    const Style before = StyleForFile(configuration, name, head, scheme_);
    const Style after = StyleForFile(configuration, name, withLast, scheme_);
    edgeLines_ = std::move(withLast);
    if (!(after == before)) ApplyLanguage(after);
  }
  search_.DocumentGrew(false);
  ReportFeatures();  // the description is final now
}

void SourceViewerWindow::AbandonLoading() {
  if (!loading_) return;
  KillTimer(window_, kLoadingTimer);
  loading_.reset();
  if (!Gone()) LayoutChildren(false);
}

void SourceViewerWindow::DescribeFile(HostTextRecord* record) const {
  if (!record) return;
  StampTextRecord(*record);
  const int64_t lines = editor_.Send(SCI_GETLINECOUNT);
  // While a file loads, the figures are those of what has arrived.
  std::wstring text = EncodingLabel(encoding_) + FormatDescription(HostString(hostFunctions_, kDescriptionFormatId),
                                                                   lines, loading_ ? loading_->bytesRead() : fileSize_);
  if (loading_) text += L", loading " + std::to_wstring(loading_->Percent()) + L" %";
  if (record->textCapacity == 0 || !record->text) return;
  const size_t copied = std::min<size_t>(text.size(), record->textCapacity - 1);
  wmemcpy(record->text, text.data(), copied);
  record->text[copied] = L'\0';
}

}  // namespace lumen
