// Formatted input of arbitrary file content: the first byte picks an item
// list of I, F and A descriptors, the rest is the file, read record by
// record with items of every length those descriptors take. A read either
// succeeds or fails with end of file, 112 (a value beyond its item's range,
// a malformed exponent) or 115 (a character that no number has).
#include "fuzz/fuzz_unit.h"

namespace {

struct Statement {
  const char* format;
  int lengths[4];  // item lengths, 0 after the last
};

constexpr Statement kStatements[] = {
    {"(I30)", {4}},
    {"(I30)", {8}},
    {"(I3,I2,I20)", {1, 2, 8}},
    {"(I5,F10.3,A4)", {4, 8, 4}},
    {"(F15.11,I3)", {8, 4}},
    {"(F8.0,F6.2)", {4, 8}},
    {"(A,I11)", {60, 4}},
    {"(2F12.5,I6)", {8, 8, 2}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Statement& s = kStatements[data[0] % (sizeof kStatements / sizeof kStatements[0])];
  fuzzing::open_on(data + 1, size - 1);
  for (int record = 0; record < 64; ++record) {
    rt::FormattedRead read(fuzzing::kUnit, s.format, fuzzing::kBranches);
    char element[64];
    for (int k = 0; k < 4 && s.lengths[k] != 0; ++k) read.item(element, s.lengths[k]);
    int status = read.end();
    if (status == -1) break;
    if (status != 0 && status != 112 && status != 115) fuzzing::unexpected(status);
  }
  fuzzing::close_unit();
  return 0;
}
