#pragma once
// An IStream over bytes in memory that can misbehave as host streams do:
// announce a size other than what it delivers, deliver in small pieces, or
// fail. It counts its calls, so tests see what the plug-in asked of it.
#include <objidl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace lumen::test {

class TestStream final : public IStream {
 public:
  explicit TestStream(std::string bytes);

  // What Stat reports as the size; the real length unless set.
  uint64_t announcedSize;
  // Largest count one Read call delivers.
  ULONG piece = ~ULONG{0};
  bool failStat = false;
  bool failRead = false;
  bool seekable = true;
  // Reads fail once this many bytes were delivered: a stream that breaks midway.
  size_t failAfter = SIZE_MAX;

  // Run inside each Read, Stat and Seek, as a host stream that pumps messages does.
  std::function<void()> duringRead, duringStat, duringSeek;

  int readCalls = 0;
  ULONG references() const { return references_; }
  size_t position() const { return position_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override;

 private:
  std::string bytes_;
  size_t position_ = 0;
  ULONG references_ = 1;  // the test's own, on the stack: never deleted by Release
};

}  // namespace lumen::test
