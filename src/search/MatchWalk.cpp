#include "search/MatchWalk.h"

#include <pcre2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

namespace lumen {
namespace {

// One piece of plain-text search: found in well under a millisecond. A long
// text over a document that nearly repeats it is compared at every start:
// its piece is cut so that this stays about this many bytes compared.
constexpr size_t kPlainWindow = 1 << 20;
constexpr size_t kBytesComparedPerPiece = size_t{16} << 20;
// How much of a line a pattern is given: after a match the first, growing
// to the second while no match comes; more when a match may go on.
constexpr size_t kFirstPatternWindow = 4096;
constexpr size_t kPatternWindow = 256 * 1024;
// A match that may run on grows its window up to this, and is cut there: a
// pattern such as ".*" over a line of hundreds of megabytes would otherwise
// be searched again and again over ever more of it.
constexpr size_t kLongestMatchWindow = size_t{1} << 20;
// How far back a walk that starts inside a long line looks for its start.
constexpr size_t kLookBehind = 4096;
// How many matches pass between two looks at the clock.
constexpr int kMatchesBetweenClockReads = 64;

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// The length of the UTF-8 character at `at`; 0 when the bytes are none.
size_t CharacterLength(std::string_view text, size_t at) {
  return ValidUtf8Length(text.substr(at, std::min<size_t>(4, text.size() - at))) == 0
             ? 0
             : [&] {
                 const auto lead = static_cast<unsigned char>(text[at]);
                 return lead < 0x80 ? size_t{1} : lead < 0xE0 ? size_t{2} : lead < 0xF0 ? size_t{3} : size_t{4};
               }();
}

char32_t Decode(std::string_view text, size_t at, size_t length) {
  const auto byte = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[at + i])); };
  switch (length) {
    case 1:
      return byte(0);
    case 2:
      return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    case 3:
      return (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
    default:
      return (byte(0) & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 | (byte(3) & 0x3F);
  }
}

// The class of the character at or before a position; a byte that is no
// character counts as punctuation.
CharacterClass ClassAfter(std::string_view text, size_t at) {
  const size_t length = CharacterLength(text, at);
  return length == 0 ? CharacterClass::Punctuation : ClassOf(Decode(text, at, length));
}

CharacterClass ClassBefore(std::string_view text, size_t at) {
  size_t start = at - 1;
  while (start > 0 && at - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  const size_t length = CharacterLength(text, start);
  return start + length == at ? ClassOf(Decode(text, start, length)) : CharacterClass::Punctuation;
}

CharacterClass ClassByUnicode(char32_t character) {
  struct Code {
    pcre2_code* code;
    ~Code() { pcre2_code_free(code); }
  };
  // The categories the control sorts characters by.
  static const Code classes{[] {
    const std::string_view pattern = "([\\p{L}\\p{N}\\p{M}])|([\\p{Zl}\\p{Zp}])|([\\p{Zs}\\p{Cc}\\p{Cf}\\p{Cs}\\p{Co}\\p{Cn}])";
    int error = 0;
    PCRE2_SIZE offset = 0;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                         PCRE2_UTF | PCRE2_ANCHORED, &error, &offset, nullptr);
  }()};
  if (!classes.code) return CharacterClass::Word;
  pcre2_match_data* data = pcre2_match_data_create(4, nullptr);
  std::string utf8;
  if (character < 0x800) {
    utf8 = {static_cast<char>(0xC0 | character >> 6), static_cast<char>(0x80 | (character & 0x3F))};
  } else if (character < 0x10000) {
    utf8 = {static_cast<char>(0xE0 | character >> 12), static_cast<char>(0x80 | (character >> 6 & 0x3F)),
            static_cast<char>(0x80 | (character & 0x3F))};
  } else {
    utf8 = {static_cast<char>(0xF0 | character >> 18), static_cast<char>(0x80 | (character >> 12 & 0x3F)),
            static_cast<char>(0x80 | (character >> 6 & 0x3F)), static_cast<char>(0x80 | (character & 0x3F))};
  }
  CharacterClass result = CharacterClass::Punctuation;  // symbols and punctuation
  if (data && pcre2_match(classes.code, reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), 0, 0, data,
                          nullptr) > 0) {
    const PCRE2_SIZE* groups = pcre2_get_ovector_pointer(data);
    if (groups[2] != PCRE2_UNSET) {
      result = CharacterClass::Word;
    } else if (groups[4] != PCRE2_UNSET) {
      result = CharacterClass::NewLine;
    } else {
      result = CharacterClass::Space;
    }
  }
  pcre2_match_data_free(data);
  return result;
}

}  // namespace

CharacterClass ClassOf(char32_t character) {
  if (character < 0x80) {
    const auto c = static_cast<unsigned char>(character);
    if (IsLineEnd(static_cast<char>(c))) return CharacterClass::NewLine;
    if (c <= ' ') return CharacterClass::Space;
    return std::isalnum(c) || c == '_' ? CharacterClass::Word : CharacterClass::Punctuation;
  }
  // The classes of the first plane, worked out once each: 0 is not yet known.
  static std::array<std::atomic<uint8_t>, 0x10000> known{};
  if (character >= known.size()) return ClassByUnicode(character);
  uint8_t value = known[character].load(std::memory_order_relaxed);
  if (value == 0) {
    value = static_cast<uint8_t>(static_cast<int>(ClassByUnicode(character)) + 1);
    known[character].store(value, std::memory_order_relaxed);
  }
  return static_cast<CharacterClass>(value - 1);
}

bool IsWholeWordAt(std::string_view document, size_t start, size_t end) {
  if (start >= end || end > document.size()) return false;
  const auto wordLike = [](CharacterClass c) { return c == CharacterClass::Word || c == CharacterClass::Punctuation; };
  if (start > 0) {
    const CharacterClass first = ClassAfter(document, start);
    if (!wordLike(first) || first == ClassBefore(document, start)) return false;
  }
  if (end < document.size()) {
    const CharacterClass last = ClassBefore(document, end);
    if (!wordLike(last) || last == ClassAfter(document, end)) return false;
  }
  return true;
}

Searcher::Made Searcher::For(const SearchQuery& query) {
  if (query.text.empty()) return {};
  auto searcher = std::make_shared<Searcher>();
  searcher->text_ = query.text;
  searcher->matchCase_ = query.matchCase;
  if (query.regularExpression) {
    searcher->pattern_ = Pattern::Compile(query.text, query.matchCase, query.wholeWord);
    if (!searcher->pattern_) return {nullptr, true};
    return {std::move(searcher)};
  }
  searcher->wholeWord_ = query.wholeWord;
  const bool ascii = std::all_of(query.text.begin(), query.text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!query.matchCase && !ascii) {
    // Other scripts' cases are Unicode's: the library compares them.
    std::string quoted;
    for (const char c : query.text) {
      if (static_cast<unsigned char>(c) < 0x80 && !std::isalnum(static_cast<unsigned char>(c))) quoted += '\\';
      quoted += c;
    }
    searcher->pattern_ = Pattern::Compile(quoted, false, false);
    if (!searcher->pattern_) return {};
  }
  return {std::move(searcher)};
}

size_t Searcher::SettledEnd(std::string_view document) const {
  if (!pattern_) {
    // A match must lie wholly before it, and the character after it be known.
    const size_t reach = text_.size() + 4;
    return document.size() > reach ? document.size() - reach : 0;
  }
  size_t end = document.size();
  while (end > 0 && !IsLineEnd(document[end - 1])) --end;
  // A CR may yet be followed by its LF.
  return end > 0 && document[end - 1] == '\r' ? end - 1 : end;
}

std::shared_ptr<const Searcher> Searcher::Fresh() const {
  auto fresh = std::make_shared<Searcher>(*this);
  fresh->tooComplexStarts_.clear();
  return fresh;
}

bool Searcher::FindsAsciiBytes() const {
  return !pattern_ && !wholeWord_ &&
         std::all_of(text_.begin(), text_.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

std::optional<size_t> Searcher::FindPlain(std::string_view document, size_t from, size_t limit) const {
  const size_t length = text_.size();
  if (document.size() < length) return std::nullopt;
  limit = std::min(limit, document.size() - length + 1);
  const char* bytes = document.data();
  const auto first = static_cast<unsigned char>(text_[0]);
  const bool eitherCase = !matchCase_ && std::isalpha(first);
  const char lower = static_cast<char>(std::tolower(first));
  for (size_t at = from; at < limit;) {
    if (eitherCase) {
      // Setting bit 5 makes both cases of a letter its small one, and nothing
      // else; eight bytes at a time, then the byte.
      constexpr uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
      const uint64_t lowers = ones * static_cast<unsigned char>(lower);
      for (; at + 8 <= limit; at += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        const uint64_t differences = (word | ones * 0x20) ^ lowers;
        if (((differences - ones) & ~differences & highs) != 0) break;
      }
      while (at < limit && (bytes[at] | 0x20) != lower) ++at;
      if (at == limit) return std::nullopt;
    } else {
      const void* found = std::memchr(bytes + at, first, limit - at);
      if (!found) return std::nullopt;
      at = static_cast<size_t>(static_cast<const char*>(found) - bytes);
    }
    bool same = true;
    if (matchCase_) {
      same = std::memcmp(bytes + at + 1, text_.data() + 1, length - 1) == 0;
    } else {
      for (size_t i = 1; i < length && same; ++i) {
        same = std::tolower(static_cast<unsigned char>(bytes[at + i])) == std::tolower(static_cast<unsigned char>(text_[i]));
      }
    }
    if (same) return at;
    ++at;
  }
  return std::nullopt;
}

MatchWalk::MatchWalk(std::shared_ptr<const Searcher> searcher, std::string_view document, size_t at, From from)
    : searcher_(std::move(searcher)), at_(std::min(at, document.size())), window_(kFirstPatternWindow) {
  if (!searcher_ || (!searcher_->pattern_ && from == From::Place)) return;
  // The line's start, or a character's start not far before `at`.
  size_t start = at_;
  while (start > 0 && at_ - start < kLookBehind && !IsLineEnd(document[start - 1])) --start;
  startsLine_ = start == 0 || IsLineEnd(document[start - 1]);
  while (!startsLine_ && start < at_ && (static_cast<unsigned char>(document[start]) & 0xC0) == 0x80) ++start;
  lineStart_ = checked_ = start;
  if (from == From::LineStart) at_ = start;
}

MatchWalk::Step MatchWalk::Next(std::string_view document, size_t end, Clock::time_point deadline) {
  end = std::min(end, document.size());
  if (!searcher_ || at_ >= end) return {};
  return searcher_->pattern_ ? NextInPattern(document, end, deadline) : NextPlain(document, end);
}

MatchWalk::Step MatchWalk::NextPlain(std::string_view document, size_t end) {
  const Searcher& searcher = *searcher_;
  const size_t window = std::clamp<size_t>(kBytesComparedPerPiece / searcher.text_.size(), 64, kPlainWindow);
  const size_t limit = std::min(end, at_ + window);
  while (const auto start = searcher.FindPlain(document, at_, limit)) {
    const size_t matchEnd = *start + searcher.text_.size();
    if (!searcher.wholeWord_ || IsWholeWordAt(document, *start, matchEnd)) {
      at_ = matchEnd;
      return {Step::Kind::Found, {static_cast<int32_t>(*start), static_cast<int32_t>(matchEnd)}};
    }
    at_ = *start + 1;
  }
  at_ = limit;
  return {};
}

void MatchWalk::Check(std::string_view document, size_t target) {
  target = std::min(target, document.size());
  size_t at = checked_;
  while (stop_ == Stop::Unknown && at < target) {
    // Eight bytes of ASCII without a line end at a time.
    while (at + 8 <= target) {
      uint64_t word;
      std::memcpy(&word, document.data() + at, 8);
      constexpr uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
      const auto hasZero = [](uint64_t v) { return ((v - ones) & ~v & highs) != 0; };
      if ((word & highs) != 0 || hasZero(word ^ (ones * '\n')) || hasZero(word ^ (ones * '\r'))) break;
      at += 8;
    }
    if (at >= target) break;
    if (IsLineEnd(document[at])) {
      stop_ = Stop::LineEnd;
      break;
    }
    const size_t length = CharacterLength(document, at);
    if (length > 0) {
      at += length;
      continue;
    }
    if (at >= at_) {
      stop_ = Stop::NoCharacter;
      break;
    }
    // A byte that is no character before the walk's place: the subject starts after it.
    lineStart_ = at + 1;
    startsLine_ = false;
    ++at;
  }
  checked_ = std::min(at, document.size());
  if (stop_ == Stop::Unknown && checked_ == document.size()) stop_ = Stop::DocumentEnd;
}

void MatchWalk::PassStop(std::string_view document) {
  window_ = kFirstPatternWindow;
  if (stop_ == Stop::DocumentEnd) {
    at_ = checked_;  // the line goes on if the document grows
    return;
  }
  size_t next = checked_ + 1;
  if (stop_ == Stop::LineEnd && document.compare(checked_, 2, "\r\n") == 0) ++next;
  startsLine_ = stop_ == Stop::LineEnd;
  lineStart_ = at_ = checked_ = next;
  stop_ = Stop::Unknown;
}

MatchWalk::Step MatchWalk::NextInPattern(std::string_view document, size_t end, Clock::time_point deadline) {
  // The document may have grown since the walk was at its end.
  if (stop_ == Stop::DocumentEnd && checked_ < document.size()) stop_ = Stop::Unknown;
  if (skippingLine_) {
    Check(document, checked_ + kPatternWindow);
    at_ = checked_;
    if (stop_ == Stop::Unknown) return {};
    skippingLine_ = false;
    PassStop(document);
    return {};
  }
  Check(document, at_ + window_);
  // The subject ends at the window's end, or at what ends the line there.
  size_t subjectEnd = std::min(checked_, at_ + window_);
  while (subjectEnd > at_ && subjectEnd < checked_ && (static_cast<unsigned char>(document[subjectEnd]) & 0xC0) == 0x80) {
    --subjectEnd;
  }
  const bool wholeLine = subjectEnd == checked_ && stop_ != Stop::Unknown;
  const bool longestMatch = !wholeLine && window_ >= kLongestMatchWindow;
  const std::string_view subject = document.substr(lineStart_, subjectEnd - lineStart_);
  Pattern::Subject about;
  about.startsLine = startsLine_;
  // A match as long as a window may be ends at the window's end, where the line does not.
  about.endsLine = !(wholeLine && stop_ == Stop::NoCharacter) && !longestMatch;
  about.cut = !wholeLine && !longestMatch;
  about.deadline = deadline;
  std::vector<size_t>& tooComplexStarts = searcher_->tooComplexStarts_;
  const auto known = std::lower_bound(tooComplexStarts.begin(), tooComplexStarts.end(), at_);
  if (known != tooComplexStarts.end() && *known < subjectEnd) about.tooComplexStart = *known - lineStart_;
  const Pattern::Result found = searcher_->pattern_->Find(subject, at_ - lineStart_, about);
  const size_t start = lineStart_ + found.span.start;
  switch (found.outcome) {
    case Pattern::Outcome::Found: {
      // Where matches are close together a small subject is enough; PCRE2
      // looks through all of it for a letter in either case.
      window_ = kFirstPatternWindow;
      if (start >= end) {
        at_ = end;
        return {};
      }
      const size_t matchEnd = lineStart_ + found.span.end;
      const Searcher& searcher = *searcher_;
      // \K may leave a match empty, or end it where the search began.
      if (matchEnd <= start || matchEnd <= at_ || (searcher.wholeWord_ && !IsWholeWordAt(document, start, matchEnd))) {
        at_ = std::max(at_, start) + std::max<size_t>(CharacterLength(document, std::max(at_, start)), 1);
        return {};
      }
      at_ = matchEnd;
      return {Step::Kind::Found, {static_cast<int32_t>(start), static_cast<int32_t>(matchEnd)}};
    }
    case Pattern::Outcome::Cut:
      // A match may run on past what the pattern saw: it sees twice as much.
      at_ = start;
      window_ *= 2;
      return {};
    case Pattern::Outcome::Interrupted:
      at_ = start;
      return {};
    case Pattern::Outcome::TooComplex: {
      const auto place = std::lower_bound(tooComplexStarts.begin(), tooComplexStarts.end(), start);
      if (place == tooComplexStarts.end() || *place != start) tooComplexStarts.insert(place, start);
      const size_t line = lineStart_;
      skippingLine_ = true;
      at_ = checked_;
      return {Step::Kind::TooComplex, {}, line};
    }
    case Pattern::Outcome::None:
      at_ = subjectEnd;
      if (wholeLine) {
        PassStop(document);
      } else {
        window_ = std::min(window_ * 2, kPatternWindow);
      }
      return {};
  }
  return {};
}

bool MatchWalk::Run(std::string_view document, size_t end, Clock::time_point deadline, const OnMatch& onMatch,
                    const std::function<void(size_t)>& tooComplex) {
  end = std::min(end, document.size());
  int sinceClock = 0;
  while (at_ < end) {
    const Step step = Next(document, end, deadline);
    if (step.kind == Step::Kind::Found) {
      onMatch(step.match);
      if (++sinceClock < kMatchesBetweenClockReads) continue;
    } else if (step.kind == Step::Kind::TooComplex && tooComplex) {
      tooComplex(step.lineStart);
    }
    sinceClock = 0;
    if (Clock::now() >= deadline) break;
  }
  return at_ >= end;
}

}  // namespace lumen
