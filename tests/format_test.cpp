#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/records/format_list.h"
#include "tests/io_helpers.h"

namespace {

using namespace testing_support;

constexpr const char* k901 = "(1X,'Check: amat*x = b? ',I3,F15.11,' =?=',F15.11)";

void write_901(int unit, rt::Integer i, double z, double b) {
  rt::FormattedWrite(unit, k901).integer(i).real(z).real(b).end();
}

// The bytes that one formatted write statement on unit 10 leaves in a
// fresh file; `items` makes its item calls.
template <typename Items>
std::string formatted_output(const char* format, Items items) {
  return written_file([&] {
    rt::DataControl c;
    c.unit = 10;
    c.format = format;
    rt::s_wsfe(&c);
    items();
    rt::e_wsfe();
  });
}

// The same with one item call for each of `items`.
std::string formatted_output(const char* format, const std::vector<Item>& items) {
  return written_file([&] {
    rt::FormattedWrite statement(10, format);
    put_items(statement, items).end();
  });
}

TEST(FormattedWrite, Format901Records) {
  EXPECT_EQ(written_file([] {
              write_901(10, 1, 2.0, 2.0);
              write_901(10, 2, -3.0, -3.0);
              write_901(10, 1000, -999.5, -0.0);
            }),
            " Check: amat*x = b?   1  2.00000000000 =?=  2.00000000000\n"
            " Check: amat*x = b?   2 -3.00000000000 =?= -3.00000000000\n"
            " Check: amat*x = b? ****************** =?=  0.00000000000\n");
}

// Formats as the parser takes them, with what their items write.
struct FormatCase {
  const char* format;
  std::vector<Item> items;
  std::string want;
};

TEST(FormattedWrite, ParserForms) {
  const FormatCase cases[] = {
      {"('it''s',I2)", {I(7)}, "it's 7\n"},
      {"(\"say \"\"x\"\"\",I2)", {I(7)}, "say \"x\" 7\n"},
      {"( 2X , i 3 )", {I(7)}, "    7\n"},
      {"(I3.2)", {I(7)}, " 07\n"},
      {"(A,I2)", {T("ab"), I(7)}, "ab 7\n"},
      {"(A3,A1)", {T("ab"), T("xyz")}, " abx\n"},
      {"(2(1X,'<'),I1)", {I(7)}, " < <7\n"},
      {"(I1,'|')", {I(7)}, "7|\n"},
      {"('a'/'b',I1)", {I(7)}, "a\nb7\n"},
      {"(F5.1)", {D(7.0)}, "  7.0\n"},
      {"(I2,F6.2,I2)", {I(-1), D(-0.125), I(3)}, "-1 -0.12 3\n"},  // a tie: to even
  };
  for (const FormatCase& c : cases)
    EXPECT_EQ(formatted_output(c.format, c.items), c.want) << c.format;
}

TEST(FormattedWrite, ItemsBeyondTheListStartANewRecord) {
  const std::string out = formatted_output("('x',I2)", [] {
    rt::Integer v[3] = {1, 2, 3};
    const rt::Integer three = 3;
    rt::do_fio(&three, v, 4);
  });
  EXPECT_EQ(out, "x 1\nx 2\nx 3\n");
}

TEST(FormattedWrite, ReversionSkipsGroupsWithoutData) {
  const std::string out = formatted_output("('<',A1,('-'),2('+'))", [] {
    char text[3] = {'x', 'y', 'z'};
    const rt::Integer three = 3;
    rt::do_fio(&three, text, 1);
  });
  // Items beyond the list start it over from its beginning, since neither
  // top-level group takes data.
  EXPECT_EQ(out, "<x-++\n<y-++\n<z-++\n");
}

TEST(FormatParser, RejectsWhatItCannotParse) {
  for (const char* bad :
       {"", "1X", "(1X", "(I)", "(I0)", "(F5)", "(F5.)", "(Q)", "('abc)", "(0X)", "(3'a')",
        "(I3.4)", "(A0)", "(1000I3)", "(999(999('x')))", "(((((((((((((((((I1)))))))))))))))))",
        "(I1,1000(999/,'x'))", "(270(941/270(941/X)/X),I4)", "(401(250('x')))"}) {
    rt::FormatList list;
    EXPECT_FALSE(rt::parse_format(bad, list)) << bad;
    std::free(list.items);
  }
  // Counts up to 999 are taken: a repeat, a width, digits.
  // Nested groups may repeat their items 100000 times, and no more.
  for (const char* good :
       {k901, "(a)", "(999I3)", "(A999)", "(F999.998)", "(I999.999)", "(400(250('x')))"}) {
    rt::FormatList list;
    EXPECT_TRUE(rt::parse_format(good, list)) << good;
    std::free(list.items);
  }
}

TEST(FormatParser, RecordedLengthOfAFaultyList) {
  EXPECT_EQ(rt::faulty_format_length("(I3,Q)"), 6u);
  EXPECT_EQ(rt::faulty_format_length("(Q) trailing"), 3u);
  EXPECT_EQ(rt::faulty_format_length("((Q),I2) x"), 8u);
  EXPECT_EQ(rt::faulty_format_length("('a)b',Q) x"), 9u);
  EXPECT_EQ(rt::faulty_format_length("(Q"), 2u);
  std::string long_list = "(" + std::string(79, 'Q') + ")";  // the parenthesis after 80
  EXPECT_EQ(rt::faulty_format_length(long_list.c_str()), 81u);
  std::string longer = "(" + std::string(100, 'Q');
  EXPECT_EQ(rt::faulty_format_length(longer.c_str()), 80u);
}

TEST(FormattedWriteDeathTest, FaultyListReportsError100) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        open_file(10, dir.file("o"));
                        rt::FormattedWrite(10, "(1X,Q3) and more").end();
                      }()),
                      "startio: error in format",
                      "apparent state: unit 10 named .*/o\nlast format: \\(1X,Q3\\)\n"
                      "lately writing sequential formatted external");
  EXPECT_FATAL_REPORT(([&] { rt::FormattedWrite(120, "(I3)"); }()), "startio: illegal unit number");
}

TEST(FormattedWriteDeathTest, ItemLengthThatTheDescriptorCannotTake) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        open_file(10, dir.file("o"));
                        char text[5] = {'a', 'b', 'c', 'd', 'e'};
                        rt::FormattedWrite(10, "(I3)").item(text, sizeof text);
                      }()),
                      "fmt: bad variable type");
}

// Fields as wide as the field storage's sizes and one more, which grows
// by doubling from 256 characters (the sanitizer build sees a field that
// outgrows its storage).
TEST(FormattedRead, WideAlphaFields) {
  for (std::size_t width : {255u, 256u, 257u, 512u, 513u}) {
    TempDir dir;
    std::string record(width, 'w');
    record.back() = 'E';
    open_with(dir, 10, record + "\n");
    EXPECT_EQ(read_a(10, width), record) << width;
    close_unit(10);
  }
}

TEST(FormattedRead, AlphaPadsAndSkips) {
  TempDir dir;
  std::string seventy(70, 'z');
  seventy[59] = 'L';
  open_with(dir, 10, " =>X\n\n" + seventy + "\nafter\n");
  EXPECT_EQ(read_a(10), " =>X" + std::string(56, ' '));
  EXPECT_EQ(read_a(10), std::string(60, ' '));
  EXPECT_EQ(read_a(10), seventy.substr(0, 60));
  EXPECT_EQ(read_a(10), "after" + std::string(55, ' '));
  close_unit(10);
}

TEST(FormattedRead, AlphaWidthsAndNumbers) {
  TempDir dir;
  open_with(dir, 10, "abcdef 12  3.5  250\n");
  char text[4];
  rt::Integer i = 0;
  double x = 0, y = 0;
  rt::FormattedRead(10, "(A6,I3,F6.1,F5.2)")
      .item(text, sizeof text)
      .integer(i)
      .real(x)
      .real(y)
      .end();
  close_unit(10);
  EXPECT_EQ(std::string(text, 4), "cdef");
  EXPECT_EQ(i, 12);
  EXPECT_EQ(x, 3.5);
  EXPECT_EQ(y, 2.5);  // no point: two digits from the right
}

// On input a literal passes over as many characters as it writes.
TEST(FormattedRead, LiteralPassesOverWhatItWrites) {
  TempDir dir;
  open_with(dir, 10, "it's12\n");
  rt::Integer i = 0;
  rt::FormattedRead(10, "('it''s',I2)").integer(i).end();
  close_unit(10);
  EXPECT_EQ(i, 12);
}

TEST(FormattedReadDeathTest, EndOfFileInsideTheRecord) {
  for (const char* content : {"", "no newline"}) {
    TempDir dir;
    EXPECT_FATAL_REPORT(([&] {
                          open_with(dir, 10, content);
                          read_a(10);
                        }()),
                        "fmt: end of file",
                        "apparent state: unit 10 named .*\nlast format: \\(A\\)\n"
                        "lately reading sequential formatted external")
        << content;
  }
}

}  // namespace

namespace {

using namespace testing_support;

template <typename T>
long long load_as(const char* at) {
  T v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// One integer item of `size` bytes read from `field` with format `format`;
// the error number of the statement (it has an error branch) or 0.
int read_integer(const std::string& format, const std::string& field, std::size_t size,
                 long long& value) {
  TempDir dir;
  open_with(dir, 10, field + "\n");
  char element[8] = {};
  int status = rt::FormattedRead(10, format.c_str(), {.err = true})
                   .item(element, static_cast<rt::Length>(size))
                   .end();
  close_unit(10);
  value = size == 1   ? static_cast<std::int8_t>(element[0])
          : size == 2 ? load_as<std::int16_t>(element)
          : size == 4 ? load_as<std::int32_t>(element)
                      : load_as<std::int64_t>(element);
  return status;
}

// Formatted integer input keeps the list reader's rule: a value beyond the
// item's range is error 112, never a wrapped or truncated value.
TEST(FormattedRead, IntegerRangeOfEachItemLength) {
  struct Case {
    const char* format;
    const char* field;
    std::size_t size;
    int status;
    long long want;
  } cases[] = {
      {"(I4)", " 127", 1, 0, 127},
      {"(I4)", "-128", 1, 0, -128},
      {"(I4)", " 128", 1, 112, 0},
      {"(I6)", "-32769", 2, 112, 0},
      {"(I11)", " 2147483647", 4, 0, 2147483647},
      {"(I11)", "-2147483648", 4, 0, -2147483648LL},
      {"(I11)", " 2147483648", 4, 112, 0},
      {"(I20)", "-9223372036854775808", 8, 0, INT64_MIN},
      {"(I20)", " 9223372036854775807", 8, 0, INT64_MAX},
      {"(I20)", " 9223372036854775808", 8, 112, 0},
      {"(I20)", "-9223372036854775809", 8, 112, 0},
      {"(I20)", "-9223372036854775812", 8, 112, 0},
      {"(I20)", " 9223372036854775812", 8, 112, 0},
      {"(I30)", "123456789012345678901234567890", 8, 112, 0},
      {"(I30)", "000000000000000000000000000042", 4, 0, 42},
      {"(I30)", "-99999999999999999999999999999", 4, 112, 0},
      {"(I6)", "1-2345", 4, 115, 0},
  };
  for (const Case& c : cases) {
    long long got = 0;
    EXPECT_EQ(read_integer(c.format, c.field, c.size, got), c.status) << c.field;
    if (c.status == 0) {
      EXPECT_EQ(got, c.want) << c.field;
    }
  }
}

// Real fields take the list reader's number grammar, blanks ignored: a
// sign after the digits opens the exponent, and without a point the last
// d digits are the fraction, an exponent included.
TEST(FormattedRead, RealFields) {
  struct Case {
    const char* format;
    const char* field;
    double want;
  } cases[] = {
      {"(F8.0)", "1.5-3", 0x1.89374bc6a7efap-10},
      {"(F8.0)", "1.5D+2", 150.0},
      {"(F5.2)", "  250", 2.5},
      {"(F6.1)", " 1 2 5", 12.5},
      {"(F5.2)", "1e3", 10.0},
      {"(F5.2)", "-7-1", -0.007},
      {"(F4.0)", "    ", 0.0},
      {"(F4.0)", "  - ", -0.0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    open_with(dir, 10, std::string(c.field) + "\n");
    double x = 99;
    EXPECT_EQ(rt::FormattedRead(10, c.format, {.err = true}).real(x).end(), 0) << c.field;
    close_unit(10);
    EXPECT_EQ(std::memcmp(&x, &c.want, sizeof x), 0) << c.field << ": " << x;
  }
}

// A real field with a second point or a second exponent has no value.
TEST(FormattedRead, RealFieldsOfMoreThanOneNumber) {
  for (const char* field : {"1.5.5", "5e3e3", "1e3.5", "2d1D1"}) {
    TempDir dir;
    open_with(dir, 10, std::string(field) + "\n");
    double x = 0;
    int status = rt::FormattedRead(10, "(F5.0)", {.err = true}).real(x).end();
    close_unit(10);
    EXPECT_EQ(status, 115) << field;
  }
}

TEST(FormattedReadDeathTest, IntegerOverflowIsReported) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        open_with(dir, 10, "123456789012345678901234567890\n");
                        rt::Integer i = 0;
                        rt::FormattedRead(10, "(I30)").integer(i);
                      }()),
                      "integer overflow: incomprehensible list input");
}

}  // namespace
