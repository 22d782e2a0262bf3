// The list reader's plain path against the number scanner: whenever the
// plain path takes a value from a buffer, the scanner must read the same
// field to the same bits, and the plain path must have consumed exactly
// the field and its separator (blanks and tabs, then one comma). The first
// byte picks the item type, the rest is the buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/records/list_plain.h"
#include "runtime/records/number_scan.h"

namespace {

constexpr rt::Integer kTypes[] = {rt::kInt, rt::kLong, rt::kReal, rt::kDouble};

bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == ',' || c == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const rt::Integer type = kTypes[data[0] % 4];
  // The buffer as a unit holds it: the data, then a NUL end mark.
  std::vector<char> buf(data + 1, data + size);
  const std::size_t len = buf.size();
  buf.push_back('\0');
  rt::Unit u;
  u.buf = buf.data();
  u.cap = len;
  u.len = len;

  char plain[8] = {};
  if (!rt::read_plain(u, type, plain)) return 0;

  // The same field, found and scanned the general way.
  const char* p = buf.data();
  const char* end = p + len;
  while (p != end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
  const char* field_end = p;
  while (field_end != end && !is_separator(*field_end)) ++field_end;
  rt::Record text;
  rt::ScannedForm form;
  if (rt::scan_number(p, field_end, rt::ScanRule::List, text, form) != rt::ScanResult::Number) {
    std::abort();
  }
  const bool real = type == rt::kReal || type == rt::kDouble;
  rt::ScannedNumber n = rt::read_scanned(text, form, real);
  std::free(text.data);
  char general[8] = {};
  if (type == rt::kDouble) {
    rt::store(general, n.real);
  } else if (type == rt::kReal) {
    rt::store(general, static_cast<float>(n.real));
  } else {
    if (!n.integral || n.integer_overflow) std::abort();
    rt::store_integer(rt::type_size(type), general, n.integer);
  }
  if (std::memcmp(plain, general, sizeof plain) != 0) std::abort();

  // Consumed: the field, blanks and tabs, then one comma.
  const char* q = field_end;
  while (q != end && (*q == ' ' || *q == '\t')) ++q;
  if (q != end && *q == ',') ++q;
  if (rt::unit_next(u) != q) std::abort();
  return 0;
}
