#include "Plugin.h"

#include <stdexcept>
#include <vector>

#include "Text.h"
#include "abi/HostRecords.h"

namespace lumen::demo {
namespace {

// The oldest host version lumen accepts, which is what the demo plays.
constexpr uint32_t kHostVersionHigh = (9u << 16) | 1u;
constexpr uint32_t kHostVersionLow = 3u << 16;

std::wstring VersionText(uint32_t high, uint32_t low) {
  return std::to_wstring(high >> 16) + L'.' + std::to_wstring(high & 0xFFFF) + L'.' + std::to_wstring(low >> 16) +
         L'.' + std::to_wstring(low & 0xFFFF);
}

}  // namespace

template <typename Function>
Function Plugin::Bind(const char* name) const {
  const FARPROC function = GetProcAddress(library_.get(), name);
  if (!function) throw std::runtime_error(std::string("lumen.dll does not export ") + name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(function));
}

Plugin::Plugin(const std::wstring& path) : library_(LoadLibraryW(path.c_str())) {
  if (!library_) throw std::runtime_error("cannot load " + Utf8(path) + ": " + Utf8(SystemErrorText(GetLastError())));
  initEx_ = Bind<InitEx_t>("HBX_InitEx");
  uninit_ = Bind<Uninit_t>("HBX_Uninit");
  identify_ = Bind<IdentifyW_t>("HBX_IdentifyW");
  identifyFile_ = Bind<IdentifyFileW_t>("HBX_IdentifyFileW");
  createViewer_ = Bind<CreateViewer_t>("HBX_CreateViewer");
  configure_ = Bind<Configure_t>("HBX_Configure");
}

Plugin::~Plugin() {
  if (started_) uninit_();
}

bool Plugin::Start() {
  HostInitExRecord record = {};
  record.versionHigh = kHostVersionHigh;
  record.versionLow = kHostVersionLow;
  started_ = initEx_(&record) != FALSE;
  return started_;
}

PluginInfo Plugin::Describe() const {
  std::vector<wchar_t> extensions(8192), name(64), description(256), copyright(256);
  // Tessera's record is larger than the fields lumen knows: room for the icon.
  struct {
    HostPluginInfoRecord fields;
    uint8_t rest[kPluginInfoSizeWithIcon - sizeof(HostPluginInfoRecord)];
  } host = {};
  HostPluginInfoRecord& record = host.fields;
  record.size = sizeof(host);
  record.extensions = extensions.data();
  record.extensionsCapacity = static_cast<uint32_t>(extensions.size());
  record.name = name.data();
  record.nameCapacity = static_cast<uint32_t>(name.size());
  record.description = description.data();
  record.descriptionCapacity = static_cast<uint32_t>(description.size());
  record.copyright = copyright.data();
  record.copyrightCapacity = static_cast<uint32_t>(copyright.size());
  identify_(&record);
  PluginInfo info;
  info.icon.reset(record.icon);
  info.name = name.data();
  info.description = description.data();
  info.version = VersionText(record.versionHigh, record.versionLow);
  info.extensions = extensions.data();
  info.fileSizeLimit = record.fileSizeRanges[0].largest;
  return info;
}

bool Plugin::Claims(HWND host, const std::wstring& path) const {
  wchar_t typeText[128] = L"";
  HostFileInfoRecord record = {};
  record.text = typeText;
  record.textCapacity = static_cast<uint32_t>(std::size(typeText));
  return identifyFile_(host, path.c_str(), &record, 0) != FALSE;
}

HWND Plugin::CreateViewer(HWND pane) const {
  RECT area = {};
  GetClientRect(pane, &area);
  return createViewer_(pane, &area, 0);
}

HWND Plugin::Configure(HWND parent, HWND notifyWindow, UINT notifyData) const {
  return configure_(parent, notifyWindow, notifyData);
}

}  // namespace lumen::demo
