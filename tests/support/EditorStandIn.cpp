#include "EditorStandIn.h"

#include <algorithm>
#include <stdexcept>

#include "TestFiles.h"
#include "abi/ScintillaInterface.h"

namespace lumen::test {
namespace {

HMODULE TakeEditorLibrary() {
  HMODULE module = nullptr;
  if (GetModuleHandleExW(0, L"SciLexer.dll", &module)) return module;  // counts a reference
  module = LoadLibraryW((ProgramFolder() + L"\\SciLexer.dll").c_str());
  if (!module) throw std::runtime_error("SciLexer.dll is neither loaded nor beside the test program");
  return module;
}

template <typename Function>
Function Bind(HMODULE module, const char* name) {
  const FARPROC address = GetProcAddress(module, name);
  if (!address) throw std::runtime_error(std::string("SciLexer.dll is not the editor stand-in: no ") + name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

// Texts come in two calls: the length, then the bytes.
template <typename Read>
std::string ReadText(Read read) {
  const int length = read(nullptr, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  read(text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

EditorStandIn::EditorStandIn()
    : module_(TakeEditorLibrary()),
      messageCount_(Bind<decltype(messageCount_)>(module_.get(), "EditorStandIn_MessageCount")),
      messageAt_(Bind<decltype(messageAt_)>(module_.get(), "EditorStandIn_MessageAt")),
      clearMessages_(Bind<decltype(clearMessages_)>(module_.get(), "EditorStandIn_ClearMessages")),
      keywords_(Bind<decltype(keywords_)>(module_.get(), "EditorStandIn_Keywords")) {}

std::vector<EditorMessage> EditorStandIn::Messages(HWND editor) const {
  std::vector<EditorMessage> messages;
  const int count = messageCount_(editor);
  for (int index = 0; index < count; ++index) {
    EditorStandInMessage message{};
    std::string text = ReadText([&](char* buffer, int capacity) {
      return messageAt_(editor, index, &message, buffer, capacity);
    });
    messages.push_back({message.message, message.wParam, message.lParam, std::move(text)});
  }
  return messages;
}

std::vector<EditorMessage> EditorStandIn::Messages(HWND editor, UINT message) const {
  std::vector<EditorMessage> chosen;
  for (EditorMessage& received : Messages(editor)) {
    if (received.message == message) chosen.push_back(std::move(received));
  }
  return chosen;
}

void EditorStandIn::ClearMessages(HWND editor) const { clearMessages_(editor); }

std::string EditorStandIn::Keywords(HWND editor, int set) const {
  return ReadText([&](char* buffer, int capacity) { return keywords_(editor, set, buffer, capacity); });
}

std::vector<std::pair<int, int>> IndicatorRanges(HWND editor, int indicator) {
  using namespace lumen::sci;
  std::vector<std::pair<int, int>> ranges;
  const auto length = static_cast<int>(SendMessageW(editor, SCI_GETLENGTH, 0, 0));
  for (int position = 0; position < length;) {
    const auto end = static_cast<int>(SendMessageW(editor, SCI_INDICATOREND, indicator, position));
    if (SendMessageW(editor, SCI_INDICATORVALUEAT, indicator, position) != 0) {
      ranges.emplace_back(position, std::min(end, length));
    }
    if (end <= position) break;  // an indicator without any value answers 0
    position = end;
  }
  return ranges;
}

std::string DocumentText(HWND editor) {
  using namespace lumen::sci;
  const auto length = static_cast<size_t>(SendMessageW(editor, SCI_GETLENGTH, 0, 0));
  std::string text(length + 1, '\0');
  SendMessageW(editor, SCI_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

}  // namespace lumen::test
