// "(A)" reads of 60 characters on arbitrary records, checked against a
// plain model: each read takes the record's characters up to its newline
// or the 60th, pads with blanks, and fails with end of file only when the
// file ends before both. A CR right before a newline reads as a blank.
#include <cstring>

#include "fuzz/fuzz_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::open_on(data, size);
  const char* text = reinterpret_cast<const char*>(data);
  std::size_t pos = 0;
  for (;;) {
    // The model.
    char want[60];
    std::memset(want, ' ', sizeof want);
    std::size_t k = 0;
    while (k < 60 && pos + k < size && text[pos + k] != '\n') {
      const bool line_end_cr =
          text[pos + k] == '\r' && pos + k + 1 < size && text[pos + k + 1] == '\n';
      want[k] = line_end_cr ? ' ' : text[pos + k];
      ++k;
    }
    const bool want_eof = k < 60 && pos + k == size;
    // The layer.
    char got[60];
    int status =
        rt::FormattedRead(fuzzing::kUnit, "(A)", fuzzing::kBranches).item(got, sizeof got).end();
    if (want_eof) {
      if (status != -1) fuzzing::unexpected(status);
      break;
    }
    if (status != 0) fuzzing::unexpected(status);
    if (std::memcmp(got, want, sizeof got) != 0) std::abort();
    // The rest of the record is skipped.
    const void* nl = std::memchr(text + pos + k, '\n', size - pos - k);
    if (nl == nullptr) break;
    pos = static_cast<std::size_t>(static_cast<const char*>(nl) - text) + 1;
  }
  fuzzing::close_unit();
  return 0;
}
