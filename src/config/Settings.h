#pragma once
// The optional settings of the configuration file, one line each: the
// record's member, the snapshot's reader, the element and the attribute,
// and the kind of value. A file without the element has the kind's default,
// and the saver writes the element only where the value differs from it, so
// a configuration of the first version reads and saves as it always did.
// The records (Model.h), the readers (Loaders.h), the saver and the patch
// of a loaded document (Saver.cpp) all follow from this list.
//
// X(kind, member, Reader, element, attribute)
#define LUMEN_OPTIONAL_SETTINGS(X)                                                       \
  /* The view's toggles at a viewer's start. */                                          \
  X(Flag, showWhitespace, ShowWhitespace, L"ShowWhitespace", L"Enabled")                   \
  X(Flag, indentationGuides, IndentationGuides, L"IndentationGuides", L"Enabled")          \
  X(Flag, folding, Folding, L"Folding", L"Enabled")                                        \
  /* A copy with colours takes the colours shown, else the light scheme's. */            \
  X(ShownScheme, copyShownColours, CopyShownColours, L"CopyColours", L"Scheme")            \
  /* The charset detector decides files that are neither UTF-8 nor UTF-16, */            \
  /* else they are read in the default code page (0: the system's). */                   \
  X(OnUnlessNo, encodingDetection, EncodingDetection, L"EncodingDetection", L"Enabled")    \
  /* A file shown by path is followed as it grows. */                                    \
  X(OnUnlessNo, followChanges, FollowChanges, L"FollowChanges", L"Enabled")                \
  X(Number, defaultCodePage, DefaultCodePage, L"DefaultCodePage", L"Number")               \
  /* A file by path from this many megabytes on is shown through a window */             \
  /* onto it (0: from 64). */                                                             \
  X(Number, windowFromMegabytes, WindowFromMegabytes, L"FileWindow", L"FromMegabytes")     \
  /* Lines of context before and after each line a filter shows (0 to 9). */              \
  X(Number, filterContextLines, FilterContextLines, L"Filter", L"ContextLines")            \
  /* A file no rule claims is claimed when its first bytes are text. */                 \
  X(Flag, claimTextFiles, ClaimTextFiles, L"ClaimTextFiles", L"Enabled")                   \
  /* Endings recognised through the name before them ("in" for x.h.in), as stored. */    \
  X(Text, ignoredEndings, IgnoredEndingsText, L"IgnoredEndings", L"List")                 \
  /* A compressed file is decompressed up to this many bytes (0: 16 GB). */              \
  X(Bytes, decompressionMaxBytes, DecompressionMaxBytes, L"Decompression", L"MaxBytes")

#include <cstdint>
#include <string>

namespace lumen::setting {

// The kinds of value, each with its default.
struct Flag {  // Enabled="yes" (any case) is on
  using Value = bool;
  static Value Default() { return false; }
};
struct OnUnlessNo {  // on unless Enabled="no" (any case)
  using Value = bool;
  static Value Default() { return true; }
};
struct Number {  // a decimal attribute; 0 when missing or no number
  using Value = uint32_t;
  static Value Default() { return 0; }
};
struct Bytes {  // a decimal attribute of 64 bits; 0 when missing or no number
  using Value = uint64_t;
  static Value Default() { return 0; }
};
struct Text {  // the attribute's text as stored
  using Value = std::wstring;
  static Value Default() { return {}; }
};
struct ShownScheme {  // Scheme="shown" (any case) is on; written "shown" or "light"
  using Value = bool;
  static Value Default() { return false; }
};

}  // namespace lumen::setting
