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

#include "runtime/records/io.h"

namespace rt {

struct Branches {
  bool err = false;  // failures come back as their number
  bool end = false;  // the end of a file comes back as -1
};

namespace detail {

// What the four kinds of data-transfer statement share: the control
// block and the first nonzero status.
class StatementCalls {
 protected:
  StatementCalls(Integer unit, const char* format, Branches branches) {
    control_.unit = unit;
    control_.format = format;
    control_.err = branches.err ? 1 : 0;
    control_.end = branches.end ? 1 : 0;
  }
  void note(int status) {
    if (status_ == 0) status_ = status;
  }
  void list_item(Integer type, const void* address, Length length) {
    const Integer count = 1;
    note(do_lio(&type, &count, const_cast<void*>(address), length));
  }
  void formatted_item(const void* address, Length length) {
    const Integer count = 1;
    note(do_fio(&count, const_cast<void*>(address), length));
  }
  int finish(int status) {
    note(status);
    return status_;
  }

  DataControl control_;
  int status_ = 0;
};

}  // namespace detail

class ListWrite : detail::StatementCalls {
 public:
  explicit ListWrite(Integer unit, Branches branches = {})
      : StatementCalls(unit, nullptr, branches) {
    note(s_wsle(&control_));
  }
  ListWrite& text(std::string_view t) {
    list_item(kChar, t.data(), static_cast<Length>(t.size()));
    return *this;
  }
  ListWrite& integer(const Integer& v) {
    list_item(kInt, &v, sizeof v);
    return *this;
  }
  ListWrite& real(const double& v) {
    list_item(kDouble, &v, sizeof v);
    return *this;
  }
  // An item of any type code, `length` bytes.
  ListWrite& item(Integer type, const void* address, Length length) {
    list_item(type, address, length);
    return *this;
  }
  int end() { return finish(e_wsle()); }
};

class ListRead : detail::StatementCalls {
 public:
  explicit ListRead(Integer unit, Branches branches = {})
      : StatementCalls(unit, nullptr, branches) {
    note(s_rsle(&control_));
  }
  ListRead& integer(Integer& v) {
    list_item(kInt, &v, sizeof v);
    return *this;
  }
  ListRead& real(double& v) {
    list_item(kDouble, &v, sizeof v);
    return *this;
  }
  // An item of any type code, `length` bytes.
  ListRead& item(Integer type, void* address, Length length) {
    list_item(type, address, length);
    return *this;
  }
  int end() { return finish(e_rsle()); }
};

class FormattedWrite : detail::StatementCalls {
 public:
  FormattedWrite(Integer unit, const char* format, Branches branches = {})
      : StatementCalls(unit, format, branches) {
    note(s_wsfe(&control_));
  }
  FormattedWrite& integer(const Integer& v) {
    formatted_item(&v, sizeof v);
    return *this;
  }
  FormattedWrite& real(const double& v) {
    formatted_item(&v, sizeof v);
    return *this;
  }
  // A text or any other item of `length` bytes.
  FormattedWrite& item(const void* address, Length length) {
    formatted_item(address, length);
    return *this;
  }
  int end() { return finish(e_wsfe()); }
};

class FormattedRead : detail::StatementCalls {
 public:
  FormattedRead(Integer unit, const char* format, Branches branches = {})
      : StatementCalls(unit, format, branches) {
    note(s_rsfe(&control_));
  }
  FormattedRead& integer(Integer& v) {
    formatted_item(&v, sizeof v);
    return *this;
  }
  FormattedRead& real(double& v) {
    formatted_item(&v, sizeof v);
    return *this;
  }
  // A text variable or any other item of `length` bytes.
  FormattedRead& item(void* address, Length length) {
    formatted_item(address, length);
    return *this;
  }
  int end() { return finish(e_rsfe()); }
};

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
