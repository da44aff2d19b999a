#pragma once
// Tables of the host's functions, bound by name from the loaded host module.
// Each user binds its own table; a function the host does not export is a null
// slot, which every caller treats as a failed call.
#include "abi/HostFunctions.h"

namespace lumen {

#define LUMEN_HOST_CONFIG_FUNCTIONS(X) \
  X(GetConfigPathW, host::GetConfigPathW_fn) \
  X(LoadOrSaveConfigW, host::Unused_fn) \
  X(GetThumbnailPrefs, host::Unused_fn) \
  X(IsUSBInstall, host::Unused_fn) \
  X(GetProgramDirW, host::Unused_fn) \
  X(ThumbnailCacheControl, host::Unused_fn)

#define LUMEN_HOST_HELPER_FUNCTIONS(X) \
  X(TesseraChooseFontW, host::Unused_fn) \
  X(ShowRequestDlgW, host::Unused_fn) \
  X(DrawPictureFrameInDIB, host::Unused_fn) \
  X(CalcCRC32, host::Unused_fn) \
  X(CreateButtonIcons, host::Unused_fn) \
  X(CreateDialogResizer, host::Unused_fn) \
  X(AddDialogResizerCtl, host::Unused_fn) \
  X(HandleDialogResizerMsg, host::Unused_fn) \
  X(FreeDialogResizer, host::Unused_fn) \
  X(GetGlyphSize, host::Unused_fn) \
  X(DrawGlyph, host::Unused_fn) \
  X(GetString, host::GetString_fn) \
  X(GetLangDlg, host::Unused_fn) \
  X(CreateLangDlg, host::Unused_fn) \
  X(LangDlgBox, host::Unused_fn) \
  X(HashInit, host::Unused_fn) \
  X(HashChunk, host::Unused_fn) \
  X(HashEnd, host::Unused_fn) \
  X(HashFree, host::Unused_fn) \
  X(TesseraLoadImage, host::Unused_fn)

#define LUMEN_XML_FUNCTIONS(X) \
  X(XMLLoadFileW, host::XMLLoadFileW_fn) \
  X(XMLSaveFileW, host::XMLSaveFileW_fn) \
  X(XMLLoadData, host::Unused_fn) \
  X(XMLSaveData, host::Unused_fn) \
  X(XMLCreateFile, host::XMLCreateFile_fn) \
  X(XMLFreeFile, host::XMLFreeFile_fn) \
  X(XMLAddChildNodeW, host::XMLAddChildNodeW_fn) \
  X(XMLDeleteChild, host::Unused_fn) \
  X(XMLDeleteAllChildNodes, host::Unused_fn) \
  X(XMLFirstChildNode, host::Unused_fn) \
  X(XMLNextNode, host::Unused_fn) \
  X(XMLFindChildNodeW, host::XMLFindChildNodeW_fn) \
  X(XMLEnumChildNodesW, host::XMLEnumChildNodesW_fn) \
  X(XMLGetNodeNameW, host::Unused_fn) \
  X(XMLSetNodeNameW, host::XMLSetNodeNameW_fn) \
  X(XMLGetNodeValueW, host::XMLGetNodeValueW_fn) \
  X(XMLSetNodeValueW, host::XMLSetNodeValueW_fn) \
  X(XMLGetNodeBoolValue, host::Unused_fn) \
  X(XMLSetNodeBoolValue, host::Unused_fn) \
  X(XMLGetNodeIntValue, host::Unused_fn) \
  X(XMLSetNodeIntValue, host::Unused_fn) \
  X(XMLGetNodeDWORDValue, host::Unused_fn) \
  X(XMLSetNodeDWORDValue, host::XMLSetNodeDWORDValue_fn) \
  X(XMLGetNodeDWORDLONGValue, host::XMLGetNodeDWORDLONGValue_fn) \
  X(XMLSetNodeDWORDLONGValue, host::Unused_fn) \
  X(XMLGetNodeLOGFONTValueW, host::Unused_fn) \
  X(XMLSetNodeLOGFONTValueW, host::Unused_fn) \
  X(XMLGetNodeBinaryValue, host::Unused_fn) \
  X(XMLSetNodeBinaryValue, host::Unused_fn) \
  X(XMLGetNodeAttributeW, host::XMLGetNodeAttributeW_fn) \
  X(XMLSetNodeAttributeW, host::XMLSetNodeAttributeW_fn) \
  X(XMLGetNodeBoolAttributeW, host::Unused_fn) \
  X(XMLSetNodeBoolAttributeW, host::XMLSetNodeBoolAttributeW_fn) \
  X(XMLGetNodeIntAttributeW, host::XMLGetNodeIntAttributeW_fn) \
  X(XMLSetNodeIntAttributeW, host::Unused_fn) \
  X(XMLGetNodeDWORDAttributeW, host::XMLGetNodeDWORDAttributeW_fn) \
  X(XMLSetNodeDWORDAttributeW, host::XMLSetNodeDWORDAttributeW_fn) \
  X(XMLGetNodeDWORDLONGAttributeW, host::Unused_fn) \
  X(XMLSetNodeDWORDLONGAttributeW, host::Unused_fn) \
  X(XMLDeleteNodeAttributeW, host::Unused_fn) \
  X(XMLDeleteAllNodeAttributes, host::Unused_fn)

#define LUMEN_DECLARE_SLOT(name, type) type name = nullptr;

struct HostConfigApi {
  LUMEN_HOST_CONFIG_FUNCTIONS(LUMEN_DECLARE_SLOT)
};
struct HostHelperApi {
  LUMEN_HOST_HELPER_FUNCTIONS(LUMEN_DECLARE_SLOT)
};
struct XmlFunctions {
  LUMEN_XML_FUNCTIONS(LUMEN_DECLARE_SLOT)
};

#undef LUMEN_DECLARE_SLOT

static_assert(sizeof(HostConfigApi) == 6 * sizeof(void*));
static_assert(sizeof(HostHelperApi) == 20 * sizeof(void*));
static_assert(sizeof(XmlFunctions) == 41 * sizeof(void*));

// Each call binds afresh from the host module loaded at that moment.
HostConfigApi BindHostConfigApi();
HostHelperApi BindHostHelperApi();
XmlFunctions BindXmlFunctions();

}  // namespace lumen
