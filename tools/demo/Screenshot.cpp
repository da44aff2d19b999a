#include "Screenshot.h"

#include <objidl.h>  // GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <memory>

#include "base/Handles.h"

namespace lumen::demo {
namespace {

namespace gdip = Gdiplus::DllExports;

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: GDI+'s built-in PNG encoder.
constexpr CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

// The whole window's device context, frame included. It reads what the
// window has painted, whatever the screen shows at the moment.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context with a bitmap selected into it for its lifetime.
class MemoryDc {
 public:
  MemoryDc(HDC compatible, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatible)) {
    if (dc_) previous_ = SelectObject(dc_, bitmap);
  }
  ~MemoryDc() {
    if (!dc_) return;
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// Copies the window into the picture's device context, whose top left corner
// is at `origin` on the screen.
bool CopyWindow(HWND window, HDC target, POINT origin) {
  RECT bounds;
  const WindowDc source(window);
  return GetWindowRect(window, &bounds) && source.get() &&
         BitBlt(target, bounds.left - origin.x, bounds.top - origin.y, bounds.right - bounds.left,
                bounds.bottom - bounds.top, source.get(), 0, 0, SRCCOPY);
}

struct GdiplusBitmapDisposer {
  void operator()(Gdiplus::GpBitmap* bitmap) const { gdip::GdipDisposeImage(bitmap); }
};
using UniqueGdiplusBitmap = std::unique_ptr<Gdiplus::GpBitmap, GdiplusBitmapDisposer>;

// GDI+ runs from the first call to the last picture's end.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (started_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool started() const { return started_; }

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

}  // namespace

std::vector<HWND> OwnedPopups(HWND owner) {
  struct Search {
    HWND owner;
    std::vector<HWND> found;
  } search = {owner, {}};
  EnumThreadWindows(
      GetWindowThreadProcessId(owner, nullptr),
      [](HWND window, LPARAM context) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(context);
        if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == search.owner) search.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::optional<Picture> CaptureWindow(HWND window) {
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return std::nullopt;
  Picture picture;
  picture.width = bounds.right - bounds.left;
  picture.height = bounds.bottom - bounds.top;
  if (picture.width <= 0 || picture.height <= 0) return std::nullopt;

  const WindowDc source(window);
  if (!source.get()) return std::nullopt;
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = picture.width;
  format.bmiHeader.biHeight = -picture.height;  // rows from the top
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const UniqueBitmap bitmap(CreateDIBSection(source.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return std::nullopt;
  const MemoryDc target(source.get(), bitmap.get());
  const POINT origin = {bounds.left, bounds.top};
  if (!target.get() || !CopyWindow(window, target.get(), origin)) return std::nullopt;
  std::vector<HWND> popups = OwnedPopups(window);
  // An open menu too: its window belongs to no owner.
  if (const HWND menu = FindWindowW(L"#32768", nullptr); menu && IsWindowVisible(menu)) popups.insert(popups.begin(), menu);
  for (auto popup = popups.rbegin(); popup != popups.rend(); ++popup) CopyWindow(*popup, target.get(), origin);
  GdiFlush();
  const auto* first = static_cast<const uint32_t*>(bits);
  picture.pixels.assign(first, first + static_cast<size_t>(picture.width) * picture.height);
  for (uint32_t& pixel : picture.pixels) pixel &= 0x00FFFFFF;
  return picture;
}

bool SavePng(const Picture& picture, const std::wstring& path, std::wstring& error) {
  const GdiplusSession session;
  if (!session.started()) {
    error = L"GDI+ does not start";
    return false;
  }
  Gdiplus::GpBitmap* created = nullptr;
  auto* pixels = const_cast<uint32_t*>(picture.pixels.data());  // GDI+ only reads them here
  if (gdip::GdipCreateBitmapFromScan0(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                                      reinterpret_cast<BYTE*>(pixels), &created) != Gdiplus::Ok) {
    error = L"GDI+ cannot take the picture";
    return false;
  }
  const UniqueGdiplusBitmap bitmap(created);
  const Gdiplus::Status saved = gdip::GdipSaveImageToFile(bitmap.get(), path.c_str(), &kPngEncoder, nullptr);
  if (saved != Gdiplus::Ok) {
    error = L"GDI+ cannot write " + path + L" (status " + std::to_wstring(saved) + L")";
    return false;
  }
  return true;
}

std::optional<Picture> LoadPng(const std::wstring& path) {
  const GdiplusSession session;
  Gdiplus::GpBitmap* loaded = nullptr;
  if (!session.started() || gdip::GdipCreateBitmapFromFile(path.c_str(), &loaded) != Gdiplus::Ok) return std::nullopt;
  const UniqueGdiplusBitmap bitmap(loaded);
  UINT width = 0, height = 0;
  gdip::GdipGetImageWidth(bitmap.get(), &width);
  gdip::GdipGetImageHeight(bitmap.get(), &height);
  const Gdiplus::GpRect area(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data = {};
  if (gdip::GdipBitmapLockBits(bitmap.get(), &area, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) !=
      Gdiplus::Ok) {
    return std::nullopt;
  }
  Picture picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.pixels.reserve(static_cast<size_t>(width) * height);
  for (UINT row = 0; row < height; ++row) {
    const auto* line = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(data.Scan0) + row * data.Stride);
    for (UINT column = 0; column < width; ++column) picture.pixels.push_back(line[column] & 0x00FFFFFF);
  }
  gdip::GdipBitmapUnlockBits(bitmap.get(), &data);
  return picture;
}

}  // namespace lumen::demo
