#pragma once
// JSON and XML shown indented. The reindenter keeps every token as the text
// has it (numbers, escapes, attributes, comments, character data) and changes
// only the white space between tokens. It takes the text piece by piece, so
// that a document of any size streams through it in little memory, and it
// stops at the first fault: from there on the text goes out as it came.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumen {

enum class Markup { Json, Xml };

class Reindenter {
 public:
  // `indent`: one level's indentation ("  ", "\t").
  Reindenter(Markup markup, std::string indent);

  // The next piece of the text (UTF-8); what it formats to is appended to `out`.
  void Feed(std::string_view piece, std::string& out);
  // The text has ended: what is held back goes out. A text that ends inside
  // a value or an element is a fault there.
  void Finish(std::string& out);

  // Whether formatting stopped at a fault, and the line of the output (from
  // 1) from which the text goes on as it came.
  bool faulted() const { return faulted_; }
  uint64_t faultLine() const { return faultLine_; }

 private:
  void FeedJson(std::string_view piece, std::string& out);
  void FeedXml(std::string_view piece, std::string& out);
  // JSON's tokens.
  bool JsonByte(char byte, std::string& out);
  bool JsonToken(char byte, std::string& out);
  bool EndScalar(std::string& out);
  void ValueDone();
  // XML's: a whole markup token, and character data.
  bool XmlToken(std::string& out);
  bool MarkupEnds(char byte);
  void Break(std::string& out);
  void Emit(std::string& out, std::string_view text);
  // From `rest` on, the text goes out as it came.
  void Fault(std::string& out, std::string_view held, std::string_view rest);

  Markup markup_;
  std::string indent_;
  uint64_t lines_ = 1;  // of the output so far
  bool emitted_ = false;
  bool faulted_ = false;
  uint64_t faultLine_ = 0;
  size_t depth_ = 0;

  // JSON: the containers open, what may come next, a string or scalar under way.
  enum class Expect { Value, FirstValueOrEnd, FirstKeyOrEnd, Key, Colon, CommaOrEnd };
  std::vector<char> open_;
  Expect expect_ = Expect::Value;
  bool breakDue_ = false;  // a line break before the next token
  bool inString_ = false, escaped_ = false;
  enum class Comment { None, Slash, Line, Block, BlockStar } comment_ = Comment::None;
  std::string scalar_;

  // XML: the elements open, the markup token or white space under way, and
  // what came last (character data keeps the markup beside it on its line).
  enum class Last { Nothing, Start, End, Other, Text };
  std::vector<std::string> elements_;
  std::string token_;
  // JSON: the white space since the last token; XML: white space that may be all of a text.
  std::string space_;
  bool inText_ = false;  // character data under way, past its white space
  Last last_ = Last::Nothing;
  char quote_ = 0;
  int brackets_ = 0;  // a document type's internal subset
};

}  // namespace lumen
