#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

namespace tonvale {

// Sizes `values` to `count` elements of `fill`. False, leaving it empty, when the memory cannot
// be had: the numeric kit reports that as a value, never by ending the program.
template <typename T>
bool TryAssign(std::vector<T>& values, size_t count, const T& fill = T()) {
  try {
    values.assign(count, fill);
    return true;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  std::vector<T>().swap(values);
  return false;
}

// Makes room for `count` elements without adding any. False, leaving it empty, when the memory
// cannot be had.
template <typename T>
bool TryReserve(std::vector<T>& values, size_t count) {
  try {
    values.reserve(count);
    return true;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  std::vector<T>().swap(values);
  return false;
}

}  // namespace tonvale
