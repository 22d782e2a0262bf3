// The list-directed reader on arbitrary records: the first byte chooses
// the items (a bit each: integer or double), the rest is the file. Every
// statement either succeeds or fails with end of file, 112 or 115.
#include "fuzz/fuzz_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned pattern = data[0];
  fuzzing::open_on(data + 1, size - 1);
  for (int statement = 0; statement < 64; ++statement) {
    rt::ListRead read(fuzzing::kUnit, fuzzing::kBranches);
    rt::Integer i = 0;
    double d = 0;
    for (int k = 0; k < 4; ++k) {
      if ((pattern >> k) & 1) {
        read.real(d);
      } else {
        read.integer(i);
      }
    }
    int status = read.end();
    if (status == 0) continue;
    if (status != -1 && status != 112 && status != 115) fuzzing::unexpected(status);
    break;
  }
  fuzzing::close_unit();
  return 0;
}
