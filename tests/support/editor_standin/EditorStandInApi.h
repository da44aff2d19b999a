#pragma once
// What the editor stand-in SciLexer.dll offers tests beyond the control's own
// messages. Tests bind these with GetProcAddress (lumen::test::EditorStandIn),
// so they work whoever loaded the DLL; plain C types cross the boundary
// because the DLL has its own copy of the C++ runtime.
#include <windows.h>

extern "C" {

struct EditorStandInMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Texts are copied into `text` (at most capacity - 1 bytes and a zero); the
// result is the text's full length, so a call with no buffer asks for it.

// Number of messages the editor window received; -1 when it is no stand-in editor.
int WINAPI EditorStandIn_MessageCount(HWND editor);
// Message `index` (0 = oldest) and the string it passed; -1 when there is none.
int WINAPI EditorStandIn_MessageAt(HWND editor, int index, EditorStandInMessage* message, char* text, int capacity);
BOOL WINAPI EditorStandIn_ClearMessages(HWND editor);
// Keyword list of set 0 to 8 (the control itself has no getter); -1 for an unknown editor or set.
int WINAPI EditorStandIn_Keywords(HWND editor, int set, char* text, int capacity);

}  // extern "C"
