#pragma once
// The host executable's exported helper functions, as the plug-in calls them.
// This header is the one description of that ABI: the plug-in binds the
// functions by name, and the host stand-in of the tests implements them.
#include <windows.h>

namespace lumen::host {

using XMLHANDLE = void*;  // an element; a document's handle is its root element

using GetConfigPathW_fn = BOOL(WINAPI*)(DWORD flags, LPWSTR buffer, DWORD bufferBytes);
// Length of the string without its zero, 0 when there is none. With *buffer null
// and size 0 the host stores a LocalAlloc'ed copy in *buffer.
using GetString_fn = int(WINAPI*)(UINT id, LPWSTR* buffer, int size);

using XMLLoadFileW_fn = XMLHANDLE(WINAPI*)(LPCWSTR path);
using XMLSaveFileW_fn = BOOL(WINAPI*)(XMLHANDLE document, LPCWSTR path);
using XMLCreateFile_fn = XMLHANDLE(WINAPI*)();
using XMLFreeFile_fn = BOOL(WINAPI*)(XMLHANDLE document);  // null accepted
using XMLAddChildNodeW_fn = XMLHANDLE(WINAPI*)(XMLHANDLE parent, LPCWSTR name);
using XMLFindChildNodeW_fn = XMLHANDLE(WINAPI*)(XMLHANDLE parent, LPCWSTR name);
using XMLEnumChildNodesW_fn = XMLHANDLE(WINAPI*)(XMLHANDLE parent, LPCWSTR name, XMLHANDLE previous);
using XMLSetNodeNameW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name);
// Text getters: *length counts characters including the zero. A null buffer only
// asks the length; too small a capacity fails and stores the length needed.
using XMLGetNodeValueW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPWSTR buffer, DWORD* length);
using XMLSetNodeValueW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR value);
using XMLSetNodeDWORDValue_fn = BOOL(WINAPI*)(XMLHANDLE node, DWORD value);
using XMLGetNodeDWORDLONGValue_fn = BOOL(WINAPI*)(XMLHANDLE node, DWORDLONG* value);
using XMLGetNodeAttributeW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name, LPWSTR buffer, DWORD* length, DWORD reserved);
using XMLSetNodeAttributeW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name, LPCWSTR value);
using XMLSetNodeBoolAttributeW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name, BOOL value);
using XMLGetNodeIntAttributeW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name, int* value);
using XMLGetNodeDWORDAttributeW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name, DWORD* value);
using XMLSetNodeDWORDAttributeW_fn = BOOL(WINAPI*)(XMLHANDLE node, LPCWSTR name, DWORD value);

// Functions the plug-in only looks up; their signatures do not matter to it.
using Unused_fn = FARPROC;

}  // namespace lumen::host

// The host executable's file name; the plug-in finds it among the loaded modules.
#define LUMEN_HOST_MODULE_NAME L"tessera.exe"
