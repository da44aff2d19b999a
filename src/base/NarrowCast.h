#pragma once
#include <stdexcept>
#include <type_traits>

namespace lumen {

// A conversion that must not lose anything: 64-bit sizes going to the 32-bit
// interfaces of the editor control and the host.
template <typename To, typename From>
To narrow_cast(From value) {
  const To result = static_cast<To>(value);
  const bool signChanged = std::is_signed_v<To> != std::is_signed_v<From> && ((result < To{}) != (value < From{}));
  if (static_cast<From>(result) != value || signChanged) throw std::runtime_error("narrow_cast<>() failed");
  return result;
}

}  // namespace lumen
