// The format parser and walker on arbitrary item lists: a list either
// parses or is refused with 100, quoted to at most its recorded length;
// a parsed list writes and reads a few items of each kind, failing only
// with 100 (no data descriptor for an item), 117 (an item of a length
// that its descriptor cannot take), end of file, or 115.
#include <cstring>
#include <string>

#include "fuzz/fuzz_unit.h"
#include "runtime/records/format_list.h"
#include "runtime/records/state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string format(reinterpret_cast<const char*>(data), size);
  const char* text = format.c_str();  // the list ends at its first NUL
  rt::FormatList list;
  const bool parses = rt::parse_format(text, list);
  std::free(list.items);
  if (rt::faulty_format_length(text) > std::strlen(text)) std::abort();

  const std::uint8_t content[] = "12 3.5 abc\n 7 -1.25e1 xyz\n";
  fuzzing::open_on(content, sizeof content - 1);
  const rt::Integer one = 1;
  rt::Integer i = 42;
  double d = -0.5;
  char a[5] = {'t', 'e', 'x', 't', '!'};

  rt::DataControl c = fuzzing::control(text);
  int status = rt::s_wsfe(&c);
  if (!parses) {
    if (status != 100) fuzzing::unexpected(status);
    if (rt::run.last.format_len != rt::faulty_format_length(text)) std::abort();
  } else {
    if (status == 0) status = rt::do_fio(&one, &i, 4);
    if (status == 0) status = rt::do_fio(&one, &d, 8);
    if (status == 0) status = rt::do_fio(&one, a, sizeof a);
    if (status == 0) status = rt::e_wsfe();
    if (status != 0 && status != 100 && status != 117) fuzzing::unexpected(status);
    // Back to the start, and the same list for reading.
    rt::RewindControl r;
    r.err = 1;
    r.unit = fuzzing::kUnit;
    rt::f_rew(&r);
    c = fuzzing::control(text);
    status = rt::s_rsfe(&c);
    if (status == 0) status = rt::do_fio(&one, &i, 4);
    if (status == 0) status = rt::do_fio(&one, &d, 8);
    if (status == 0) status = rt::do_fio(&one, a, sizeof a);
    if (status == 0) status = rt::e_rsfe();
    if (status != 0 && status != 100 && status != 117 && status != -1 && status != 115) {
      fuzzing::unexpected(status);
    }
  }
  fuzzing::close_unit();
  return 0;
}
