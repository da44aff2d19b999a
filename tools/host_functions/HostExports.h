#pragma once
// The functions of the host library, as a program that links it calls them:
// the host's own (declared from the plug-in's function types, so a definition
// that differs from them does not compile) and the control interface.
#include <type_traits>

#include "abi/HostFunctions.h"
#include "host_functions/StandInControl.h"

#define LUMEN_HOST_EXPORTS(X)                                                                                   \
  X(GetConfigPathW) X(GetString) X(XMLLoadFileW) X(XMLSaveFileW) X(XMLCreateFile) X(XMLFreeFile)               \
  X(XMLAddChildNodeW) X(XMLFindChildNodeW) X(XMLEnumChildNodesW) X(XMLSetNodeNameW) X(XMLGetNodeValueW)         \
  X(XMLSetNodeValueW) X(XMLSetNodeDWORDValue) X(XMLGetNodeDWORDLONGValue) X(XMLGetNodeAttributeW)               \
  X(XMLSetNodeAttributeW) X(XMLSetNodeBoolAttributeW) X(XMLGetNodeIntAttributeW) X(XMLGetNodeDWORDAttributeW)   \
  X(XMLSetNodeDWORDAttributeW)

#define LUMEN_DECLARE_HOST_EXPORT(name) extern "C" std::remove_pointer_t<lumen::host::name##_fn> name;
#define LUMEN_DECLARE_CONTROL_EXPORT(name) extern "C" std::remove_pointer_t<lumen::test::control::name##_fn> name;
LUMEN_HOST_EXPORTS(LUMEN_DECLARE_HOST_EXPORT)
LUMEN_STANDIN_CONTROL_FUNCTIONS(LUMEN_DECLARE_CONTROL_EXPORT)
#undef LUMEN_DECLARE_HOST_EXPORT
#undef LUMEN_DECLARE_CONTROL_EXPORT
