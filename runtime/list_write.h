// A list-directed write statement as a chain of item calls:
//
//   ListWrite(6).text("x =").real(x).end();
//
// Each call is exactly one entry-point call (s_wsle, do_lio, e_wsle).
#pragma once

#include <string_view>

#include "runtime/io.h"

namespace rt {

class ListWrite {
 public:
  explicit ListWrite(Integer unit) {
    control_.unit = unit;
    s_wsle(&control_);
  }
  ListWrite& text(std::string_view t) {
    item(kChar, const_cast<char*>(t.data()), static_cast<Length>(t.size()));
    return *this;
  }
  ListWrite& integer(const Integer& v) {
    item(kInt, const_cast<Integer*>(&v), sizeof v);
    return *this;
  }
  ListWrite& real(const double& v) {
    item(kDouble, const_cast<double*>(&v), sizeof v);
    return *this;
  }
  void end() { e_wsle(); }

 private:
  void item(Integer type, void* address, Length length) {
    const Integer count = 1;
    do_lio(&type, &count, address, length);
  }
  DataControl control_;
};

}  // namespace rt
