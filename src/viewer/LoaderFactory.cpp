#include "viewer/LoaderFactory.h"

#include <chrono>
#include <utility>
#include <vector>

#include "base/BackgroundThread.h"
#include "base/ScopeGuard.h"
#include "base/Sync.h"
#include "base/TimeBudgets.h"

namespace lumen {

using namespace sci;

namespace {

// A document a worker frees: `now` tells it not to wait any longer, `done`
// that it has.
struct Freeing {
  DoneEvent now;
  DoneEvent done;
};

struct Kept {
  std::unique_ptr<LoaderFactory> factory;
  std::function<bool()> inUse;
  std::shared_ptr<Freeing> freeing;  // when a worker frees a document through it
};
// Plain values only: a thread-local object with a destructor would run it at
// thread exit, possibly after the host has unloaded this library. What is
// left at the thread's end, Windows destroys with the thread.
thread_local std::vector<Kept>* kept = nullptr;

void DestroyFactoriesNoLongerInUse() {
  if (!kept) return;
  std::erase_if(*kept, [](const Kept& factory) { return !factory.inUse(); });
}

}  // namespace

std::unique_ptr<LoaderFactory> LoaderFactory::Make() {
  DestroyFactoriesNoLongerInUse();
  UniqueWindow window(CreateWindowExW(0, L"Scintilla", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
  if (!window) return nullptr;
  const auto direct = reinterpret_cast<DirectFunction>(SendMessageW(window.get(), SCI_GETDIRECTFUNCTION, 0, 0));
  const auto pointer = static_cast<intptr_t>(SendMessageW(window.get(), SCI_GETDIRECTPOINTER, 0, 0));
  if (!direct) return nullptr;
  return std::unique_ptr<LoaderFactory>(new LoaderFactory(std::move(window), direct, pointer));
}

LoaderFactory::~LoaderFactory() = default;

UniqueLoader LoaderFactory::CreateLoader(size_t length) const {
  // A byte more than the text: the search reads the document through the
  // control's character pointer, which needs room for a closing NUL, and a
  // buffer filled to the byte is copied whole (a 1.5 GB file: 200 ms) to make it.
  return UniqueLoader(reinterpret_cast<ILoader*>(direct_(pointer_, SCI_CREATELOADER, length + 1, 0)));
}

void LoaderFactory::MakeUtf8(ILoader& loader) const {
  void* const document = loader.ConvertToDocument();  // the same object, seen as a document
  SendMessageW(window_.get(), SCI_SETDOCPOINTER, 0, reinterpret_cast<LPARAM>(document));
  SendMessageW(window_.get(), SCI_SETCODEPAGE, SC_CP_UTF8, 0);
  SendMessageW(window_.get(), SCI_SETDOCPOINTER, 0, 0);  // the document is the loader's alone again
}

bool LoaderFactory::ReleaseInBackground(void* document) {
  std::unique_ptr<LoaderFactory> factory = Make();
  auto freeing = std::make_shared<Freeing>();
  if (!factory || !freeing->now || !freeing->done) return false;
  const LoaderFactory& releasing = *factory;
  // The document's own code frees it; no window is used off its thread.
  const bool started = RunInBackground([&releasing, document, freeing] {
    const ScopeGuard finished([] {}, [&] { freeing->done.Set(); });
    freeing->now.WaitUntil(std::chrono::steady_clock::now() + budget::kFreeAfterShowing);
    releasing.direct_(releasing.pointer_, SCI_RELEASEDOCUMENT, 0, reinterpret_cast<intptr_t>(document));
  });
  if (!started) return false;
  KeepWhile(std::move(factory), [freeing] { return !freeing->done.WaitUntil(std::chrono::steady_clock::now()); });
  kept->back().freeing = std::move(freeing);
  return true;
}

void LoaderFactory::FinishFreeing() {
  if (!kept) return;
  for (const Kept& factory : *kept) {
    if (!factory.freeing) continue;
    factory.freeing->now.Set();
    factory.freeing->done.WaitUntil(std::chrono::steady_clock::now() + budget::kLongestFreeing);
  }
  DestroyFactoriesNoLongerInUse();
}

void LoaderFactory::KeepWhile(std::unique_ptr<LoaderFactory> factory, std::function<bool()> inUse) {
  if (!kept) kept = new std::vector<Kept>();
  kept->push_back({std::move(factory), std::move(inUse), {}});
}

}  // namespace lumen
