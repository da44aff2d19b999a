#include "TestStream.h"

#include <algorithm>
#include <cstring>

namespace lumen::test {

TestStream::TestStream(std::string bytes) : announcedSize(bytes.size()), bytes_(std::move(bytes)) {}

HRESULT TestStream::QueryInterface(REFIID id, void** object) {
  if (!object) return E_POINTER;
  if (id == __uuidof(IUnknown) || id == __uuidof(ISequentialStream) || id == __uuidof(IStream)) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TestStream::AddRef() { return ++references_; }
ULONG TestStream::Release() { return --references_; }

HRESULT TestStream::Read(void* buffer, ULONG count, ULONG* read) {
  ++readCalls;
  if (duringRead) duringRead();
  if (read) *read = 0;
  if (failRead || position_ >= failAfter) return STG_E_READFAULT;
  if (!buffer) return STG_E_INVALIDPOINTER;
  if (position_ >= bytes_.size()) return S_FALSE;
  const size_t delivered = std::min<size_t>({count, piece, bytes_.size() - position_, failAfter - position_});
  std::memcpy(buffer, bytes_.data() + position_, delivered);
  position_ += delivered;
  if (read) *read = static_cast<ULONG>(delivered);
  return delivered < count ? S_FALSE : S_OK;
}

HRESULT TestStream::Write(const void*, ULONG, ULONG*) { return STG_E_ACCESSDENIED; }
HRESULT TestStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  if (duringSeek) duringSeek();
  if (!seekable) return E_NOTIMPL;
  const long long base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? static_cast<long long>(position_)
                                                                                   : static_cast<long long>(bytes_.size());
  if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
  position_ = static_cast<size_t>(base + move.QuadPart);
  if (position) position->QuadPart = position_;
  return S_OK;
}
HRESULT TestStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
HRESULT TestStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT TestStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT TestStream::Revert() { return E_NOTIMPL; }
HRESULT TestStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT TestStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT TestStream::Clone(IStream**) { return E_NOTIMPL; }

HRESULT TestStream::Stat(STATSTG* status, DWORD) {
  if (duringStat) duringStat();
  if (failStat) return STG_E_ACCESSDENIED;
  if (!status) return STG_E_INVALIDPOINTER;
  *status = {};
  status->type = STGTY_STREAM;
  status->cbSize.QuadPart = announcedSize;
  return S_OK;
}

}  // namespace lumen::test
