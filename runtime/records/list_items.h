// The list-directed item call and what the writer and the reader share:
// the element sizes of the type codes and loads and stores of elements.
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/records/types.h"

namespace rt {

// The element size of a type code that the layer knows; 0 for any other.
inline std::size_t type_size(Integer type) {
  switch (type) {
    case kByte:
    case kLogical1:
      return 1;
    case kShort:
    case kLogical2:
      return 2;
    case kInt:
    case kReal:
    case kLogical:
      return 4;
    case kDouble:
    case kComplex:
    case kLong:
      return 8;
    case kDoubleComplex:
      return 16;
    case kChar:
      return 1;  // the element length comes with the item
    default:
      return 0;
  }
}

template <typename T>
T load(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
void store(char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

// An integer or logical element of the given type code.
inline long long load_integer(Integer type, const char* at) {
  switch (type_size(type)) {
    case 1:
      return load<std::int8_t>(at);
    case 2:
      return load<std::int16_t>(at);
    case 4:
      return load<std::int32_t>(at);
    default:
      return load<std::int64_t>(at);
  }
}

// Whether v fits an integer element of the given size (1, 2, 4 or 8).
inline bool integer_fits(long long v, std::size_t size) {
  if (size >= 8) return true;
  long long limit = 1LL << (size * 8 - 1);
  return v >= -limit && v < limit;
}

// Stores an integer that fits the element of the given size (1, 2, 4 or 8).
inline void store_integer(std::size_t size, char* at, long long value) {
  switch (size) {
    case 1:
      store(at, static_cast<std::int8_t>(value));
      return;
    case 2:
      store(at, static_cast<std::int16_t>(value));
      return;
    case 4:
      store(at, static_cast<std::int32_t>(value));
      return;
    default:
      store(at, static_cast<std::int64_t>(value));
      return;
  }
}

void list_write_item(Integer type, const char* element, Length length);
void list_read_item(Integer type, char* element, Length length);

}  // namespace rt
