#pragma once
// Indicator values over the document, one value per byte and indicator, with
// the control's answers: runs of one value, positions clamped into the
// document, and an indicator that holds no value at all answering 0 for
// everything (the control drops it).
#include <cstdint>
#include <map>
#include <vector>

namespace lumen::editor_standin {

class Indicators {
 public:
  // Sets `length` bytes from `start` to `value`; a range that does not lie
  // wholly inside the document is ignored.
  void Fill(int indicator, int documentLength, int start, int length, int value);
  int ValueAt(int indicator, int position) const;
  // Start and end of the run of one value that holds `position`.
  int RunStart(int indicator, int position) const;
  int RunEnd(int indicator, int position) const;

  // Keeps the values in step with the text: inserted bytes take the value of
  // the run they extend (a value at the document start never extends back).
  void InsertBytes(int position, int length);
  void Clear() { layers_.clear(); }

 private:
  const std::vector<int>* ValuesOf(int indicator) const;
  int Clamp(const std::vector<int>& values, int position) const;

  struct Layer {
    std::vector<int> values;  // one per byte of the document
    int64_t nonZero = 0;      // so that emptiness needs no scan after each fill
  };
  std::map<int, Layer> layers_;  // only indicators with a non-zero value
};

}  // namespace lumen::editor_standin
