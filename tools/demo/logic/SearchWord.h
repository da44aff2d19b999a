#pragma once
// The word the scripted tour types into the search panel when none is given.
#include <string>
#include <string_view>

namespace lumen::demo {

// The identifier (ASCII letters, digits, "_"; 4 to 24 characters) that occurs
// most often in the first `lineCount` lines of the file's bytes, so that its
// matches are on screen; on a tie the one that occurs first. Empty when no
// such word occurs twice.
std::wstring PickSearchWord(std::string_view text, size_t lineCount = 40);

}  // namespace lumen::demo
