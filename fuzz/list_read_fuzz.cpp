// The list-directed reader on arbitrary records: the first byte chooses
// the items (a bit each: integer or double), the rest is the file. Every
// statement either succeeds or fails with end of file, 112 or 115.
#include "fuzz/fuzz_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned pattern = data[0];
  fuzzing::open_on(data + 1, size - 1);
  for (int statement = 0; statement < 64; ++statement) {
    rt::DataControl c = fuzzing::control();
    int status = rt::s_rsle(&c);
    for (int k = 0; k < 4 && status == 0; ++k) {
      const rt::Integer one = 1;
      std::int32_t i = 0;
      double d = 0;
      rt::Integer type = (pattern >> k) & 1 ? rt::kDouble : rt::kInt;
      status = type == rt::kInt ? rt::do_lio(&type, &one, &i, 4) : rt::do_lio(&type, &one, &d, 8);
    }
    if (status == 0) status = rt::e_rsle();
    if (status == 0) continue;
    if (status != -1 && status != 112 && status != 115) fuzzing::unexpected(status);
    break;
  }
  fuzzing::close_unit();
  return 0;
}
