#pragma once
// The part of the Scintilla 3.x interface (32-bit positions) that lumen speaks:
// message numbers, records and notifications. The editor stand-in of the tests
// and the adapter over Scintilla 5 implement the same definitions.
#include <cstddef>
#include <cstdint>
#include <windows.h>

namespace lumen::sci {

enum Message : UINT {
  SCI_ADDTEXT = 2001,
  SCI_CLEARALL = 2004,
  SCI_GETLENGTH = 2006,
  SCI_GETCHARAT = 2007,
  SCI_GETCURRENTPOS = 2008,
  SCI_GETANCHOR = 2009,
  SCI_GETSTYLEAT = 2010,
  SCI_GOTOPOS = 2025,
  SCI_SETUNDOCOLLECTION = 2012,
  SCI_GETUNDOCOLLECTION = 2019,
  SCI_SETTABWIDTH = 2036,
  SCI_SETCODEPAGE = 2037,
  SCI_STYLECLEARALL = 2050,
  SCI_STYLESETFORE = 2051,
  SCI_STYLESETBACK = 2052,
  SCI_STYLESETBOLD = 2053,
  SCI_STYLESETITALIC = 2054,
  SCI_STYLESETSIZE = 2055,
  SCI_STYLESETFONT = 2056,
  SCI_STYLESETEOLFILLED = 2057,
  SCI_STYLESETUNDERLINE = 2059,
  SCI_INDICSETSTYLE = 2080,
  SCI_INDICGETSTYLE = 2081,
  SCI_INDICSETFORE = 2082,
  SCI_INDICGETFORE = 2083,
  SCI_SETSTYLEBITS = 2090,
  SCI_GETSTYLEBITS = 2091,
  SCI_GETTABWIDTH = 2121,
  SCI_GETCODEPAGE = 2137,
  SCI_GETREADONLY = 2140,
  SCI_GETSELECTIONSTART = 2143,
  SCI_GETSELECTIONEND = 2145,
  SCI_FINDTEXT = 2150,
  SCI_GETLINECOUNT = 2154,
  SCI_LINEFROMPOSITION = 2166,
  SCI_POSITIONFROMLINE = 2167,
  SCI_GETLINEENDPOSITION = 2136,
  SCI_GETFIRSTVISIBLELINE = 2152,
  SCI_VISIBLEFROMDOCLINE = 2220,
  SCI_DOCLINEFROMVISIBLE = 2221,
  SCI_LINESONSCREEN = 2370,
  SCI_LINELENGTH = 2350,
  SCI_FINDCOLUMN = 2456,
  SCI_GETCHARACTERPOINTER = 2520,
  SCI_APPENDTEXT = 2282,
  SCI_GETDOCPOINTER = 2357,
  SCI_SETDOCPOINTER = 2358,
  SCI_ADDREFDOCUMENT = 2376,
  SCI_RELEASEDOCUMENT = 2377,
  SCI_CREATELOADER = 2632,
  SCI_GETDIRECTFUNCTION = 2184,
  SCI_GETDIRECTPOINTER = 2185,
  SCI_SETXOFFSET = 2397,
  SCI_GETXOFFSET = 2398,
  SCI_SETFIRSTVISIBLELINE = 2613,
  SCI_SETSEL = 2160,
  SCI_GETSELTEXT = 2161,
  SCI_GETTEXTRANGE = 2162,
  SCI_GETSTYLEDTEXT = 2015,
  SCI_COPY = 2178,
  SCI_SELECTALL = 2013,
  SCI_SETVIEWWS = 2021,
  SCI_GETVIEWWS = 2020,
  SCI_SETVIEWEOL = 2356,
  SCI_GETVIEWEOL = 2355,
  SCI_SETINDENTATIONGUIDES = 2132,
  SCI_GETINDENTATIONGUIDES = 2133,
  SCI_ZOOMIN = 2333,
  SCI_ZOOMOUT = 2334,
  SCI_POINTXFROMPOSITION = 2164,
  SCI_POINTYFROMPOSITION = 2165,
  SCI_TEXTHEIGHT = 2279,
  SCI_CANUNDO = 2174,
  SCI_EMPTYUNDOBUFFER = 2175,
  SCI_SETREADONLY = 2171,
  SCI_GETTEXT = 2182,
  SCI_GETTEXTLENGTH = 2183,
  SCI_SETMARGINWIDTHN = 2242,
  SCI_GETMARGINWIDTHN = 2243,
  SCI_WORDSTARTPOSITION = 2266,
  SCI_WORDENDPOSITION = 2267,
  SCI_SETWRAPMODE = 2268,
  SCI_GETWRAPMODE = 2269,
  SCI_SETSCROLLWIDTH = 2274,
  SCI_GETSCROLLWIDTH = 2275,
  SCI_TEXTWIDTH = 2276,
  SCI_USEPOPUP = 2371,
  SCI_SETZOOM = 2373,
  SCI_GETZOOM = 2374,
  SCI_SETSELBACK = 2068,
  SCI_SETCARETFORE = 2069,
  SCI_GETCARETLINEVISIBLE = 2095,
  SCI_SETCARETLINEVISIBLE = 2096,
  SCI_GETCARETLINEBACK = 2097,
  SCI_SETCARETLINEBACK = 2098,
  SCI_GETCARETFORE = 2138,
  SCI_GETCARETLINEVISIBLEALWAYS = 2654,
  SCI_SETCARETLINEVISIBLEALWAYS = 2655,
  SCI_DOCUMENTEND = 2318,
  SCI_SETIDLESTYLING = 2692,
  SCI_GETIDLESTYLING = 2693,
  SCI_STYLEGETFORE = 2481,
  SCI_STYLEGETBACK = 2482,
  SCI_STYLEGETBOLD = 2483,
  SCI_STYLEGETITALIC = 2484,
  SCI_STYLEGETSIZE = 2485,
  SCI_STYLEGETFONT = 2486,
  SCI_STYLEGETEOLFILLED = 2487,
  SCI_STYLEGETUNDERLINE = 2488,
  SCI_SETINDICATORCURRENT = 2500,
  SCI_SETINDICATORVALUE = 2502,
  SCI_GETINDICATORVALUE = 2503,
  SCI_INDICATORFILLRANGE = 2504,
  SCI_INDICATORCLEARRANGE = 2505,
  SCI_INDICATORVALUEAT = 2507,
  SCI_INDICATORSTART = 2508,
  SCI_INDICATOREND = 2509,
  SCI_SETSCROLLWIDTHTRACKING = 2516,
  SCI_GETSCROLLWIDTHTRACKING = 2517,
  SCI_INDICSETALPHA = 2523,
  SCI_INDICGETALPHA = 2524,
  SCI_SETEMPTYSELECTION = 2556,
  SCI_INDICSETOUTLINEALPHA = 2558,
  SCI_INDICGETOUTLINEALPHA = 2559,
  SCI_SETMODEVENTMASK = 2359,
  SCI_SELECTIONISRECTANGLE = 2372,
  SCI_GETMODEVENTMASK = 2378,
  SCI_SETSELECTIONMODE = 2422,
  SCI_SETMULTIPLESELECTION = 2563,
  SCI_SCROLLRANGE = 2569,
  SCI_GETSELECTIONS = 2570,
  SCI_ADDSELECTION = 2573,
  SCI_GETMAINSELECTION = 2575,
  SCI_GETSELECTIONNSTART = 2585,
  SCI_GETSELECTIONNEND = 2587,
  SCI_SETRECTANGULARSELECTIONCARET = 2588,
  SCI_SETRECTANGULARSELECTIONANCHOR = 2590,
  SCI_SETLEXER = 4001,
  SCI_GETLEXER = 4002,
  SCI_COLOURISE = 4003,
  SCI_SETKEYWORDS = 4005,
};

enum : int {
  SC_CP_UTF8 = 65001,
  SC_WRAP_NONE = 0,
  SC_WRAP_WORD = 1,
  SCWS_INVISIBLE = 0,
  SCWS_VISIBLEALWAYS = 1,
  SC_IV_NONE = 0,
  SC_IV_LOOKBOTH = 3,
  SC_IDLESTYLING_NONE = 0,
  SC_IDLESTYLING_TOVISIBLE = 1,
  SC_IDLESTYLING_ALL = 3,
  STYLE_DEFAULT = 32,
  STYLE_LINENUMBER = 33,
  INDIC_ROUNDBOX = 7,
  SCFIND_WHOLEWORD = 2,
  SCFIND_MATCHCASE = 4,
  SCFIND_REGEXP = 0x00200000,
  SCLEX_NULL = 1,
  SCLEX_CONTAINER = 0,
  STYLE_CALLTIP = 38,
  STYLE_MAX = 255,
  INDIC_PLAIN = 0,
  INDIC_SQUIGGLE = 1,
  INDIC_TT = 2,
  INDIC_MAX = 35,
  KEYWORDSET_MAX = 8,
  SC_MAX_MARGIN = 4,
  SC_MOD_NONE = 0,
  SC_SEL_STREAM = 0,
  SC_SEL_RECTANGLE = 1,
  SC_SEL_LINES = 2,
  SC_SEL_THIN = 3,
};

enum : int { SC_STATUS_OK = 0 };

// A document built away from the control's window, on any thread: the text
// goes in with AddData, and ConvertToDocument hands the document (one
// reference, for SCI_SETDOCPOINTER) over in place of the loader. The length
// is 32 bits in 3.x and 64 in 5.x; passed in a 64-bit register it suits both.
struct ILoader {
  virtual int __stdcall Release() = 0;
  virtual int __stdcall AddData(const char* data, intptr_t length) = 0;
  virtual void* __stdcall ConvertToDocument() = 0;
};

// The control's direct function: its messages called as a function, on the
// object SCI_GETDIRECTPOINTER names, without the window's message queue.
using DirectFunction = intptr_t (*)(intptr_t pointer, unsigned int message, uintptr_t wParam, intptr_t lParam);

enum Notification : unsigned {
  SCN_UPDATEUI = 2007,
  SCN_MODIFIED = 2008,
  SCN_ZOOM = 2018,
  SCN_FOCUSIN = 2028,
};

enum : int { SC_UPDATE_CONTENT = 1, SC_UPDATE_SELECTION = 2, SC_UPDATE_V_SCROLL = 4, SC_UPDATE_H_SCROLL = 8 };

// The editor's child id in the viewer window; notifications carry it.
constexpr int kEditorControlId = 1;

struct Sci_CharacterRange {
  int32_t cpMin;
  int32_t cpMax;
};

struct Sci_TextToFind {
  Sci_CharacterRange chrg;
  const char* lpstrText;
  Sci_CharacterRange chrgText;
};

struct Sci_TextRange {
  Sci_CharacterRange chrg;
  char* lpstrText;
};

struct Sci_NotifyHeader {
  void* hwndFrom;
  uintptr_t idFrom;
  unsigned int code;
};

// The 3.x notification record: 32-bit positions throughout.
struct SCNotification {
  Sci_NotifyHeader nmhdr;
  int32_t position;
  int ch;
  int modifiers;
  int modificationType;
  const char* text;
  int32_t length;
  int32_t linesAdded;
  int message;
  uintptr_t wParam;
  intptr_t lParam;
  int32_t line;
  int foldLevelNow;
  int foldLevelPrev;
  int margin;
  int listType;
  int x;
  int y;
  int token;
  int32_t annotationLinesAdded;
  int updated;
  int listCompletionMethod;
};

static_assert(sizeof(void*) != 8 || offsetof(SCNotification, updated) == 116,
              "hosts and editors read 'updated' at byte 116 of a 64-bit SCNotification");
static_assert(sizeof(void*) != 8 || sizeof(Sci_TextToFind) == 24);

}  // namespace lumen::sci
