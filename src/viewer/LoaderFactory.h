#pragma once
// The control makes documents only through one of its windows. A loader
// factory is a hidden control on the viewer's thread whose direct function a
// worker calls for a loader with room for a whole big file
// (SCI_CREATELOADER): the room is zero-filled on the worker, not on the
// host's thread, and no window is used off the thread it belongs to.
#include <functional>
#include <memory>

#include "base/Handles.h"
#include "viewer/DocumentBuild.h"

namespace lumen {

class LoaderFactory {
 public:
  // On the viewer's thread; null without the control or its direct function.
  static std::unique_ptr<LoaderFactory> Make();
  ~LoaderFactory();
  LoaderFactory(const LoaderFactory&) = delete;
  LoaderFactory& operator=(const LoaderFactory&) = delete;

  // On any thread, one call at a time; null when the control makes none.
  UniqueLoader CreateLoader(size_t length) const;
  // On the viewer's thread, while the loader's document is still empty:
  // turns it to UTF-8. A 3.x control turned to UTF-8 once the document is
  // full walks every line of it, and only a window of the control's may ask
  // (on its own thread: a window's work on another thread waits for this one).
  void MakeUtf8(sci::ILoader& loader) const;

  // On the viewer's thread: a worker frees `document` (the caller's reference
  // of it) through a hidden control of its own, so that the pages of a big
  // document go back to the system while the host goes on. False when no
  // control or thread could be had: the caller frees it then.
  static bool ReleaseInBackground(void* document);
  // On the viewer's thread as a viewer closes: what workers still free
  // through this thread's controls they free now, and the thread waits for
  // them, for its controls may end with it.
  static void FinishFreeing();

  // A worker may still be inside the factory when its load is dropped: the
  // factory then lives on, on this thread, until `inUse` says no more (looked
  // at whenever another factory is made here).
  static void KeepWhile(std::unique_ptr<LoaderFactory> factory, std::function<bool()> inUse);

 private:
  LoaderFactory(UniqueWindow window, sci::DirectFunction direct, intptr_t pointer)
      : window_(std::move(window)), direct_(direct), pointer_(pointer) {}

  UniqueWindow window_;
  sci::DirectFunction direct_;
  intptr_t pointer_;
};

}  // namespace lumen
