#pragma once
// The host's messages to a viewer window, and the records the viewer hands back.
#include <cstddef>
#include <cstdint>
#include <windows.h>

namespace lumen {

enum HostMessage : UINT {
  HBXPLUGINMSG_OPENFILE = 0x8F02,
  HBXPLUGINMSG_OPENSTREAM = 0x8F04,
  HBXPLUGINMSG_DESCRIBEFILE = 0x8F06,
  HBXPLUGINMSG_FEATURES = 0x8F07,
  HBXPLUGINMSG_RESIZE = 0x8F08,
  HBXPLUGINMSG_APPLYZOOM = 0x8F0B,
  HBXPLUGINMSG_SETZOOMLEVEL = 0x8F0C,
  HBXPLUGINMSG_QUERYZOOM = 0x8F0D,
  HBXPLUGINMSG_SELECTWHOLETEXT = 0x8F0E,
  HBXPLUGINMSG_HASSELECTION = 0x8F0F,
  HBXPLUGINMSG_COPYTEXT = 0x8F10,
  // The host's meaning of these is its own; the viewer gives fixed answers.
  HBXPLUGINMSG_UNKNOWN_8F11 = 0x8F11,
  HBXPLUGINMSG_PASSTOEDITOR = 0x8F16,
  HBXPLUGINMSG_MENUITEMS = 0x8F18,
  HBXPLUGINMSG_UNKNOWN_8F19 = 0x8F19,
  HBXPLUGINMSG_UNKNOWN_8F1B = 0x8F1B,
  HBXPLUGINMSG_DIALOGKEYS = 0x8F1D,
  HBXPLUGINMSG_SHORTCUTKEY = 0x8F1E,
  HBXPLUGINMSG_RELOADSETTINGS = 0x8F1F,
  HBXPLUGINMSG_UNKNOWN_8F24 = 0x8F24,
  HBXPLUGINMSG_UNKNOWN_8F2A = 0x8F2A,
};
constexpr UINT kFirstHostMessage = 0x8F02;
constexpr UINT kLastHostMessage = 0x8F2A;

// WM_USER + 1: the address of the viewer's file path, for the configuration dialog.
constexpr UINT kFilePathQuery = WM_USER + 1;
// Posted to each viewer when Windows may have changed between light and dark.
constexpr UINT kSchemeChanged = WM_USER + 2;
// Posted to a viewer by itself when the view of a windowed file changed: the
// control tells it while it paints, when its text must not change.
constexpr UINT kWindowedViewChanged = WM_USER + 3;

constexpr uint32_t kViewerFeatures = 0x0020BD72;
constexpr LRESULT kAnswerTo8F24 = 0x0190000A;

// Notification codes sent to the host.
constexpr int kFeaturesNotification = -2007;
constexpr int kZoomNotification = -2003;

// The host's record for a text about a file: the answer to a claimed file
// (identification) and the one-line file description share this layout.
struct HostTextRecord {
  uint32_t hostOwned;  // never touched
  uint32_t recordVersion;
  uint64_t textFormat;  // written as one 64-bit value
  uint64_t reserved;
  wchar_t* text;
  uint32_t textCapacity;
};
static_assert(offsetof(HostTextRecord, recordVersion) == 4 && offsetof(HostTextRecord, textFormat) == 8);
static_assert(offsetof(HostTextRecord, reserved) == 16 && offsetof(HostTextRecord, text) == 24);
static_assert(offsetof(HostTextRecord, textCapacity) == 32);

// The fixed fields of every text record the plug-in answers; the text is the caller's.
inline void StampTextRecord(HostTextRecord& record) {
  record.recordVersion = 2;
  record.textFormat = 2;
  record.reserved = 0;
}

// One entry of the viewer's menu for the host.
struct ViewerMenuItem {
  const wchar_t* label;
  uint32_t state;  // 1 checked (the panel is shown), 2 unchecked
  uint32_t commandId;
};
static_assert(offsetof(ViewerMenuItem, state) == 8 && offsetof(ViewerMenuItem, commandId) == 12);

// The record of a WM_NOTIFY to the host.
struct HostNotification {
  NMHDR header;
  uint32_t value;
};
static_assert(offsetof(HostNotification, value) == 24);

// What HBX_CreateViewer hands to the window's creation.
struct ViewerCreateData {
  uint32_t flags;
  const RECT* rectangle;
};

}  // namespace lumen
