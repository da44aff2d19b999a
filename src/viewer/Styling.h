#pragma once
// The configuration turned into editor settings: lexer, styles and keywords,
// the line-number margin, wrapping and tab width. Every setting is read from
// the file at the moment it is applied.
#include <string>

#include "config/Model.h"
#include "abi/EditorControl.h"

namespace lumen {

// Lexer 1, no word styles: what stands in for any style that cannot be had.
Style PlainTextStyle();

// The language for a file extension; plain text when there is none or the
// configuration cannot be read.
Style StyleForExtension(const std::wstring& extension);

void ApplyStyle(const EditorControl& editor, const Style& style);
// The language of the pseudo extension "*", under every file's own.
void ApplyBaseStyle(const EditorControl& editor);

// The digits the line-number margin is measured on: one more than the count needs.
std::string MarginSampleText(int64_t lineCount);
void UpdateLineNumberMargin(const EditorControl& editor, bool lineNumbering);

// The configured option, or `current` when there is no configuration path.
bool ReadLineNumbering(bool current);
void ApplyWrapping(const EditorControl& editor);
void ApplyTabWidth(const EditorControl& editor);

}  // namespace lumen
