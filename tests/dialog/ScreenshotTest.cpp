// A picture of the dialog as a user sees it, over the shipped configuration:
// bin/configuration-dialog.png, for looking at and for the documentation.
#include "DialogFixture.h"
#include "TestFiles.h"

namespace lumen {
namespace {

using test::LiveDialog;
using test::OpenDialog;

// The flat interface of GDI+, loaded by name: all we need is a PNG encoder.
class PngWriter {
 public:
  PngWriter() : library_(LoadLibraryW(L"gdiplus.dll")) {
    if (!library_) return;
    Bind(startup_, "GdiplusStartup");
    Bind(shutdown_, "GdiplusShutdown");
    Bind(fromBitmap_, "GdipCreateBitmapFromHBITMAP");
    Bind(save_, "GdipSaveImageToFile");
    Bind(dispose_, "GdipDisposeImage");
    const StartupInput input = {1, nullptr, FALSE, FALSE};
    started_ = startup_ && shutdown_ && fromBitmap_ && save_ && dispose_ && startup_(&token_, &input, nullptr) == 0;
  }
  ~PngWriter() {
    if (started_) shutdown_(token_);
    if (library_) FreeLibrary(library_);
  }

  bool Write(HBITMAP bitmap, const std::wstring& path) const {
    static const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    void* image = nullptr;
    if (!started_ || fromBitmap_(bitmap, nullptr, &image) != 0) return false;
    const bool saved = save_(image, path.c_str(), &kPngEncoder, nullptr) == 0;
    dispose_(image);
    return saved;
  }

 private:
  struct StartupInput {
    UINT32 version;
    void* debugCallback;
    BOOL suppressBackgroundThread;
    BOOL suppressExternalCodecs;
  };
  using Startup = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
  using Shutdown = void(WINAPI*)(ULONG_PTR);
  using FromBitmap = int(WINAPI*)(HBITMAP, HPALETTE, void**);
  using Save = int(WINAPI*)(void*, const wchar_t*, const CLSID*, const void*);
  using Dispose = int(WINAPI*)(void*);

  template <typename Function>
  void Bind(Function& slot, const char* name) const {
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
  }

  HMODULE library_;
  Startup startup_ = nullptr;
  Shutdown shutdown_ = nullptr;
  FromBitmap fromBitmap_ = nullptr;
  Save save_ = nullptr;
  Dispose dispose_ = nullptr;
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

// The window as the screen shows it, frame included.
HBITMAP CaptureWindow(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

TEST_F(LiveDialog, Screenshot) {
  config.Write(test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml"));
  OpenDialog dialog = Open();
  dialog.Choose(kLanguageCombo, 2);  // a language with many word styles
  SetForegroundWindow(dialog.handle());
  RedrawWindow(dialog.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  test::PumpMessages();
  HBITMAP picture = CaptureWindow(dialog.handle());
  const std::wstring path = test::ProgramFolder() + L"\\configuration-dialog.png";
  EXPECT_TRUE(PngWriter().Write(picture, path));
  DeleteObject(picture);
  EXPECT_EQ(test::ReadBytes(path).substr(1, 3), "PNG");
}

}  // namespace
}  // namespace lumen
