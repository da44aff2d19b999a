#pragma once
// A JSON or XML document shown indented: a worker reads the text shown (all
// of a windowed file) slice by slice, reindents it (text/Reindent) and writes
// what comes out to a spool of lumen's, which a window shows as it grows.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "search/FileSearch.h"
#include "text/Reindent.h"
#include "viewer/StreamSpool.h"

namespace lumen {

class FormattedText {
 public:
  enum class State { Formatting, Done, Failed };

  // The worker started over `source`, writing to `spool`; null when no thread starts.
  static std::unique_ptr<FormattedText> Start(const FileText& source, Markup markup, std::string indent,
                                              std::shared_ptr<StreamSpool> spool);
  // The worker stops, if it still runs.
  ~FormattedText();
  FormattedText(const FormattedText&) = delete;
  FormattedText& operator=(const FormattedText&) = delete;

  // Any thread's.
  State state() const;
  uint64_t bytesRead() const;
  // Once Done: whether the text has a fault, and the formatted text's line
  // from which it goes on as it came.
  bool faulted() const;
  uint64_t faultLine() const;

 private:
  struct Work;
  explicit FormattedText(std::shared_ptr<Work> work) : work_(std::move(work)) {}
  std::shared_ptr<Work> work_;
};

// The markup a language's name or a text's start says a document is in;
// none for others.
std::optional<Markup> MarkupOf(const std::wstring& language, std::string_view head);

}  // namespace lumen
