// Error numbers of the record layer and their texts.
//
// -1 is the end of a file, 0 to 99 are the host's errno values, 100 to 132
// are the layer's own failures. Every other number is illegal.
#pragma once

#include <string_view>

namespace rt {

enum Error : int {
  kEndOfFile = -1,
  kErrFormat = 100,
  kErrUnitNumber = 101,
  kErrBackspace = 106,
  kErrNullName = 107,
  kErrTruncate = 111,
  kErrListInput = 112,
  kErrNoMemory = 113,
  kErrNotConnected = 114,
  kErrUnexpectedChar = 115,
  kErrBadType = 117,
  kErrCantRead = 126,
  kErrCantWrite = 127,
  kErrNewExists = 128,
  kErrRecursion = 131,
  kErrTempName = 132,
  kErrUnknownType = 204,
};

// Text of a layer error 100 to 132; empty for any other number.
std::string_view error_text(int number);

}  // namespace rt
