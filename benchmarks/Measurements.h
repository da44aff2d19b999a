#pragma once
// One measured operation each, meant to run alone in a fresh process: the
// process's peak working set then belongs to that operation only.
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

#include "base/Handles.h"
#include "text/Encoding.h"

namespace lumen::benchmark {

struct Figures {
  double seconds = 0;           // until the whole document is there
  double firstScreen = 0;       // until the first screen of it is painted
  double longestMessage = 0;    // the longest the host's thread was kept in one message
  double longestOfLumen = 0;    // of those, the longest to lumen's own windows (not the control's idle work)
  uint64_t peakExtraBytes = 0;  // peak working set during the operation above the one before it
  std::string label;            // the viewer's description of the file, where there is one
};

// A plain read of the file into fresh memory and one copy of it: the least a
// viewer with an editor that keeps its own copy must do.
Figures ReadAndCopy(const std::wstring& path);

// HBXPLUGINMSG_OPENFILE to a viewer of the lumen.dll at `pluginPath`, its
// first screen painted, and then the host's message loop until the file has
// loaded completely. The editor is whichever SciLexer.dll lies beside that DLL.
// `wrapping`: the shipped configuration with line wrapping on; `whole`: with
// every file up to 2 GB given to the control whole, none through a window.
Figures OpenInViewer(const std::wstring& path, const std::wstring& pluginPath, bool wrapping = false,
                     bool whole = false);

// The real control's own SCI_ADDTEXT of the file's text (as UTF-8) into a fresh
// control of the SciLexer.dll at `editorLibrary`, and its first screen painted.
Figures AddTextToControl(const std::wstring& path, const std::wstring& editorLibrary);

// Ways to build the document of a big file with the control's loader
// (SCI_CREATELOADER), a worker thread adding the text in 4 MB slices, the
// viewer's thread putting the document in place: the loader made with room
// for the whole text on the viewer's thread, made small there and grown by
// the worker, or made with the whole room on the worker through the direct
// function of a hidden control of the viewer's thread (what lumen does).
// Figures as for AddTextToControl, the longest message being the viewer's
// thread's own part.
enum class LoaderWay { FullOnViewersThread, SmallGrownByWorker, FullOnWorker };
Figures BuildWithLoader(const std::wstring& path, const std::wstring& editorLibrary, LoaderWay way);

// The parts of a UTF-8 load that need no new memory, each on buffers already
// touched: a read from the file cache, one copy, and the validity test done
// by lumen and by the platform's strict decoder.
struct WarmParts {
  double read = 0;
  double copy = 0;
  double validate = 0;
  double platformValidate = 0;
};
WarmParts MeasureWarmParts(const std::wstring& path);

// One conversion to UTF-8 of bytes already in memory: lumen's, and the
// platform's calls over the whole text (to UTF-16 first for ANSI).
struct ConversionTimes {
  double lumen = 0;
  double platform = 0;
};
ConversionTimes MeasureConversion(const std::string& bytes, Encoding encoding);

// The viewer's description of the file it shows (with "loading N %" while
// a big file loads).
std::string DescribeFile(HWND viewer);

}  // namespace lumen::benchmark
