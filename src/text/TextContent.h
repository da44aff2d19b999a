#pragma once
// Whether a file whose name no rule knows is text, by its first bytes, and
// what shape of text it is: what a lister tells from looking, for files
// named "notes", "layout.keep" or a tool's config without an extension.
#include <string_view>

namespace lumen {

// The first bytes a file is judged by.
inline constexpr size_t kTextContentReach = 4096;

// Text: not a known binary format by its signature; no NUL bytes outside
// UTF-16 or UTF-32 text and no run of control characters; valid UTF-8 (a
// character cut by the end of `head` aside, unless `wholeFile`), UTF-16 or
// UTF-32, or a legacy code page the charset detector is sure of (or one of
// few bytes beyond ASCII).
bool LooksLikeText(std::string_view head, bool wholeFile);

enum class TextShape { Plain, Xml, Json };
// By how `utf8` (a text's start) begins, past blanks and a byte order mark:
// an XML declaration, comment, doctype or element; a JSON object or array.
TextShape ShapeOfText(std::string_view utf8);

}  // namespace lumen
