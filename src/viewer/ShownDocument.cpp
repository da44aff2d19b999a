#include "viewer/ShownDocument.h"

#include "base/TimeBudgets.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "host/Paths.h"
#include "viewer/ContextMenu.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

// Batch files, whose echo lines are written for the console.
bool IsConsoleScript(const std::wstring& name) {
  const std::wstring extension = FileExtension(name);
  return _wcsicmp(extension.c_str(), L"bat") == 0 || _wcsicmp(extension.c_str(), L"cmd") == 0;
}

}  // namespace

ShownDocument::ShownDocument(Viewer& viewer, DocumentEvents& search, TurnScheduler& turns)
    : viewer_(viewer), search_(search), turns_(turns) {}

ShownDocument::~ShownDocument() {
  closed_ = true;  // the viewer is going: nothing is told to it any more
  EndFilter(std::nullopt);
  EndFormatted();
  document_.Revoke();
  EndLoading();
}

void ShownDocument::SetEditor(const EditorControl& editor) {
  editor_ = editor;
  document_ = EditorDocument(editor);
}

void ShownDocument::Close() {
  closed_ = true;
  EndFilter(std::nullopt);
  EndFormatted();
  document_.Revoke();
  EndLoading();
  search_.Windowed(nullptr);
  window_.reset();
  spooled_.reset();
  spool_.reset();
  decompressed_.reset();
  decompressing_ = false;
  streamDecompression_.reset();
  StopFollowing();
  LoaderFactory::FinishFreeing();
}

LRESULT ShownDocument::OpenPath(const wchar_t* path) {
  const uint64_t shown = shownCount_;
  const std::wstring name = path ? path : L"";
  if (name.empty() || !editor_.exists()) return 0;
  // The user's encoding lasts while the same file is shown.
  if (!file_.byPath || CompareStringOrdinal(name.c_str(), -1, file_.name.c_str(), -1, TRUE) != CSTR_EQUAL) {
    encodingChoice_.reset();
  }
  return Show(DocumentLoad::OfFile(name), shown);
}

LRESULT ShownDocument::OpenStream(const wchar_t* name, IStream* stream) {
  const uint64_t shown = shownCount_;
  encodingChoice_.reset();
  // The stream is asked its size first, as hosts have always seen it asked.
  std::unique_ptr<DocumentLoad> opened = DocumentLoad::OfStream(name ? name : L"", stream);
  if (!name || !*name || !editor_.exists()) return 0;
  return Show(std::move(opened), shown);
}

void ShownDocument::ChooseEncoding(size_t index) {
  const std::vector<EncodingOption>& options = EncodingOptions();
  if (index >= options.size() || !canReadAgain() || !editor_.exists()) return;
  const PlaceInFile place = {editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)),
                             editor_.Send(SCI_GETFIRSTVISIBLELINE)};
  // A windowed file's caret line, in the file.
  const bool wasWindowed = window_ != nullptr;
  const uint64_t windowLine = wasWindowed ? window_->FileLineOf(place.caretLine) : 0;
  encodingChoice_ = options[index].choice;
  const uint64_t shown = shownCount_;
  std::unique_ptr<DocumentLoad> load =
      file_.byPath ? DocumentLoad::OfFile(file_.name) : DocumentLoad::OfStreamBytes(file_.name, streamBytes_);
  if (!Show(std::move(load), shown) || Superseded(shown + 1)) return;
  if (window_ && wasWindowed) {
    window_->GoTo({static_cast<int64_t>(windowLine) + 1, 1});
    return;
  }
  ReturnTo(place);
  // A big file's lines beyond its first part come later.
  if (loading_) placeAfterLoad_ = place;
}

void ShownDocument::ReturnTo(const PlaceInFile& place) {
  editor_.Send(SCI_GOTOLINE, static_cast<WPARAM>(place.caretLine));
  editor_.Send(SCI_SETFIRSTVISIBLELINE, static_cast<WPARAM>(place.firstVisibleLine));
}

LRESULT ShownDocument::Show(std::unique_ptr<DocumentLoad> opened, uint64_t shown) {
  const DocumentEvents::Clock::time_point start = DocumentEvents::Clock::now();
  // One reading of the configuration for the whole message, and for the rest
  // of a big file once it has come.
  const std::shared_ptr<const ConfigurationSnapshot> configuration = ConfigurationSnapshot::SharedOfPlugin();
  DecodingRule rule = configuration->Decoding();
  rule.consoleText = opened && IsConsoleScript(opened->name());
  rule.chosen = encodingChoice_;
  if (opened) opened->LimitDecompression(ReadOr(uint64_t{0}, [&] { return configuration->DecompressionMaxBytes(); }));
  // A stream's Stat and Read are the host's code: it may destroy the viewer,
  // or show another file in it, meanwhile.
  if (!opened || !opened->ReadFirstPart(rule) || Superseded(shown)) return 0;
  EndFilter(std::nullopt);  // the file's own document takes the new text
  EndFormatted();
  document_.Revoke();        // its text is lent no more: a window may write it
  // The file is shown from here on: it is the viewer's file, and the rest of
  // one still on its way is not wanted any more.
  const bool windowed = GoesThroughWindow(*opened, *configuration);
  // The control counts in 32 bits: a bigger file it cannot show whole is not shown.
  if (!windowed && opened->size() > kLargestFile) return 0;
  const uint64_t showing = ++shownCount_;
  EndLoading();
  search_.Windowed(nullptr);
  window_.reset();
  spooled_.reset();
  spool_.reset();
  decompressed_.reset();
  decompressing_ = false;
  streamDecompression_.reset();
  placeAfterLoad_.reset();
  const std::shared_ptr<DocumentLoad> loading(std::move(opened));
  const bool whole = loading->stage() == DocumentLoad::Stage::Whole;
  file_ = {loading->name(),
           EdgeLinesOf(loading->firstText(), whole),
           loading->size(),
           SizeOfDocument(loading->size()),
           loading->encoding(),
           loading->codePage(),
           !loading->isStream(),
           encodingChoice_.has_value(),
           false,
           false,
           loading->compression()};
  if (file_.sizeClass == DocumentSize::Big && !windowed) {
    size_t openLine = 0;
    file_.holdsUnlexedLine = HoldsUnlexedLine(loading->firstText(), openLine);
  }
  streamBytes_ = loading->TakeStreamBytes();
  StopFollowing();
  decompressed_ = loading->decompressed();
  streamDecompression_ = loading->streamDecompression();
  streamCompressedSize_ = loading->compressedSize();
  // A compressed file's rest comes only through a window: without one its first part is all shown.
  if (!whole && !windowed && decompressed_) file_.cut = true;
  if (!whole && !windowed && !decompressed_) {
    // The rest is read in the load's turns, the first of which starts the
    // workers once the first part has been shown.
    loading_ = loading;
    loadingConfiguration_ = configuration;
    reportedTenth_ = 0;
    turns_.Want(TurnScheduler::Work::Load, true);
  }
  if (!windowed || !ShowWindowOnto(*configuration, *loading)) ShowFirstPart(*configuration, *loading);
  // A file shown whole is followed from here; a bigger one once it is.
  if (whole) StartFollowing(*configuration, loading->size() - loading->heldBack(), loading->identity(), document_.length());
  viewer_.ReportToHost();
  if (Superseded(showing)) return viewer_.Gone() || closed_ ? 0 : 1;  // another file shown, searched already
  search_.Windowed(window_.get());
  search_.Shown(file_.sizeClass, whole || windowed, start);
  viewer_.Shown(*configuration);
  return 1;
}

bool ShownDocument::GoesThroughWindow(const DocumentLoad& load, const ConfigurationSnapshot& configuration) {
  // Its lines end at '\n': UTF-8, a code page, or UTF-16.
  const Encoding encoding = load.encoding();
  const bool linesEndAtLineFeed = encoding == Encoding::Utf8 || encoding == Encoding::Ansi ||
                              encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
  // A compressed file's text longer than its first part goes to a spool, whatever its size.
  if (load.decompressed() && load.stage() != DocumentLoad::Stage::Whole) return linesEndAtLineFeed;
  const uint64_t from = WindowedFrom(configuration.hasPath() ? configuration.WindowFromMegabytes() : 0);
  if (load.size() > kLargestSmallDocument && load.size() >= from && linesEndAtLineFeed) return true;
  // A file of very long lines, which the window shows a piece at a time: in
  // a big file's first part, a line longer than a lexer colours tells of them.
  const size_t longest = load.stage() == DocumentLoad::Stage::Whole ? kLongestWholeLine : kLongLineInFirstPart;
  return encoding == Encoding::Utf8 && !load.isStream() && !load.decompressed() &&
         HoldsLineLongerThan(load.firstText(), longest);
}

bool ShownDocument::ShowWindowOnto(const ConfigurationSnapshot& configuration, DocumentLoad& load) {
  // A stream is written to a file of lumen's as it is read (in the load's
  // turns), which the window shows as it grows.
  std::wstring path = load.name();
  uint64_t size = load.size();
  std::shared_ptr<StreamSpool> spool;
  if (const std::shared_ptr<DecompressedFile>& decompressed = load.decompressed()) {
    // Its worker writes the spool from the first part on.
    if (!decompressed->SpoolRest()) return false;
    spool = decompressed->spool();
    path = spool->path();
    size = spool->written();
  } else if (load.isStream()) {
    spool = StreamSpool::Create();
    if (!spool || !spool->Write(load.firstStreamBytes())) return false;
    path = spool->path();
    size = spool->written();
  }
  std::optional<SharedFile> file = SharedFile::Open(path);
  if (!file) return false;
  // The text starts after a byte order mark.
  char mark[3] = {};
  const std::string_view read(mark, file->ReadAt(0, mark, 3));
  const bool utf16 = load.encoding() == Encoding::Utf16LE || load.encoding() == Encoding::Utf16BE;
  const uint64_t start = load.encoding() == Encoding::Utf8 && read == "\xEF\xBB\xBF"                          ? 3
                         : utf16 && (read.substr(0, 2) == "\xFF\xFE" || read.substr(0, 2) == "\xFE\xFF") ? 2
                                                                                                          : 0;
  FileText text{path, load.encoding(), load.codePage(), start, size};
  // Another machine's file is read by workers, each message waiting for them only so long.
  std::unique_ptr<TimedReads> timed = OnThisMachine(path) ? nullptr : std::make_unique<TimedReads>(TimedReads::OfPath(path));
  FileWindow::Events events{[this] {
                              search_.Replaced();
                              viewer_.TextChanged();
                            },
                            [this] {
                              turns_.Want(TurnScheduler::Work::Load, true);
                              viewer_.ReportToHost();
                            }};
  window_ = std::make_unique<FileWindow>(editor_, std::move(*file), std::move(text), std::move(events), std::move(timed));
  if (!window_->ShowStart([&] { viewer_.ApplyLooks(configuration); })) {
    window_.reset();
    return false;
  }
  viewer_.TextChanged();
  reportedTenth_ = 0;
  turns_.Want(TurnScheduler::Work::Load, true);
  if (load.decompressed()) {
    spool_ = std::move(spool);
    decompressing_ = true;
    return true;
  }
  if (spool) {
    spool_ = std::move(spool);
    spooled_ = load.TakeStream();
    return true;
  }
  // Followed as it grows, from the size it had when opened.
  StartFollowing(configuration, load.size(), load.identity(), 0);
  return true;
}

void ShownDocument::WindowTurn(TurnScheduler::Clock::time_point deadline) {
  if (spooled_) {
    // The host's code runs in the stream's Read: it may show another file
    // meanwhile, or destroy the viewer; what this turn reads with stays.
    const uint64_t shown = shownCount_;
    const std::shared_ptr<StreamSpool> spool = spool_;
    const std::shared_ptr<ByteSource> stream = spooled_;
    const bool more = spool->Pump(*stream, deadline);
    if (Superseded(shown)) return;
    if (!more) {
      spooled_.reset();  // read: the host's stream is let go
      file_.size = spool->written();
      search_.Grew(file_.sizeClass);  // the count over all of it
    }
    window_->Grow(spool->written());
  }
  if (decompressing_) {
    const DecompressedFile::Progress progress = decompressed_->progress();
    window_->Grow(progress.written);
    if (progress.state == DecompressedFile::State::Ended) {
      decompressing_ = false;
      file_.size = progress.written;
      search_.Grew(file_.sizeClass);  // the count over all of it
    }
  }
  window_->IndexTurn();
  if (window_->indexed() && !spooled_ && !decompressing_ && !window_->waiting()) {
    turns_.Want(TurnScheduler::Work::Load, false);
    viewer_.TextChanged();
    return viewer_.ReportToHost();
  }
  viewer_.ShowProgress();
  if (const int tenth = LoadPercent().value_or(100) / 10; tenth != std::exchange(reportedTenth_, tenth)) {
    viewer_.TextChanged();  // the line numbers' margin widens as the lines are counted
    viewer_.ReportToHost();
  }
}

void ShownDocument::ShowFirstPart(const ConfigurationSnapshot& configuration, const DocumentLoad& load) {
  document_.Replace(load.firstText(), [&] { viewer_.ApplyLooks(configuration); });
  viewer_.TextChanged();
}

std::optional<FileText> ShownDocument::TextForWorkers() const {
  if (window_) return window_->Text();
  // A filter shown holds the document's own text out of reach.
  if (!editor_.exists() || filtered_ || formatted_) return std::nullopt;
  FileText text;
  text.bytes = document_.Lend();
  if (!text.bytes) return std::nullopt;
  text.end = text.bytes->size();
  return text;
}

bool ShownDocument::ShowFiltered(const ConfigurationSnapshot& configuration, std::shared_ptr<const Searcher> searcher,
                                 LineFilter::Options options) {
  if (!searcher || !editor_.exists()) return false;
  // Filtered again: the file's text and document stay as the first filter took them.
  const bool again = filtered_.has_value();
  const std::optional<FileText> source = again ? std::optional<FileText>(filtered_->source) : TextForWorkers();
  if (!source) return false;
  Filtered filtered;
  filtered.source = *source;
  filtered.mode = options.mode;
  filtered.spool = StreamSpool::Create();
  if (!filtered.spool) return false;
  std::optional<SharedFile> file = SharedFile::Open(filtered.spool->path());
  if (!file) return false;
  filtered.filter = LineFilter::Start(*source, std::move(searcher), options,
                                      [spool = filtered.spool](std::string_view text) { return spool->Write(text); });
  if (!filtered.filter) return false;
  if (again) {
    filtered.fileDocument = filtered_->fileDocument;
    filtered.fileLines = filtered_->fileLines;
    search_.Windowed(nullptr);
    filtered_->filter->Cancel();
    filtered_.reset();
  } else {
    // The file's document waits, held, while a new one of the control's shows the filter.
    filtered.fileLines = static_cast<uint64_t>(DescribedLines());
    filtered.fileDocument = editor_.Send(SCI_GETDOCPOINTER);
    editor_.Send(SCI_ADDREFDOCUMENT, 0, filtered.fileDocument);
  }
  // What a followed file adds on is filtered from where the file's text ends
  // (which waits, not followed, meanwhile).
  if (follower_.state() == FileFollower::State::Following && file_.encoding >= Encoding::Utf16LE &&
      file_.encoding <= Encoding::Ansi) {
    filtered.followedTo = window_ ? window_->Text().end : follower_.size();
  }
  editor_.Send(SCI_SETDOCPOINTER, 0, 0);
  filtered.filter->Wait(TurnScheduler::Clock::now() + budget::kFileStepWait);
  filtered.window = WindowOntoSpool(*filtered.spool, std::move(*file));
  filtered.window->NumberThrough(filtered.filter);
  filtered_ = std::move(filtered);
  ShowSpooled(configuration, *filtered_->window);
  return true;
}

std::unique_ptr<FileWindow> ShownDocument::WindowOntoSpool(const StreamSpool& spool, SharedFile file) {
  FileText text{spool.path(), Encoding::Utf8, 0, 0, spool.written(), nullptr};
  return std::make_unique<FileWindow>(editor_, std::move(file), std::move(text), FileWindow::Events{[this] {
                                        search_.Replaced();
                                        viewer_.TextChanged();
                                      }, {}});
}

void ShownDocument::ShowSpooled(const ConfigurationSnapshot& configuration, FileWindow& window) {
  reportedTenth_ = 0;
  window.ShowStart([&] { viewer_.ApplyLooks(configuration); });
  // Another text for the search: counted anew, and again once all of it is there.
  search_.Windowed(&window);
  search_.Shown(DocumentSize::Big, false, DocumentEvents::Clock::now());
  viewer_.TextChanged();
  viewer_.ReportToHost();
  turns_.Want(TurnScheduler::Work::Load, true);
}

bool ShownDocument::ShowFileDocument(LRESULT fileDocument) {
  if (editor_.exists()) {
    editor_.Send(SCI_SETDOCPOINTER, 0, fileDocument);
    editor_.Send(SCI_RELEASEDOCUMENT, 0, fileDocument);
  }
  if (closed_) return false;
  search_.Windowed(window_.get());
  search_.Shown(file_.sizeClass, !loading_, DocumentEvents::Clock::now());
  if (!editor_.exists()) return false;
  viewer_.TextChanged();
  return true;
}

void ShownDocument::EndFilter(std::optional<uint64_t> fileLine) {
  if (!filtered_) return;
  Filtered filtered = std::move(*filtered_);
  filtered_.reset();
  filtered.filter->Cancel();
  filtered.window.reset();
  if (!ShowFileDocument(filtered.fileDocument)) return;
  if (fileLine) {
    const LineTarget target{static_cast<int64_t>(*fileLine) + 1, 1};
    if (window_) {
      window_->GoTo(target);
    } else {
      GoToLine(editor_, target);
    }
  }
  viewer_.ReportToHost();
  if (loading_ || window_) turns_.Want(TurnScheduler::Work::Load, true);
}

void ShownDocument::FilterTurn() {
  Filtered& filtered = *filtered_;
  // Its state first: once it has ended, all it wrote is in the spool.
  const bool ended = filtered.filter->state() != LineFilter::State::Filtering;
  filtered.window->Grow(filtered.spool->written());
  filtered.window->IndexTurn();
  if (!ended) {
    // How far it is, told now and then.
    const auto tenth = static_cast<int>(filtered.filter->bytesRead() * 10 / std::max<uint64_t>(filtered.source.end, 1));
    if (tenth != std::exchange(reportedTenth_, tenth)) viewer_.ReportToHost();
    return;
  }
  if (!filtered.reported) {
    filtered.reported = true;
    if (!filtered.followPass) filtered.linesReadFirst = filtered.filter->linesRead();
    search_.Grew(DocumentSize::Big);  // the count over all of it
    viewer_.TextChanged();
    viewer_.ReportToHost();
  }
  if (filtered.window->indexed()) turns_.Want(TurnScheduler::Work::Load, false);
}

void ShownDocument::LoadTurn(TurnScheduler::Clock::time_point deadline) {
  if (filtered_) return FilterTurn();
  if (formatted_) return FormatTurn();
  if (window_) return WindowTurn(deadline);
  if (!loading_ && regrowing_) return RegrowTurn(deadline);
  const std::shared_ptr<DocumentLoad> loading = loading_;  // kept while the host's stream is read
  if (!loading) return turns_.Want(TurnScheduler::Work::Load, false);
  const DocumentLoad::Stage stage = loading->Turn(deadline);
  if (Superseded(shownCount_) || loading != loading_) return;  // the host's code dropped it meanwhile
  if (stage == DocumentLoad::Stage::Built) return FinishLoading();
  if (stage == DocumentLoad::Stage::Ended) {
    // The rest could not be had: the first part is all there is.
    file_.size = loading->firstBytes();
    EndLoading();
    search_.Completed();
    viewer_.TextChanged();
    return viewer_.ReportToHost();
  }
  viewer_.ShowProgress();
  // The host learns that what it shows of the viewer changed (its file
  // description) at each tenth of the file.
  if (const int tenth = loading->Percent() / 10; tenth != std::exchange(reportedTenth_, tenth)) {
    viewer_.ReportToHost();
  }
}

void ShownDocument::FinishLoading() {
  DocumentBuild::Result built = loading_->TakeDocument();
  const std::optional<FileIdentity> identity = loading_->identity();
  const std::shared_ptr<const ConfigurationSnapshot> configuration = loadingConfiguration_;
  // A file that proved ANSI after all has other bytes at the same places:
  // the user's place is kept by its lines, and the search starts over.
  const PlaceInFile place = placeAfterLoad_.value_or(
      PlaceInFile{editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)),
                  editor_.Send(SCI_GETFIRSTVISIBLELINE)});
  // The load ends, and the progress strip goes, while the editor still shows
  // the first part (a small document is laid out in a fraction of the time).
  EndLoading();
  viewer_.TextChanged();
  AdoptBuilt(*configuration, built);
  if (built.startedOver) {
    search_.Shown(file_.sizeClass, true, DocumentEvents::Clock::now());
    viewer_.Shown(*configuration);
  } else {
    search_.Replaced();
    search_.Completed();
  }
  if (Superseded(shownCount_)) return;  // reading the host's find box ran the host's code
  if (built.startedOver || placeAfterLoad_) ReturnTo(place);
  placeAfterLoad_.reset();
  StartFollowingBuilt(*configuration, built, identity);
  viewer_.ReportToHost();  // the description is final now
}

void ShownDocument::AdoptBuilt(const ConfigurationSnapshot& configuration, DocumentBuild::Result& built) {
  file_.size = built.bytes;
  file_.encoding = built.encoding;
  file_.codePage = built.codePage;
  file_.cut = built.cut;
  file_.holdsUnlexedLine = built.holdsUnlexedLine;
  // The last lines may name the language too (a modeline).
  file_.edgeLines.last = EdgeLinesOf(built.tail, true).last;
  document_.Adopt(std::move(built.document), [&] { viewer_.ApplyLanguage(configuration); });
  viewer_.TextChanged();
}

void ShownDocument::EndLoading() {
  if (regrowing_) {
    regrowing_->Drop();
    regrowing_.reset();
  }
  if (loading_) {
    loading_->Drop();
    loading_.reset();
  }
  loadingConfiguration_.reset();
  turns_.Want(TurnScheduler::Work::Load, false);
}

std::optional<int> ShownDocument::LoadPercent() const {
  if (window_ && decompressing_) return decompressed_->Percent();
  if (window_ && spooled_ && streamDecompression_ && streamCompressedSize_ > 0) {
    return static_cast<int>(std::min<uint64_t>(streamDecompression_->read * 100 / streamCompressedSize_, 99));
  }
  if (window_ && spooled_ && file_.size > 0) {
    return static_cast<int>(std::min<uint64_t>(spool_->written() * 100 / file_.size, 99));
  }
  if (window_ && !window_->indexed()) return window_->IndexPercent();
  if (!loading_) return std::nullopt;
  return loading_->Percent();
}

uint64_t ShownDocument::describedBytes() const {
  if (spooled_) return spool_->written();
  if (decompressing_) return decompressed_->progress().written;
  return loading_ ? loading_->bytesRead() : file_.size;
}

int64_t ShownDocument::DescribedLines() const {
  if (filtered_) {
    const uint64_t followed = filtered_->followPass ? filtered_->filter->linesRead() - filtered_->linesReadFirst : 0;
    return static_cast<int64_t>(filtered_->fileLines + followed);
  }
  if (FileWindow* shown = window()) return static_cast<int64_t>(shown->lines());
  return editor_.Send(SCI_GETLINECOUNT);
}

std::wstring ShownDocument::DescriptionNotes() const {
  std::wstring notes;
  if (decompressed_) {
    notes += DecompressionNote(decompressed_->compression(), decompressed_->compressedSize(), decompressed_->progress());
  } else if (streamDecompression_) {
    notes += DecompressionNote(file_.compression, streamCompressedSize_, *streamDecompression_);
  }
  if (const std::optional<int> percent = LoadPercent()) notes += L", loading " + std::to_wstring(*percent) + L" %";
  if (file_.cut || follower_.state() == FileFollower::State::Full) notes += L", shown up to 2 GB";
  if (window_ && window_->waiting()) notes += L", waiting for the file";
  // Until the viewer has taken in all of it (not of what a followed file
  // added: that is filtered in a moment).
  if (filtered_ && !filtered_->reported && !filtered_->followPass) {
    const uint64_t percent = filtered_->filter->bytesRead() * 100 / std::max<uint64_t>(filtered_->source.end, 1);
    notes += L", filtering " + std::to_wstring(std::min<uint64_t>(percent, 99)) + L" %";
  }
  if (filtered_) {
    notes += L", filtered: " + std::to_wstring(filtered_->filter->shownLines()) + L" of " +
             std::to_wstring(DescribedLines()) + L" lines";
    if (filtered_->filter->state() == LineFilter::State::Cut) notes += L" (stopped)";
  }
  if (formatted_) {
    const uint64_t percent = formatted_->text->bytesRead() * 100 / std::max<uint64_t>(formatted_->sourceEnd, 1);
    // Until the window has taken in all of it and counted its lines.
    const bool formatting = formatted_->text->state() == FormattedText::State::Formatting ||
                            formatted_->window->size() < formatted_->spool->written() || !formatted_->window->indexed();
    notes += formatting ? L", formatting " + std::to_wstring(std::min<uint64_t>(percent, 99)) + L" %"
                        : std::wstring(L", formatted");
  }
  if (follower_.gone()) notes += L", deleted";
  return notes;
}

}  // namespace lumen
