#include "Indicators.h"

#include <algorithm>
#include <cstdint>

namespace lumen::editor_standin {

void Indicators::Fill(int indicator, int documentLength, int start, int length, int value) {
  if (start < 0 || length <= 0 || static_cast<int64_t>(start) + length > documentLength) return;
  if (value == 0 && !layers_.count(indicator)) return;  // clearing what holds nothing costs nothing
  Layer& layer = layers_[indicator];
  layer.values.resize(static_cast<size_t>(documentLength), 0);
  for (auto at = layer.values.begin() + start; at != layer.values.begin() + start + length; ++at) {
    layer.nonZero += (value != 0) - (*at != 0);
    *at = value;
  }
  if (layer.nonZero == 0) layers_.erase(indicator);
}

const std::vector<int>* Indicators::ValuesOf(int indicator) const {
  const auto found = layers_.find(indicator);
  return found == layers_.end() ? nullptr : &found->second.values;
}

int Indicators::Clamp(const std::vector<int>& values, int position) const {
  return std::clamp(position, 0, static_cast<int>(values.size()) - 1);
}

int Indicators::ValueAt(int indicator, int position) const {
  const std::vector<int>* values = ValuesOf(indicator);
  return values ? (*values)[Clamp(*values, position)] : 0;
}

int Indicators::RunStart(int indicator, int position) const {
  const std::vector<int>* values = ValuesOf(indicator);
  if (!values) return 0;
  int start = Clamp(*values, position);
  const int value = (*values)[start];
  while (start > 0 && (*values)[start - 1] == value) --start;
  return start;
}

int Indicators::RunEnd(int indicator, int position) const {
  const std::vector<int>* values = ValuesOf(indicator);
  if (!values) return 0;
  int end = Clamp(*values, position);
  const int value = (*values)[end];
  while (end < static_cast<int>(values->size()) && (*values)[end] == value) ++end;
  return end;
}

void Indicators::InsertBytes(int position, int length) {
  if (length <= 0) return;
  for (auto& [indicator, layer] : layers_) {
    std::vector<int>& values = layer.values;
    const int size = static_cast<int>(values.size());
    const int at = std::clamp(position, 0, size);
    // Inside a run the new bytes join it. Between two runs they join the one
    // before only when the one after has a value; at the very start they are plain.
    int value = 0;
    if (at == size) {
      value = values[size - 1];
    } else if (at > 0 && values[at] != 0) {
      value = values[at - 1];
    }
    values.insert(values.begin() + at, static_cast<size_t>(length), value);
    if (value != 0) layer.nonZero += length;
  }
}

}  // namespace lumen::editor_standin
