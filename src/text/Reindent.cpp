#include "text/Reindent.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumen {
namespace {

// Deeper levels are indented as this one: a pathological nesting must not
// make the output grow with the square of its depth.
constexpr size_t kDeepestIndent = 64;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsScalarByte(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '+' || c == '.';
}

// A JSON literal or number, exactly as the grammar has it.
bool IsJsonScalar(std::string_view s) {
  if (s == "true" || s == "false" || s == "null") return true;
  size_t i = 0;
  const auto digits = [&] {
    const size_t from = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i > from;
  };
  if (i < s.size() && s[i] == '-') ++i;
  if (i < s.size() && s[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < s.size() && s[i] == '.' && (++i, !digits())) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == s.size();
}

bool StartsName(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

// The name of the tag `token` ("<name ...>" or "</name>") starts at `from`.
std::string_view TagName(std::string_view token, size_t from) {
  size_t end = from;
  while (end < token.size() && !IsSpace(token[end]) && token[end] != '>' && token[end] != '/') ++end;
  return token.substr(from, end - from);
}

}  // namespace

Reindenter::Reindenter(Markup markup, std::string indent) : markup_(markup), indent_(std::move(indent)) {}

void Reindenter::Emit(std::string& out, std::string_view text) {
  lines_ += static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n'));
  out.append(text);
  emitted_ = emitted_ || !text.empty();
}

void Reindenter::Break(std::string& out) {
  if (!emitted_) return;  // no empty line before the first token
  std::string line = "\n";
  for (size_t level = 0; level < std::min(depth_, kDeepestIndent); ++level) line += indent_;
  Emit(out, line);
}

void Reindenter::Fault(std::string& out, std::string_view held, std::string_view rest) {
  faulted_ = true;
  faultLine_ = lines_;
  out.append(held);
  out.append(rest);
}

void Reindenter::Feed(std::string_view piece, std::string& out) {
  if (faulted_) {
    out.append(piece);
  } else if (markup_ == Markup::Json) {
    FeedJson(piece, out);
  } else {
    FeedXml(piece, out);
  }
}

void Reindenter::Finish(std::string& out) {
  if (faulted_) return;
  if (markup_ == Markup::Json) {
    if (comment_ == Comment::Slash || (!scalar_.empty() && !EndScalar(out))) return Fault(out, space_ + scalar_, {});
    if (inString_ || !open_.empty() || comment_ == Comment::Block || comment_ == Comment::BlockStar) {
      return Fault(out, {}, {});
    }
  } else if (!token_.empty() || !elements_.empty()) {
    return Fault(out, token_, {});
  }
  if (emitted_) Emit(out, "\n");
}

// JSON

void Reindenter::FeedJson(std::string_view piece, std::string& out) {
  for (size_t i = 0; i < piece.size(); ++i) {
    // A string's bytes go out as they are, a run at a time.
    if (inString_ && !escaped_) {
      const size_t stop = piece.find_first_of("\"\\", i);
      const size_t end = stop == std::string_view::npos ? piece.size() : stop;
      if (end > i) Emit(out, piece.substr(i, end - i));
      if (end == piece.size()) return;
      i = end;
    }
    if (!JsonByte(piece[i], out)) return Fault(out, space_ + scalar_, piece.substr(i));
  }
}

void Reindenter::ValueDone() {
  if (open_.empty()) {
    expect_ = Expect::Value;  // JSON Lines: the next value on a line of its own
    breakDue_ = true;
  } else {
    expect_ = Expect::CommaOrEnd;
  }
}

bool Reindenter::EndScalar(std::string& out) {
  if (!IsJsonScalar(scalar_)) return false;
  Emit(out, scalar_);
  scalar_.clear();
  ValueDone();
  return true;
}

bool Reindenter::JsonByte(char c, std::string& out) {
  const auto beforeToken = [&] {
    if (std::exchange(breakDue_, false)) Break(out);
  };
  if (inString_) {
    Emit(out, std::string_view(&c, 1));
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inString_ = false;
      if (expect_ == Expect::Key || expect_ == Expect::FirstKeyOrEnd) {
        expect_ = Expect::Colon;
      } else {
        ValueDone();
      }
    }
    return true;
  }
  // Comments, as JSON with comments (settings files) has them: each on its own line.
  switch (comment_) {
    case Comment::Slash:
      if (c != '/' && c != '*') return false;
      scalar_.clear();
      comment_ = c == '/' ? Comment::Line : Comment::Block;
      breakDue_ = true;  // a comment has a line of its own
      beforeToken();
      Emit(out, c == '/' ? "//" : "/*");
      return true;
    case Comment::Line:
      if (c == '\n') {
        comment_ = Comment::None;
        breakDue_ = true;
      } else if (c != '\r') {
        Emit(out, std::string_view(&c, 1));
      }
      return true;
    case Comment::Block:
    case Comment::BlockStar:
      Emit(out, std::string_view(&c, 1));
      if (comment_ == Comment::BlockStar && c == '/') {
        comment_ = Comment::None;
        breakDue_ = true;
      } else {
        comment_ = c == '*' ? Comment::BlockStar : Comment::Block;
      }
      return true;
    case Comment::None:
      break;
  }
  if (!scalar_.empty()) {
    if (IsScalarByte(c)) {
      scalar_ += c;
      return true;
    }
    if (!EndScalar(out)) return false;
  }
  // Dropped, but kept until the next token: a fault there shows the text as it came.
  if (IsSpace(c)) {
    space_ += c;
    return true;
  }
  if (!JsonToken(c, out)) return false;
  space_.clear();
  return true;
}

bool Reindenter::JsonToken(char c, std::string& out) {
  const auto beforeToken = [&] {
    if (std::exchange(breakDue_, false)) Break(out);
  };
  const bool valueWanted = expect_ == Expect::Value || expect_ == Expect::FirstValueOrEnd;
  switch (c) {
    case '{':
    case '[':
      if (!valueWanted) return false;
      beforeToken();
      Emit(out, std::string_view(&c, 1));
      open_.push_back(c);
      ++depth_;
      expect_ = c == '{' ? Expect::FirstKeyOrEnd : Expect::FirstValueOrEnd;
      breakDue_ = true;
      return true;
    case '}':
    case ']': {
      const bool fits = c == '}' ? expect_ == Expect::FirstKeyOrEnd || expect_ == Expect::CommaOrEnd
                                 : expect_ == Expect::FirstValueOrEnd || expect_ == Expect::CommaOrEnd;
      if (open_.empty() || open_.back() != (c == '}' ? '{' : '[') || !fits) return false;
      const bool empty = expect_ != Expect::CommaOrEnd;
      open_.pop_back();
      --depth_;
      breakDue_ = false;
      if (!empty) Break(out);
      Emit(out, std::string_view(&c, 1));
      ValueDone();
      return true;
    }
    case ',':
      if (expect_ != Expect::CommaOrEnd || open_.empty()) return false;
      Emit(out, ",");
      expect_ = open_.back() == '{' ? Expect::Key : Expect::Value;
      breakDue_ = true;
      return true;
    case ':':
      if (expect_ != Expect::Colon) return false;
      Emit(out, ": ");
      expect_ = Expect::Value;
      return true;
    case '"':
      if (!valueWanted && expect_ != Expect::Key && expect_ != Expect::FirstKeyOrEnd) return false;
      beforeToken();
      Emit(out, "\"");
      inString_ = true;
      return true;
    case '/':
      comment_ = Comment::Slash;
      scalar_ = "/";
      return true;
    default:
      if (!valueWanted || !IsScalarByte(c)) return false;
      beforeToken();
      scalar_ = c;
      return true;
  }
}

// XML

void Reindenter::FeedXml(std::string_view piece, std::string& out) {
  for (size_t i = 0; i < piece.size(); ++i) {
    const char c = piece[i];
    if (!token_.empty()) {
      token_ += c;
      if (MarkupEnds(c)) {
        if (!XmlToken(out)) return Fault(out, token_, piece.substr(i + 1));
        token_.clear();
      }
      continue;
    }
    if (c == '<') {
      inText_ = false;
      space_.clear();  // white space between markup is the indentation's
      token_ = "<";
      quote_ = 0;
      brackets_ = 0;
      continue;
    }
    if (!inText_ && IsSpace(c)) {
      space_ += c;
      continue;
    }
    // Character data goes out as it is, with the white space it starts with.
    if (!inText_) {
      inText_ = true;
      last_ = Last::Text;
      Emit(out, space_);
      space_.clear();
    }
    const size_t stop = piece.find('<', i);
    const size_t end = stop == std::string_view::npos ? piece.size() : stop;
    Emit(out, piece.substr(i, end - i));
    i = end - 1;
  }
}

bool Reindenter::MarkupEnds(char c) {
  const std::string_view token = token_;
  if (token.starts_with("<!--")) return c == '>' && token.size() >= 7 && token.ends_with("-->");
  if (token.starts_with("<![CDATA[")) return c == '>' && token.ends_with("]]>");
  if (token.starts_with("<?")) return c == '>' && token.size() >= 4 && token.ends_with("?>");
  // A comment or CDATA section not yet told from a declaration has neither quotes nor brackets that count.
  const bool undecided = token.size() < 9 && (std::string_view("<!--").starts_with(token) ||
                                              std::string_view("<![CDATA[").starts_with(token));
  if (undecided) return false;
  if (quote_) {
    if (c == quote_) quote_ = 0;
  } else if (c == '"' || c == '\'') {
    quote_ = c;
  } else if (c == '[') {
    ++brackets_;
  } else if (c == ']') {
    --brackets_;
  } else if (c == '>') {
    return brackets_ <= 0;
  }
  return false;
}

bool Reindenter::XmlToken(std::string& out) {
  const std::string_view token = token_;
  const bool besideText = last_ == Last::Text;
  if (token.starts_with("</")) {
    if (elements_.empty() || elements_.back() != TagName(token, 2)) return false;
    elements_.pop_back();
    --depth_;
    // An element without children closes on its own line: <a/>-like, or its text's.
    if (last_ != Last::Start && !besideText) Break(out);
    Emit(out, token);
    last_ = Last::End;
    return true;
  }
  if (token.starts_with("<!") || token.starts_with("<?")) {
    if (!besideText) Break(out);
    Emit(out, token);
    last_ = Last::Other;
    return true;
  }
  if (token.size() < 3 || !StartsName(token[1])) return false;
  if (!besideText) Break(out);
  Emit(out, token);
  if (token.ends_with("/>")) {
    last_ = Last::Other;
  } else {
    elements_.emplace_back(TagName(token, 1));
    ++depth_;
    last_ = Last::Start;
  }
  return true;
}

}  // namespace lumen
