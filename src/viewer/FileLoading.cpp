// Loading a file into the viewer and describing it to the host.
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

#include "viewer/CharsetDetection.h"
#include "viewer/SourceViewerWindow.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

constexpr UINT kDescriptionFormatId = 24051;
constexpr int kHostStringBuffer = 1024;

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

// "UTF-8, ", "ANSI, " for the system's code page as always, "Windows-1251, "
// for another, with "(chosen)" where the user chose it.
std::wstring DescribedEncoding(const ShownFile& shown) {
  std::wstring label = EncodingLabel(static_cast<int32_t>(shown.encoding));
  if (shown.encoding == Encoding::Ansi && shown.codePage != 0) label = CodePageName(shown.codePage) + L", ";
  if (shown.encodingChosen && label.size() >= 2) label.insert(label.size() - 2, L" (chosen)");
  return label;
}

}  // namespace

DecodingRule SourceViewerWindow::DecodingRuleOf(const ConfigurationSnapshot& configuration) const {
  DecodingRule rule;
  rule.detect = !configuration.hasPath() || configuration.EncodingDetection();
  const uint32_t fallback = configuration.hasPath() ? configuration.DefaultCodePage() : 0;
  // A code page Windows does not have is no default.
  rule.fallbackCodePage = fallback != 0 && IsValidCodePage(fallback) ? fallback : 0;
  rule.chosen = encodingChoice_;
  return rule;
}

void SourceViewerWindow::ChooseEncoding(size_t index) {
  const std::vector<EncodingOption>& options = EncodingOptions();
  if (index >= options.size() || (!shown_.byPath && streamBytes_.empty()) || !editor_.exists()) return;
  const PlaceInFile place = {editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)),
                             editor_.Send(SCI_GETFIRSTVISIBLELINE)};
  encodingChoice_ = options[index].choice;
  const uint64_t shown = shownCount_;
  std::unique_ptr<DocumentLoad> load =
      shown_.byPath ? DocumentLoad::OfFile(shown_.name) : DocumentLoad::OfStreamBytes(shown_.name, streamBytes_);
  if (!Show(std::move(load), shown) || Superseded(shown + 1)) return;
  ReturnTo(place);
  // A big file's lines beyond its first part come later.
  if (loading_) placeAfterLoad_ = place;
}

void SourceViewerWindow::ReturnTo(const PlaceInFile& place) {
  editor_.Send(SCI_GOTOLINE, static_cast<WPARAM>(place.caretLine));
  editor_.Send(SCI_SETFIRSTVISIBLELINE, static_cast<WPARAM>(place.firstVisibleLine));
}

LRESULT SourceViewerWindow::LoadFromPath(const wchar_t* path) {
  const uint64_t shown = shownCount_;
  const std::wstring name = path ? path : L"";
  if (name.empty() || !editor_.exists()) return 0;
  // The user's encoding lasts while the same file is shown.
  if (!shown_.byPath || CompareStringOrdinal(name.c_str(), -1, shown_.name.c_str(), -1, TRUE) != CSTR_EQUAL) {
    encodingChoice_.reset();
  }
  return Show(DocumentLoad::OfFile(name), shown);
}

LRESULT SourceViewerWindow::LoadFromStream(const wchar_t* name, IStream* stream) {
  const uint64_t shown = shownCount_;
  encodingChoice_.reset();
  // The stream is asked its size first, as hosts have always seen it asked.
  std::unique_ptr<DocumentLoad> opened = DocumentLoad::OfStream(name ? name : L"", stream);
  if (!name || !*name || !editor_.exists()) return 0;
  return Show(std::move(opened), shown);
}

LRESULT SourceViewerWindow::Show(std::unique_ptr<DocumentLoad> opened, uint64_t shown) {
  // One reading of the configuration for the whole message.
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  // A stream's Stat and Read are the host's code: it may destroy the viewer,
  // or show another file in it, meanwhile.
  if (!opened || !opened->ReadFirstPart(DecodingRuleOf(configuration)) || Superseded(shown)) return 0;
  // The search that follows shares the message's time with the load.
  const DocumentSearch::Action searchAction(search_);
  // The file is shown from here on: it is the viewer's file, and the rest of
  // one still on its way is not wanted any more.
  const uint64_t showing = ++shownCount_;
  EndLoading();
  placeAfterLoad_.reset();
  const std::shared_ptr<DocumentLoad> loading(std::move(opened));
  const bool whole = loading->stage() == DocumentLoad::Stage::Whole;
  shown_ = {loading->name(),        EdgeLinesOf(loading->firstText(), whole), loading->size(), loading->encoding(),
            loading->codePage(),    !loading->isStream(),                     encodingChoice_.has_value()};
  streamBytes_ = loading->TakeStreamBytes();
  StopFollowing();
  if (!whole) {
    // The rest is read in the load's turns, the first of which starts the
    // workers once the first part has been shown.
    loading_ = loading;
    reportedTenth_ = 0;
    turns_.Want(TurnScheduler::Work::Load, true);
  }
  ShowFirstPart(configuration, loading->firstText(), loading->expectedTextLength());
  // A file shown whole is followed from here; a bigger one once it is.
  if (whole) {
    StartFollowing(configuration, loading->size() - loading->heldBack(), loading->identity(), document().length());
  } else {
    search_.SetDocumentComplete(false);
  }
  ReportFeatures();
  if (Gone()) return 0;  // the host destroyed the viewer on being told
  if (Superseded(showing)) return 1;  // and showed another file, searched already
  SearchAgainAfterLoad(configuration);
  return 1;
}

void SourceViewerWindow::ShowFirstPart(const ConfigurationSnapshot& configuration, std::string_view text,
                                       size_t documentLength) {
  // The marks take the scheme's colour; otherwise they keep the one set up last.
  const Scheme previousScheme = std::exchange(looks_.scheme, ActiveScheme(configuration));
  if (looks_.scheme != previousScheme) search_.SetUpIndicator(ConfiguredHighlight(configuration, looks_.scheme));
  const Style style = StyleForFile(configuration, shown_.name, shown_.edgeLines, looks_.scheme);
  const bool big = documentLength > kBigDocument;
  size_t openLine = 0;
  looks_.unlexed = big && HoldsUnlexedLine(text, openLine);
  document().Replace(text, [&] {
    const bool wasBig = std::exchange(looks_.bigDocument, big);
    ApplyBaseStyle(editor_, configuration, looks_.scheme);
    ApplyLanguage(style);
    looks_.selectionColoured = ApplySchemeColours(editor_, configuration, looks_.scheme, looks_.selectionColoured);
    // While the rest of a file is on its way only what is shown is styled.
    if (text.size() < documentLength) {
      editor_.Send(SCI_SETIDLESTYLING, SC_IDLESTYLING_TOVISIBLE);
    } else {
      ApplyStylingMode(editor_, documentLength);
    }
    // Wrapping is read again only where the document's size changes it.
    if (big != wasBig) ApplyWrapping(editor_, configuration, big, wrapChosen_);
    // The progress strip comes or goes while the editor is empty: the
    // control lays out a small document in a fraction of the time.
    UpdateProgressStrip();
  });
  looks_.lineNumbering = LineNumbering(configuration, looks_.lineNumbering);
  UpdateMargin();
}

void SourceViewerWindow::LoadTurn(TurnScheduler::Clock::time_point deadline) {
  if (!loading_ && regrowing_) return RegrowTurn(deadline);
  const std::shared_ptr<DocumentLoad> loading = loading_;  // kept while the host's stream is read
  if (!loading) return turns_.Want(TurnScheduler::Work::Load, false);
  const DocumentLoad::Stage stage = loading->Turn(deadline);
  if (Gone() || loading != loading_) return;  // the host's code dropped it meanwhile
  if (stage == DocumentLoad::Stage::Built) return FinishLoading();
  if (stage == DocumentLoad::Stage::Ended) {
    // The rest could not be had: the first part is all there is.
    shown_.size = loading->firstBytes();
    EndLoading();
    UpdateProgressStrip();
    return ReportFeatures();
  }
  InvalidateRect(window_, &progressStrip_, FALSE);
  // The host learns that what it shows of the viewer changed (its file
  // description) at each tenth of the file.
  if (const int tenth = loading->Percent() / 10; tenth != std::exchange(reportedTenth_, tenth)) ReportFeatures();
}

void SourceViewerWindow::FinishLoading() {
  DocumentBuild::Result built = loading_->TakeDocument();
  const std::optional<FileIdentity> identity = loading_->identity();
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  // A file that proved ANSI after all has other bytes at the same places:
  // the user's place is kept by its lines, and the search starts over.
  const PlaceInFile place = placeAfterLoad_.value_or(
      PlaceInFile{editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)),
                  editor_.Send(SCI_GETFIRSTVISIBLELINE)});
  // The load ends, and its strip goes, while the editor still shows the
  // first part (see ShowFirstPart).
  EndLoading();
  UpdateProgressStrip();
  AdoptBuilt(configuration, built);
  if (built.startedOver) SearchAgainAfterLoad(configuration);
  if (Gone()) return;  // reading the host's find box ran the host's code
  if (built.startedOver || placeAfterLoad_) ReturnTo(place);
  placeAfterLoad_.reset();
  StartFollowingBuilt(configuration, built, identity);
  ReportFeatures();  // the description is final now
}

void SourceViewerWindow::AdoptBuilt(const ConfigurationSnapshot& configuration, DocumentBuild::Result& built) {
  shown_.size = built.bytes;
  shown_.encoding = built.encoding;
  shown_.codePage = built.codePage;
  shown_.cut = built.cut;
  // The last lines may name the language too (a modeline).
  shown_.edgeLines.last = EdgeLinesOf(built.tail, true).last;
  looks_.unlexed = built.holdsUnlexedLine;
  const Style style = StyleForFile(configuration, shown_.name, shown_.edgeLines, looks_.scheme);
  document().Adopt(std::move(built.document), [&] { ApplyLanguage(style); });
  ApplyStylingMode(editor_, document().length());
  UpdateMargin();
  // The text so far stays where it was, unless it was read anew as ANSI.
  if (!built.startedOver) search_.DocumentReplaced();
}

void SourceViewerWindow::EndLoading() {
  if (regrowing_) {
    regrowing_->Drop();
    regrowing_.reset();
  }
  if (!loading_) return turns_.Want(TurnScheduler::Work::Load, false);
  loading_->Drop();
  loading_.reset();
  turns_.Want(TurnScheduler::Work::Load, false);
  search_.SetDocumentComplete(true);
}

void SourceViewerWindow::UpdateProgressStrip() {
  const bool shown = progressStrip_.bottom > progressStrip_.top;
  if (!Gone() && shown != (loading_ != nullptr)) LayoutChildren(false);
}

void SourceViewerWindow::DescribeFile(HostTextRecord* record) const {
  if (!record) return;
  StampTextRecord(*record);
  const int64_t lines = editor_.Send(SCI_GETLINECOUNT);
  // While a file loads, the figures are those of what has been read.
  const uint64_t size = loading_ ? loading_->bytesRead() : shown_.size;
  std::wstring text = DescribedEncoding(shown_) +
                      FormatDescription(HostString(hostFunctions_, kDescriptionFormatId), lines, size);
  if (loading_) text += L", loading " + std::to_wstring(loading_->Percent()) + L" %";
  if (shown_.cut || follower_.state() == FileFollower::State::Full) text += L", shown up to 2 GB";
  if (follower_.gone()) text += L", deleted";
  if (record->textCapacity == 0 || !record->text) return;
  const size_t copied = std::min<size_t>(text.size(), record->textCapacity - 1);
  wmemcpy(record->text, text.data(), copied);
  record->text[copied] = L'\0';
}

}  // namespace lumen
