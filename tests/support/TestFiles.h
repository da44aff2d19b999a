#pragma once
// Files and folders for tests: a private temporary folder per test, byte-exact
// reads and writes, and the folder the test programs run from.
#include <string>
#include <windows.h>

namespace lumen::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

void WriteBytes(const std::wstring& path, const std::string& bytes);
// Appends as a log's writer does, sharing the file with its readers; throws when it cannot.
void AppendBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);  // throws when unreadable
bool FileExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// Names of the entries of a folder that match `pattern` (not recursive), sorted.
std::wstring ListFolder(const std::wstring& folder, const std::wstring& pattern = L"*");

// The folder of the running test program: lumen.dll and the stand-ins lie there.
std::wstring ProgramFolder();
// The files lumen's spools hold in the temporary folder.
int SpoolFiles();

std::string ToUtf8(const std::wstring& text);

// The clipboard's text; "<no clipboard>" when it cannot be opened.
std::wstring ClipboardText();
std::wstring FromUtf8(const std::string& text);

}  // namespace lumen::test
