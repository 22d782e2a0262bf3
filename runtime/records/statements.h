// Statements of the record layer, one line each: every call below is
// exactly one entry-point call (io.h), in the order that a statement makes
// them.
//
//   ListWrite(6).text("x =").real(x).end();
//   ListRead(25).integer(i).real(x).end();
//   FormattedWrite(25, "(1X,I3,F15.11)").integer(i).real(x).end();
//   open_file(25, "Meld-System666.txt");
//
// A statement with branches (Branches{.err = true}) comes back with the
// number of the failure that took one: end() returns the first nonzero
// status of the statement's calls (the calls after it do nothing).
#pragma once

#include <string_view>
#include <type_traits>

#include "runtime/records/io.h"

namespace rt {

struct Branches {
  bool err = false;  // failures come back as their number
  bool end = false;  // the end of a file comes back as -1
};

enum class Form : unsigned char { List, Formatted };

// One data-transfer statement: the start call at construction, one item
// call per item, the end call at end(). `Byte` is const for the statements
// that write, so that they take their items by const reference.
template <Form F, class Byte, int (*Start)(const DataControl*), int (*End)()>
class Transfer {
  static constexpr bool kList = F == Form::List;
  static constexpr bool kWrite = std::is_const_v<Byte>;
  using Int = std::conditional_t<kWrite, const Integer, Integer>;
  using Real = std::conditional_t<kWrite, const double, double>;

 public:
  explicit Transfer(Integer unit, Branches branches = {}) requires kList
      : Transfer(unit, nullptr, branches) {}
  Transfer(Integer unit, const char* format, Branches branches = {}) {
    control_.unit = unit;
    control_.format = format;
    control_.err = branches.err ? 1 : 0;
    control_.end = branches.end ? 1 : 0;
    note(Start(&control_));
  }

  Transfer& integer(Int& v) { return put(kInt, &v, sizeof v); }
  Transfer& real(Real& v) { return put(kDouble, &v, sizeof v); }
  Transfer& text(std::string_view t) requires kWrite {
    return put(kChar, t.data(), static_cast<Length>(t.size()));
  }
  // An item of any type code, `length` bytes.
  Transfer& item(Integer type, Byte* address, Length length) requires kList {
    return put(type, address, length);
  }
  // An item of `length` bytes: a text variable, or a number of that size.
  Transfer& item(Byte* address, Length length) requires(!kList) {
    return put(kChar, address, length);
  }

  // The first nonzero status of the statement's calls, or 0.
  int end() {
    note(End());
    return status_;
  }

 private:
  Transfer& put(Integer type, Byte* address, Length length) {
    const Integer count = 1;
    void* element = const_cast<void*>(static_cast<const void*>(address));
    note(kList ? do_lio(&type, &count, element, length) : do_fio(&count, element, length));
    return *this;
  }
  void note(int status) {
    if (status_ == 0) status_ = status;
  }

  DataControl control_;
  int status_ = 0;
};

using ListWrite = Transfer<Form::List, const void, s_wsle, e_wsle>;
using ListRead = Transfer<Form::List, void, s_rsle, e_rsle>;
using FormattedWrite = Transfer<Form::Formatted, const void, s_wsfe, e_wsfe>;
using FormattedRead = Transfer<Form::Formatted, void, s_rsfe, e_rsfe>;

// OPEN of a named file (status "unknown", "old", "new", "replace" or
// "scratch").
inline int open_file(Integer unit, std::string_view name, const char* status = "unknown",
                     Branches branches = {}) {
  OpenControl control;
  control.err = branches.err ? 1 : 0;
  control.unit = unit;
  control.name = name.data();
  control.name_len = static_cast<Length>(name.size());
  control.status = status;
  return f_open(&control);
}

inline int rewind_unit(Integer unit, Branches branches = {}) {
  RewindControl control;
  control.err = branches.err ? 1 : 0;
  control.unit = unit;
  return f_rew(&control);
}

// CLOSE; a null status keeps the file, "delete" removes it.
inline int close_unit(Integer unit, const char* status = nullptr, Branches branches = {}) {
  CloseControl control;
  control.err = branches.err ? 1 : 0;
  control.unit = unit;
  control.status = status;
  return f_clos(&control);
}

}  // namespace rt
