#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/io_helpers.h"

namespace {

using namespace testing_support;

struct RecordCase {
  std::vector<Item> items;
  std::string want;  // the file's bytes
};

TEST(ListWrite, SingleItems) {
  const RecordCase cases[] = {
      {{I(1)}, " 1\n"},          {{I(0)}, " 0\n"},
      {{I(-12)}, " -12\n"},      {{T("x =")}, " x =\n"},
      {{D(2.0)}, "  2.\n"},      {{D(-3.0)}, " -3.\n"},
      {{D(1e-8)}, "  1.E-08\n"}, {{I(-2147483647 - 1)}, " -2147483648\n"},
  };
  for (const RecordCase& c : cases) EXPECT_EQ(list_output({c.items}), c.want);
}

TEST(ListWrite, WholeRecords) {
  const RecordCase cases[] = {
      {{T("x ="), D(0.5)}, " x =  0.5\n"},
      {{T("i ="), I(-12)}, " i = -12\n"},
      {{I(2), I(1), D(3.0)}, " 2 1  3.\n"},
      {{T("("), I(1), I(1), T(")"), D(1.0)}, " ( 1 1)  1.\n"},
      {{T("("), I(2), T(")"), D(-3.0)}, " ( 2) -3.\n"},
      {{T("Test amat*x=b ?: ("), I(1), T(")"), D(2.0), T(" =!="), D(2.0)},
       " Test amat*x=b ?: ( 1)  2. =!=  2.\n"},
      {{D(1.0), D(0.0)}, "  1.  0.\n"},
      {{T("ABC" + std::string(57, ' '))}, " ABC" + std::string(57, ' ') + "\n"},
      {{T("a"), T("b")}, " ab\n"},
      {{I(5), T("x")}, " 5x\n"},
      {{}, "\n"},
  };
  for (const RecordCase& c : cases) EXPECT_EQ(list_output({c.items}), c.want);
}

// The line width of 80: which characters count, and where a record breaks.
TEST(ListWrite, LineWidthRule) {
  std::string t78(77, 'a');                                        // 1 blank + 77 = 78 characters
  EXPECT_EQ(list_output({{T(t78), I(-5)}}), " " + t78 + " -5\n");  // 81 characters
  std::string t79(79, 'b');
  EXPECT_EQ(list_output({{T(t79), T("B")}}), " " + t79 + "\n B\n");
  std::string t66(66, 'c');
  EXPECT_EQ(list_output({{T(t66), D(-0.176470588235294)}}), " " + t66 + "\n -0.176470588\n");
  std::string t65(65, 'd');
  EXPECT_EQ(list_output({{T(t65), D(-0.176470588235294)}}), " " + t65 + " -0.176470588\n");
  std::string t100(100, 'e');
  EXPECT_EQ(list_output({{T(t100)}}), " " + t100 + "\n");
  // An integer breaks when its digits would reach column 80.
  std::string t76(76, 'f');  // position 77; 77 + 3 digits = 80
  EXPECT_EQ(list_output({{T(t76), I(123)}}), " " + t76 + "\n 123\n");
  EXPECT_EQ(list_output({{T(t76), I(12)}}), " " + t76 + " 12\n");
}

// The bytes that one list-directed write statement on unit 10 leaves in a
// fresh file; `items` makes its item calls.
template <typename Items>
std::string statement_output(Items items) {
  return written_file([&] {
    rt::DataControl c;
    c.unit = 10;
    rt::s_wsle(&c);
    items();
    rt::e_wsle();
  });
}

TEST(ListWrite, CountAboveOneWritesEachElement) {
  const std::string out = statement_output([] {
    double v[3] = {1.0, -2.5, 0.0};
    rt::Integer type = rt::kDouble, count = 3;
    rt::do_lio(&type, &count, v, 8);
    char text[] = "abcdef";
    rt::Integer chars = rt::kChar, two = 2;
    rt::do_lio(&chars, &two, text, 3);
  });
  EXPECT_EQ(out, "  1. -2.5  0.abcdef\n");
}

TEST(ListWrite, OtherKnownTypes) {
  const std::string out = statement_output([] {
    std::int16_t s = -7;
    std::int64_t l = 1234567890123LL;
    float f = 0.5f;
    std::int32_t logical = 1;
    double z[2] = {1.5, -2.0};
    const rt::Integer one = 1;
    rt::Integer t;
    t = rt::kShort, rt::do_lio(&t, &one, &s, 2);
    t = rt::kLong, rt::do_lio(&t, &one, &l, 8);
    t = rt::kReal, rt::do_lio(&t, &one, &f, 4);
    t = rt::kLogical, rt::do_lio(&t, &one, &logical, 4);
    t = rt::kDoubleComplex, rt::do_lio(&t, &one, z, 16);
  });
  EXPECT_EQ(out, " -7 1234567890123  0.5 T ( 1.5,-2.)\n");
}

// A complex value counts both of its parts toward the line width: it
// breaks the record when its ten characters would reach column 80.
TEST(ListWrite, ComplexValuesKeepTheLineWidth) {
  for (std::size_t width : {68u, 69u}) {
    const std::string text(width, 'z');
    const std::string out = statement_output([&] {
      double z[2] = {1.5, -2.0};
      const rt::Integer one = 1;
      rt::Integer t = rt::kChar;
      rt::do_lio(&t, &one, const_cast<char*>(text.data()), static_cast<rt::Length>(width));
      t = rt::kDoubleComplex, rt::do_lio(&t, &one, z, 16);
    });
    EXPECT_EQ(out, " " + text + (width == 68 ? "" : "\n") + " ( 1.5,-2.)\n") << width;
  }
}

TEST(ListWriteDeathTest, UnknownTypeCode) {
  TempDir dir;
  rt::Integer unknown = 0;
  EXPECT_FATAL_REPORT(([&] {
                        open_file(10, dir.file("o"));
                        rt::ListWrite(10).item(10, &unknown, 4).end();
                      }()),
                      "unknown type in lio: illegal error number 204",
                      "apparent state: unit 10 named .*/o\nlast format: list io\n"
                      "lately writing direct formatted external");
}

TEST(ListWriteDeathTest, UnitOutsideTheTable) {
  EXPECT_FATAL_REPORT(write_list(100, {I(1)}), "stler: illegal unit number");
  EXPECT_FATAL_REPORT(write_list(-1, {I(1)}), "stler: illegal unit number");
}

TEST(ListWrite, ErrorBranchReturnsTheNumber) {
  rt::DataControl c;
  c.unit = 100;
  c.err = 1;
  EXPECT_EQ(rt::s_wsle(&c), 101);
  EXPECT_EQ(errno, 101);
  // The rest of the failed statement does nothing.
  rt::Integer type = rt::kInt, count = 1, v = 5;
  EXPECT_EQ(rt::do_lio(&type, &count, &v, 4), 0);
  EXPECT_EQ(rt::e_wsle(), 0);
  EXPECT_EQ(rt::e_rsle(), 0);
  const rt::Integer one = 1;
  EXPECT_EQ(rt::do_fio(&one, &v, 4), 0);
  EXPECT_EQ(rt::e_wsfe(), 0);
  // The next statement starts normally.
  EXPECT_EQ(list_output({{I(3)}}), " 3\n");
}

}  // namespace
