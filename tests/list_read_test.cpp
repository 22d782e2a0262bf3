#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/io_helpers.h"

namespace {

using namespace testing_support;

// A list-directed read statement of integers (i) and doubles (d) given
// by a pattern such as "iid".
struct Values {
  std::int32_t i[4] = {-99, -99, -99, -99};
  double d[4] = {-99, -99, -99, -99};
};

void read_list(int unit, const std::string& pattern, Values& v) {
  rt::ListRead statement(unit);
  int ni = 0, nd = 0;
  for (char p : pattern) {
    if (p == 'i') {
      statement.integer(v.i[ni++]);
    } else {
      statement.real(v.d[nd++]);
    }
  }
  statement.end();
}

struct ReadCase {
  std::string input;
  std::string pattern;
  std::vector<std::int32_t> ints;
  std::vector<double> reals;
  std::string rest;  // the next record after the statement, or "<eof>"
};

TEST(ListRead, ValuesSeparatorsAndRecords) {
  const ReadCase cases[] = {
      {" 2 1  3.\nnext\n", "iid", {2, 1}, {3.0}, "next"},
      {"1,2,3.5\n", "iid", {1, 2}, {3.5}, "<eof>"},
      {" 1 2\n 7.5 8 9\nnext\n", "iid", {1, 2}, {7.5}, "next"},
      {"\t4\t,\t5\n", "ii", {4, 5}, {}, "<eof>"},
      {"1,,3\n", "iii", {1, -99, 3}, {}, "<eof>"},
      {",\n", "i", {-99}, {}, "<eof>"},
      {"1 / 2\nnext\n", "ii", {1, -99}, {}, "next"},
      {"3*7\n", "iii", {7, 7, 7}, {}, "<eof>"},
      {"2*1.5 4\n", "ddi", {4}, {1.5, 1.5}, "<eof>"},
      {"2* 9\n", "iii", {-99, -99, 9}, {}, "<eof>"},
      {"+5 -0\n", "ii", {5, 0}, {}, "<eof>"},
      {"1 2 3 4\nnext\n", "i", {1}, {}, "next"},
      // A sign right after the digits opens an exponent, for integers too:
      // the value truncated toward zero.
      {"12+1 5-1 -25-1\n", "iii", {120, 0, -2}, {}, "<eof>"},
      {"2*3+2 4\n", "idi", {300, 4}, {300.0}, "<eof>"},
      // A repeated value read as an integer first still gives its real
      // value, sign of zero included.
      {"2*-0\n", "id", {0}, {-0.0}, "<eof>"},
  };
  // Each case also with its records ended by CR LF, as on Windows.
  for (bool crlf : {false, true}) {
    for (const ReadCase& c : cases) {
      TempDir dir;
      std::string input = c.input;
      for (size_t at = 0; crlf && (at = input.find('\n', at)) != std::string::npos; at += 2)
        input.insert(at, "\r");
      open_with(dir, 10, input);
      Values v;
      read_list(10, c.pattern, v);
      for (size_t k = 0; k < c.ints.size(); ++k) EXPECT_EQ(v.i[k], c.ints[k]) << input;
      for (size_t k = 0; k < c.reals.size(); ++k) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(v.d[k]), std::bit_cast<std::uint64_t>(c.reals[k]))
            << input;
      }
      EXPECT_EQ(next_record(10), c.rest) << input;
      close_unit(10);
    }
  }
}

// A CR before the line end reads as the line end, for "(A)" too, also when
// the CR is the last byte of a full buffer and its LF the first of the
// next; a CR anywhere else is a character of the record.
TEST(ListRead, CarriageReturnBeforeTheLineEnd) {
  TempDir dir;
  // The filler's CR is the buffer's last byte (16383), its LF the next's first.
  const std::string filler(16384 - 13 - 1, 'x');
  open_with(dir, 10, " =>A\r\n1 2.5\r\n" + filler + "\r\n 7 8\r\nb\rc\r\n");
  EXPECT_EQ(read_a(10, 6), " =>A  ");
  Values v;
  read_list(10, "id", v);
  EXPECT_EQ(v.i[0], 1);
  EXPECT_EQ(v.d[0], 2.5);
  EXPECT_EQ(read_a(10, filler.size() + 1), filler + " ");
  read_list(10, "ii", v);
  EXPECT_EQ(v.i[0], 7);
  EXPECT_EQ(v.i[1], 8);
  EXPECT_EQ(read_a(10, 4), "b\rc ");
  close_unit(10);
}

// The first `count` values of `text`, read by one statement into an array
// of doubles.
std::vector<double> read_doubles(const std::string& text, rt::Integer count) {
  TempDir dir;
  open_with(dir, 10, text);
  rt::DataControl c;
  c.unit = 10;
  rt::s_rsle(&c);
  std::vector<double> d(static_cast<std::size_t>(count));
  const rt::Integer type = rt::kDouble;
  rt::do_lio(&type, &count, d.data(), 8);
  rt::e_rsle();
  close_unit(10);
  return d;
}

// An 8-byte integer reaches both ends of its range, also written with an
// exponent ("-9223372036854775808+0" is -2^63 itself).
TEST(ListRead, LongIntegersToTheEndsOfTheirRange) {
  struct Case {
    const char* text;
    long long want;
  } cases[] = {
      {"-9223372036854775808\n", INT64_MIN},
      {"-9223372036854775808+0\n", INT64_MIN},
      {"9223372036854775807\n", INT64_MAX},
  };
  for (const Case& c : cases) {
    TempDir dir;
    open_with(dir, 10, c.text);
    rt::DataControl control;
    control.unit = 10;
    rt::s_rsle(&control);
    long long got = 0;
    const rt::Integer type = rt::kLong, one = 1;
    rt::do_lio(&type, &one, &got, 8);
    rt::e_rsle();
    close_unit(10);
    EXPECT_EQ(got, c.want) << c.text;
  }
}

TEST(ListRead, NumberFormsAreExact) {
  const std::vector<double> d =
      read_doubles("1.5-3 2.25D0 .5 5. 1e2 -2E+1 2.5d-1 1.7976931348623157e308 4.9e-324\n", 9);
  const double want[9] = {
      0x1.89374bc6a7efap-10,  2.25, 0.5, 5.0, 100.0, -20.0, 0.25, 0x1.fffffffffffffp+1023,
      0x0.0000000000001p-1022};
  EXPECT_EQ(std::memcmp(d.data(), want, sizeof want), 0);
}

// v as an integer of type T holds it, in the processor's byte order.
template <typename T>
void store_as(long long v, unsigned char* out) {
  const T narrow = static_cast<T>(v);
  std::memcpy(out, &narrow, sizeof narrow);
}

// Many records of every item type the reader converts, in the layouts a
// file may have, long enough that values meet the buffer's end at every
// offset; each value compared bit for bit with the C library's reading.
TEST(ListRead, ValuesOfEveryTypeAcrossBufferEnds) {
  struct Kind {
    rt::Integer type;
    std::size_t size;
    bool real;
    int digits;                                // at most, for integers: the type's range
    void (*store)(long long, unsigned char*);  // an integer as the item holds it
  };
  const Kind kinds[] = {{rt::kByte, 1, false, 2, store_as<std::int8_t>},
                        {rt::kShort, 2, false, 4, store_as<std::int16_t>},
                        {rt::kInt, 4, false, 10, store_as<std::int32_t>},
                        {rt::kLong, 8, false, 18, store_as<std::int64_t>},
                        {rt::kReal, 4, true, 17, nullptr},
                        {rt::kDouble, 8, true, 17, nullptr}};
  std::mt19937 rng(6);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto digits = [&](int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += static_cast<char>('0' + pick(10));
    return s;
  };
  const char* const blanks[] = {" ", "  ", "\t", " , ", ",", " \t "};
  struct Expected {
    const Kind* kind;
    unsigned char bytes[8];
  };
  std::string text;
  std::vector<std::vector<Expected>> records;
  for (int r = 0; r < 20000; ++r) {
    std::vector<Expected> items(1 + static_cast<std::size_t>(pick(5)));
    text += std::string(static_cast<std::size_t>(pick(3)), ' ');
    for (std::size_t k = 0; k < items.size(); ++k) {
      const Kind& kind = kinds[pick(6)];
      std::string value = pick(4) == 0 ? "-" : pick(8) == 0 ? "+" : "";
      if (kind.real) {
        std::string whole = digits(pick(9)), fraction = digits(pick(10));
        if (whole.empty() && fraction.empty()) whole = "7";
        value += whole + (pick(6) == 0 && !whole.empty() ? "" : "." + fraction);
        if (pick(8) == 0) value += std::string(pick(2) ? "e" : "D") + std::to_string(pick(40) - 20);
        std::string c_text = value;
        for (char& ch : c_text) ch = ch == 'D' ? 'e' : ch;
        double d = std::strtod(c_text.c_str(), nullptr);
        float f = static_cast<float>(d);
        std::memcpy(items[k].bytes, kind.size == 8 ? static_cast<void*>(&d) : &f, kind.size);
      } else {
        value += digits(1 + pick(kind.digits));
        long long v = std::strtoll(value.c_str(), nullptr, 10);
        long long limit = 1LL << (kind.size * 8 - 1);
        if (kind.size < 8 && (v < -limit || v >= limit)) value = value[0] == '-' ? "-1" : "1";
        v = std::strtoll(value.c_str(), nullptr, 10);
        kind.store(v, items[k].bytes);
      }
      items[k].kind = &kind;
      text += value + (k + 1 < items.size() ? blanks[pick(6)] : "");
    }
    text += std::string(static_cast<std::size_t>(pick(3)), ' ') + "\n";
    records.push_back(std::move(items));
  }
  TempDir dir;
  open_with(dir, 10, text);
  int mismatches = 0;
  for (std::size_t r = 0; r < records.size(); ++r) {
    rt::ListRead statement(10);
    unsigned char got[5][8];
    for (std::size_t k = 0; k < records[r].size(); ++k) {
      statement.item(records[r][k].kind->type, got[k], 8);
    }
    ASSERT_EQ(statement.end(), 0);
    for (std::size_t k = 0; k < records[r].size(); ++k) {
      if (std::memcmp(got[k], records[r][k].bytes, records[r][k].kind->size) != 0 &&
          ++mismatches <= 5) {
        ADD_FAILURE() << "record " << r << " item " << k;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  close_unit(10);
}

// A value's separator may begin at the end of the buffer and end in the
// next read-ahead: "1 " there, ",2" after it. Whatever the buffer's size,
// one of these offsets puts the boundary between the blank and the comma.
TEST(ListRead, SeparatorAcrossTheBufferEnd) {
  for (std::size_t size = 1 << 12; size <= 1 << 16; size *= 2) {
    for (std::size_t pad = size - 8; pad < size + 4; ++pad) {
      TempDir dir;
      open_with(dir, 10, std::string(pad, ' ') + "1 ,2\n");
      Values v;
      read_list(10, "ii", v);
      close_unit(10);
      ASSERT_EQ(v.i[0], 1) << pad;
      ASSERT_EQ(v.i[1], 2) << pad;
    }
  }
}

TEST(ListRead, HugeExponentsAndOverlongRecords) {
  // Beyond the range of doubles a value is an infinity or a zero, as the
  // C library converts it; a number of a million digits is read whole.
  const std::vector<double> d =
      read_doubles("1e99999 -1D99999 1e-99999 " + std::string(1 << 20, '9') + "\n" +
                       std::string(1 << 20, ' ') + "5\n",
                   5);
  EXPECT_EQ(d[0], HUGE_VAL);
  EXPECT_EQ(d[1], -HUGE_VAL);
  EXPECT_EQ(d[2], 0.0);
  EXPECT_EQ(d[3], HUGE_VAL);  // 10^(2^20) - 1
  EXPECT_EQ(d[4], 5.0);       // after a million blanks
}

TEST(ListRead, EndOfFileWhileSkippingSetsTheFlag) {
  TempDir dir;
  open_with(dir, 10, "5 6");  // no final newline
  Values v;
  read_list(10, "i", v);
  EXPECT_EQ(v.i[0], 5);
  rt::DataControl c;
  c.unit = 10;
  c.end = 1;
  EXPECT_EQ(rt::s_rsle(&c), -1);  // the flag: "read start"
  close_unit(10);
}

struct ErrorCase {
  std::string input;
  std::string pattern;
  std::string first_line;
};

// Every reader error ends the run with its number's text and context.
TEST(ListReadDeathTest, Errors) {
  const ErrorCase cases[] = {
      {"", "i", "list in: end of file"},
      {"   \n\n", "d", "list in: end of file"},
      {"2.\n", "i", "invalid integer: read unexpected character"},
      {"1e5\n", "i", "invalid integer: read unexpected character"},
      {"abc\n", "d", "invalid number: incomprehensible list input"},
      {"12abc\n", "i", "invalid number: incomprehensible list input"},
      // A CR is a character of the record, but for one before its line end.
      {"1.\r0\n", "d", "invalid number: incomprehensible list input"},
      {std::string("1\0002\n", 4), "i", "invalid number: incomprehensible list input"},
      {".\n", "d", "invalid number: incomprehensible list input"},
      {"-\n", "d", "invalid number: incomprehensible list input"},
      {"1e\n", "d", "exponent field: incomprehensible list input"},
      {"1.5+\n", "d", "exponent field: incomprehensible list input"},
      {"*5\n", "i", "bad repetition count: incomprehensible list input"},
      {"0*5\n", "i", "bad repetition count: incomprehensible list input"},
      {"-2*5\n", "i", "bad repetition count: incomprehensible list input"},
      {"99999999999\n", "i", "integer overflow: incomprehensible list input"},
      {"1e99999\n", "i", "invalid integer: read unexpected character"},
      {"1.5+1\n", "i", "invalid integer: read unexpected character"},
      {"3+9\n", "i", "integer overflow: incomprehensible list input"},
      {"1+99999\n", "i", "integer overflow: incomprehensible list input"},
      {std::string(1 << 20, '7') + "\n", "i", "integer overflow: incomprehensible list input"},
      {std::string(1 << 20, '7') + "x\n", "d", "invalid number: incomprehensible list input"},
  };
  for (const ErrorCase& c : cases) {
    TempDir dir;
    EXPECT_FATAL_REPORT(([&] {
                          open_with(dir, 10, c.input);
                          Values v;
                          read_list(10, c.pattern, v);
                        }()),
                        c.first_line,
                        "apparent state: unit 10 named .*in\\.txt\nlast format: list io\n"
                        "lately reading .* formatted external")
        << c.input;
  }
  // Unit 0 is a unit like the others in the report.
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        open_with(dir, 0, "1.5+1\n");
                        Values v;
                        read_list(0, "i", v);
                      }()),
                      "invalid integer: read unexpected character",
                      "apparent state: unit 0 named .*in\\.txt\nlast format: list io\n"
                      "lately reading .* formatted external");
}

TEST(ListReadDeathTest, ReadStartAfterEndOfFile) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        open_with(dir, 10, "7");
                        Values v;
                        read_list(10, "i", v);
                        read_list(10, "i", v);
                      }()),
                      "read start: end of file");
}

// Ends this process after `seconds`: a reader that goes round in circles
// fails its death test instead of holding it up.
void end_after(unsigned seconds) {
#ifndef _WIN32
  alarm(seconds);
#else
  (void)seconds;
#endif
}

// A last record with no line end is cut short by the end of the file, also
// when its last byte is a CR (a CR before no LF is the record's own).
TEST(ListReadDeathTest, LastRecordWithoutItsLineEnd) {
  for (const char* last : {"d", "d\r"}) {
    TempDir dir;
    EXPECT_FATAL_REPORT(([&] {
                          end_after(20);
                          open_with(dir, 10, std::string("x\n") + last);
                          read_a(10, 1);
                          read_a(10, 3);
                        }()),
                        "fmt: end of file",
                        "apparent state: unit 10 named .*in\\.txt\nlast format: \\(A\\)\n"
                        "lately reading sequential formatted external")
        << last;
  }
}

// The fatal report's four lines after formatted reads, as the program
// would meet them at the end of its exchange file.
TEST(ListReadDeathTest, EndOfFileAfterFormattedReads) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        if (chdir(dir.path().c_str()) != 0) std::abort();
                        write_file("Meld-System666.txt", " =>X\n heading\n 1 1\n");
                        open_file(25, "Meld-System666.txt");
                        next_record(25);
                        next_record(25);
                        Values v;
                        read_list(25, "iid", v);
                      }()),
                      "list in: end of file",
                      "apparent state: unit 25 named Meld-System666\\.txt\nlast format: list io\n"
                      "lately reading sequential formatted external");
}

}  // namespace
