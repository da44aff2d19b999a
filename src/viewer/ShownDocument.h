#pragma once
// The file a viewer shows, from the host's message to its whole text and on
// as it grows: its load, its following, what is known of it, the encoding
// the user chose for it, the place to return to and a stream's kept bytes.
// It is the only writer of the control's text (through EditorDocument) and
// the one that tells the search of the document; the viewer around it gives
// the text its looks and tells the host.
#include <objidl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "abi/EditorControl.h"
#include "base/SharedFile.h"
#include "config/Loaders.h"
#include "config/Recognition.h"
#include "search/DocumentEvents.h"
#include "text/Encoding.h"
#include "viewer/DocumentBuild.h"
#include "viewer/DocumentLoad.h"
#include "viewer/EditorDocument.h"
#include "viewer/FileFollow.h"
#include "search/LineFilter.h"
#include "viewer/FileWindow.h"
#include "viewer/FormattedText.h"
#include "viewer/StreamSpool.h"
#include "viewer/TurnScheduler.h"

namespace lumen {

// The file shown, as the host and the choice of its language know it. Only
// a load that shows a file changes it.
struct ShownFile {
  std::wstring name;    // as the host gave it
  EdgeLines edgeLines;  // its language's evidence besides the name
  uint64_t size = 0;
  DocumentSize sizeClass = DocumentSize::Small;
  Encoding encoding = Encoding::Unknown;
  uint32_t codePage = 0;        // of ANSI text; 0: the system's
  bool byPath = false;          // it can be opened again
  bool encodingChosen = false;  // by the user, not detected
  bool cut = false;             // its text goes beyond what the control holds
  bool holdsUnlexedLine = false;  // a big document with a line too long to lex (see HoldsUnlexedLine)
  Compression compression = Compression::None;  // of a compressed file shown as its text
};

// Where the user was in a file read again: the caret's line and the first
// line in view, put back once the text is there.
struct PlaceInFile {
  intptr_t caretLine = 0;
  intptr_t firstVisibleLine = 0;
};

class ShownDocument {
 public:
  // What the viewer does for the document as it changes.
  class Viewer {
   public:
    // The looks of a new text, sent while the control is empty: styles and
    // lexer, the scheme's colours, wrapping, folding, idle styling, the room
    // for the progress strip while a load goes on.
    virtual void ApplyLooks(const ConfigurationSnapshot& configuration) = 0;
    // A document built elsewhere took the shown one's place: its language
    // again (a lexer belongs to a document).
    virtual void ApplyLanguage(const ConfigurationSnapshot& configuration) = 0;
    // The text changed, or a load ended: margins, idle styling, the progress
    // strip, a document grown big unwrapped and unfolded.
    virtual void TextChanged() = 0;
    // What the host shows of the viewer (the description) changed.
    virtual void ReportToHost() = 0;
    // How far a load is changed.
    virtual void ShowProgress() = 0;
    // A new document is shown and the search told of it.
    virtual void Shown(const ConfigurationSnapshot& configuration) = 0;
    // The viewer's window is gone: the host's code destroyed it meanwhile.
    virtual bool Gone() const = 0;
    // A document formatted as `markup` is not valid from its line `line` on.
    virtual void ShowFormatFault(Markup markup, uint64_t line) = 0;

   protected:
    ~Viewer() = default;
  };

  ShownDocument(Viewer& viewer, DocumentEvents& search, TurnScheduler& turns);
  ~ShownDocument();
  ShownDocument(const ShownDocument&) = delete;
  ShownDocument& operator=(const ShownDocument&) = delete;

  // The editor written to from now on; none once the viewer's editor is gone.
  void SetEditor(const EditorControl& editor);
  // The viewer's window is gone: nothing more is loaded or followed.
  void Close();

  // The host's messages; 1 when a file is shown, 0 when it is not (the file
  // shown before stays).
  LRESULT OpenPath(const wchar_t* path);
  LRESULT OpenStream(const wchar_t* name, IStream* stream);
  // The Encoding entry's choice at `index`: the file (by path, or the bytes
  // kept of a stream) is read again in it, the user's place kept.
  void ChooseEncoding(size_t index);
  // The user pauses following, or resumes it.
  void ToggleFollowing();

  // The scheduler's turns.
  void LoadTurn(TurnScheduler::Clock::time_point deadline);
  void FollowTurn();

  const ShownFile& file() const { return file_; }
  const std::optional<EncodingChoice>& encodingChoice() const { return encodingChoice_; }
  // Whether the file can be read again in another encoding.
  bool canReadAgain() const { return file_.byPath || !streamBytes_.empty(); }
  FileFollower::State following() const { return follower_.state(); }
  // The window onto a file too big to give the control whole, or onto the
  // filtered or formatted text while it is shown; null for others.
  FileWindow* window() const {
    return filtered_ ? filtered_->window.get() : formatted_ ? formatted_->window.get() : window_.get();
  }

  // The text a worker reads for the file shown: the windowed file, or a copy
  // of the document's text (the control is this thread's); none without one
  // (or while a filter holds the document's).
  std::optional<FileText> TextForWorkers() const;
  // Shows the file's lines that `searcher` matches (or the others), with
  // `options`' context, in place of the file (or of the filter shown);
  // false when it cannot be.
  bool ShowFiltered(const ConfigurationSnapshot& configuration, std::shared_ptr<const Searcher> searcher,
                    LineFilter::Options options);
  // Back to the file, at its line `fileLine` (from 0) where one is given.
  void EndFilter(std::optional<uint64_t> fileLine);
  // The filter shown; null while the file is.
  const LineFilter* filter() const { return filtered_ ? filtered_->filter.get() : nullptr; }
  std::optional<LineFilter::Mode> filterMode() const {
    return filtered_ ? std::optional<LineFilter::Mode>(filtered_->mode) : std::nullopt;
  }
  // Shows the file's text as `markup`, indented by `indent`, in place of the
  // file; false when it cannot be (a filter is shown, no worker starts).
  bool ShowFormatted(const ConfigurationSnapshot& configuration, Markup markup, std::string indent);
  // Back to the file as it is, at its first line.
  void EndFormatted();
  bool formatted() const { return formatted_.has_value(); }
  // How far the rest of a big file is, 0 to 100; none when nothing loads.
  std::optional<int> LoadPercent() const;
  // The bytes the description counts: what has been read while a file loads.
  uint64_t describedBytes() const;
  // The lines it counts: the control's, or a windowed file's counted so far.
  int64_t DescribedLines() const;
  // What the description adds after the figures: ", loading 40 %", ...
  std::wstring DescriptionNotes() const;

 private:
  // Shows the first part of an opened file (all of a small one); the rest of
  // a big one goes on in the load's turns. `shown`: the files shown before,
  // so that a file the host's code showed meanwhile is not replaced.
  LRESULT Show(std::unique_ptr<DocumentLoad> opened, uint64_t shown);
  void ShowFirstPart(const ConfigurationSnapshot& configuration, const DocumentLoad& load);
  // Whether the load's file is shown through a window, and the window's
  // first text shown; false when it cannot be.
  static bool GoesThroughWindow(const DocumentLoad& load, const ConfigurationSnapshot& configuration);
  bool ShowWindowOnto(const ConfigurationSnapshot& configuration, DocumentLoad& load);
  // A windowed file's turn: the host's stream spooled on, a decompression's
  // progress, the index's.
  void WindowTurn(TurnScheduler::Clock::time_point deadline);
  void FinishLoading();
  // A document the workers built takes the place of the one shown, which its
  // text begins with (unless it started over as ANSI).
  void AdoptBuilt(const ConfigurationSnapshot& configuration, DocumentBuild::Result& built);
  // The rest of a file, or a regrowing document, is not wanted any more.
  void EndLoading();
  void ReturnTo(const PlaceInFile& place);
  // Whether the host's code destroyed the viewer, or showed another file in
  // it, since `shown` files had been shown.
  bool Superseded(uint64_t shown) const { return closed_ || viewer_.Gone() || shown != shownCount_; }

  // Following (Following.cpp).
  void StartFollowing(const ConfigurationSnapshot& configuration, uint64_t size,
                      const std::optional<FileIdentity>& identity, size_t room);
  void StartFollowingBuilt(const ConfigurationSnapshot& configuration, const DocumentBuild::Result& built,
                           const std::optional<FileIdentity>& identity);
  void StopFollowing();
  // Whether the user is at the file's end: the caret on its last line, or
  // the last line in view with nothing selected. New lines keep them there.
  enum class EndInView { No, Caret, View };
  EndInView WhereTheEndIs() const;
  void KeepAtEnd(EndInView end);
  void AppendFollowed(const std::string& text);
  // What a windowed file added: its index and its window go on to the new end.
  void GrowWindowed();
  // The file became shorter or another: shown again from its start.
  void ShowFollowedAgain();
  // A big document without room for what the file added is built anew by
  // the workers, with room to grow, and then takes the shown one's place.
  void GrowFollowedDocument();
  void RegrowTurn(TurnScheduler::Clock::time_point deadline);

  Viewer& viewer_;
  DocumentEvents& search_;
  TurnScheduler& turns_;
  EditorControl editor_;
  EditorDocument document_;
  ShownFile file_;
  std::optional<EncodingChoice> encodingChoice_;  // the user's for the file shown; the next starts detected
  std::optional<PlaceInFile> placeAfterLoad_;     // where a progressive re-read returns to
  std::string streamBytes_;  // of a stream shown whole, to read again in another encoding
  // The rest of a big file on its way, with the configuration its message read.
  std::shared_ptr<DocumentLoad> loading_;
  std::shared_ptr<const ConfigurationSnapshot> loadingConfiguration_;
  std::shared_ptr<DocumentLoad> regrowing_;  // a followed big file built anew with room to grow
  std::unique_ptr<FileWindow> window_;
  // A big stream shown through a window: the file it is written to, and the
  // host's stream while it has more (read on this thread only).
  std::shared_ptr<StreamSpool> spool_;
  std::shared_ptr<ByteSource> spooled_;
  // A compressed file's text: decompressed whole at once, or by a worker
  // into spool_ while `decompressing_`.
  std::shared_ptr<DecompressedFile> decompressed_;
  bool decompressing_ = false;
  // A host's compressed stream's text: decompressed as it is read.
  std::shared_ptr<const DecompressedFile::Progress> streamDecompression_;
  uint64_t streamCompressedSize_ = 0;
  // The filter shown in place of the file: its text written to a file of
  // lumen's, shown through a window of its own; the file's own document
  // (the control's, held by reference) waits meanwhile.
  struct Filtered {
    std::shared_ptr<StreamSpool> spool;
    std::shared_ptr<LineFilter> filter;
    std::unique_ptr<FileWindow> window;
    LRESULT fileDocument = 0;
    uint64_t fileLines = 0;  // the file's, as the description counted them
    FileText source;         // the text the filter read first
    // Of a followed file: where the text filtered ends in the file, and
    // whether the filter goes on over what the file added.
    std::optional<uint64_t> followedTo;
    bool followPass = false;
    uint64_t linesReadFirst = 0;  // by the filter over the first text; the lines after it are the file's too
    LineFilter::Mode mode = LineFilter::Mode::Matching;
    bool reported = false;  // its end told to the search
  };
  std::optional<Filtered> filtered_;
  // A filter's or a formatting's text: the window onto the spool it is
  // written to, and that window shown in place of the file's document.
  std::unique_ptr<FileWindow> WindowOntoSpool(const StreamSpool& spool, SharedFile file);
  void ShowSpooled(const ConfigurationSnapshot& configuration, FileWindow& window);
  // The file's document, held while a spooled text was shown, shown again
  // and let go, and the search told; false when the viewer is going or its
  // editor gone.
  bool ShowFileDocument(LRESULT fileDocument);
  // The document formatted in place of the file (Formatting.cpp): written to
  // a spool by a worker, shown through a window of its own; the file's
  // document waits meanwhile, as under a filter.
  struct Formatted {
    std::shared_ptr<StreamSpool> spool;
    std::unique_ptr<FormattedText> text;
    std::unique_ptr<FileWindow> window;
    LRESULT fileDocument = 0;
    Markup markup = Markup::Json;
    uint64_t sourceEnd = 0;
    bool reported = false;  // its end told to the search
  };
  std::optional<Formatted> formatted_;
  void FormatTurn();
  void FilterTurn();
  // A look at a followed file while a filter is shown: its new lines are filtered on.
  void FollowFiltered();
  int reportedTenth_ = 0;  // how far the load was when the host was last told
  FileFollower follower_;
  uint64_t shownCount_ = 0;  // files shown so far
  bool closed_ = false;
};

}  // namespace lumen
