// The format parser and walker on arbitrary item lists: a list either
// parses or is refused with 100, quoted to at most its recorded length;
// a parsed list writes and reads a few items of each kind, failing only
// with 100 (no data descriptor for an item), 117 (an item of a length
// that its descriptor cannot take), end of file, or 115.
#include <cstring>
#include <string>

#include "fuzz/fuzz_unit.h"
#include "runtime/records/format_list.h"
#include "runtime/records/layer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string format(reinterpret_cast<const char*>(data), size);
  const char* text = format.c_str();  // the list ends at its first NUL
  rt::FormatList list;
  const bool parses = rt::parse_format(text, list);
  std::free(list.items);
  if (rt::faulty_format_length(text) > std::strlen(text)) std::abort();

  const std::uint8_t content[] = "12 3.5 abc\n 7 -1.25e1 xyz\n";
  fuzzing::open_on(content, sizeof content - 1);
  rt::Integer i = 42;
  double d = -0.5;
  char a[5] = {'t', 'e', 'x', 't', '!'};

  if (!parses) {
    int status = rt::FormattedWrite(fuzzing::kUnit, text, fuzzing::kBranches).end();
    if (status != 100) fuzzing::unexpected(status);
    if (rt::last_operation().format_len != rt::faulty_format_length(text)) std::abort();
  } else {
    int status = rt::FormattedWrite(fuzzing::kUnit, text, fuzzing::kBranches)
                     .integer(i)
                     .real(d)
                     .item(a, sizeof a)
                     .end();
    if (status != 0 && status != 100 && status != 117) fuzzing::unexpected(status);
    // Back to the start, and the same list for reading.
    rt::rewind_unit(fuzzing::kUnit, fuzzing::kBranches);
    status = rt::FormattedRead(fuzzing::kUnit, text, fuzzing::kBranches)
                 .integer(i)
                 .real(d)
                 .item(a, sizeof a)
                 .end();
    // 112: an I field read back into a shorter integer than it was written from.
    if (status != 0 && status != 100 && status != 117 && status != -1 && status != 115 &&
        status != 112) {
      fuzzing::unexpected(status);
    }
  }
  fuzzing::close_unit();
  return 0;
}
