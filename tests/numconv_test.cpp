#include "runtime/records/numconv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "runtime/records/uint128.h"

namespace {

using namespace rt::num;

std::string list_text(double x) {
  char buf[kListDoubleRoom];
  return {buf, list_double(x, buf)};
}

std::string fixed_text(double x, int w, int d) {
  std::string s(static_cast<size_t>(w), '?');
  edit_fixed(x, w, d, s.data());
  return s;
}

std::string integer_text(long long v, int w, int m = 1) {
  std::string s(static_cast<size_t>(w), '?');
  edit_integer(v, w, m, s.data());
  return s;
}

struct ListCase {
  double value;
  std::string_view want;
};

TEST(ListDouble, WorkedExamples) {
  const ListCase cases[] = {
      {2.0, "  2."},
      {-3.0, " -3."},
      {0.5, "  0.5"},
      {4.5, "  4.5"},
      {0.0, "  0."},
      {-0.0, "  0."},
      {1e-8, "  1.E-08"},
      {0.0769230769230769, "  0.0769230769"},
      {-0.176470588235294, " -0.176470588"},
      {123456789.0, "  123456789."},
      {1234567890.0, "  1.23456789E+09"},
      {-5.551115123125783e-17, " -5.55111512E-17"},
      {0.0001, "  0.0001"},
      {0.00001234, "  1.234E-05"},
      {1.1102230246251565e-16, "  1.11022302E-16"},
      {1e100, "  1.E+100"},
      {std::numeric_limits<double>::infinity(), "  INF"},
      {-std::numeric_limits<double>::infinity(), " -INF"},
      {std::numeric_limits<double>::quiet_NaN(), "  NAN"},
      {-std::numeric_limits<double>::quiet_NaN(), "  NAN"},
  };
  for (const ListCase& c : cases) EXPECT_EQ(list_text(c.value), c.want) << c.value;
}

struct FixedCase {
  double value;
  std::string_view want;
};

TEST(EditFixed, F15_11) {
  const FixedCase cases[] = {
      {2.0, "  2.00000000000"},
      {-3.0, " -3.00000000000"},
      {0.5, "  0.50000000000"},
      {-0.5, " -0.50000000000"},
      {0.0, "  0.00000000000"},
      {-0.0, "  0.00000000000"},
      {-1e-13, "  0.00000000000"},
      {0.235294117647059, "  0.23529411765"},
      {-0.176470588235294, " -0.17647058824"},
      {12.5, " 12.50000000000"},
      {-12.5, "-12.50000000000"},
      {999.5, "999.50000000000"},
      {-999.5, "***************"},
      {1000.0, "***************"},
  };
  for (const FixedCase& c : cases) EXPECT_EQ(fixed_text(c.value, 15, 11), c.want) << c.value;
}

TEST(EditFixed, NarrowFieldsAndSpecialValues) {
  struct Case {
    double value;
    int w, d;
    std::string_view want;
  };
  const Case cases[] = {
      {0.5, 4, 3, ".500"},  // one too long, leading zero dropped
      {-0.5, 5, 3, "-.500"},
      {1.5, 4, 3, "****"},
      {2.0, 3, 0, " 2."},
      {std::numeric_limits<double>::infinity(), 6, 2, "   inf"},
      {-std::numeric_limits<double>::infinity(), 6, 2, "  -inf"},
      {std::nan(""), 5, 1, "  nan"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fixed_text(c.value, c.w, c.d), c.want) << c.value << " F" << c.w << "." << c.d;
  }
}

TEST(EditInteger, I3AndMinimumDigits) {
  struct Case {
    long long value;
    int w, m;
    std::string_view want;
  };
  const Case cases[] = {
      {1, 3, 1, "  1"},
      {-1, 3, 1, " -1"},
      {12, 3, 1, " 12"},
      {-12, 3, 1, "-12"},
      {999, 3, 1, "999"},
      {1000, 3, 1, "***"},
      {-100, 3, 1, "***"},
      {0, 3, 1, "  0"},
      {7, 5, 3, "  007"},
      {0, 3, 0, "   "},
      {std::numeric_limits<long long>::min(), 20, 1, "-9223372036854775808"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(integer_text(c.value, c.w, c.m), c.want) << c.value << " I" << c.w << "." << c.m;
  }
}

// The conversions must agree with the C library's on every kind of value.
// MELD_CONVERSION_VALUES sets how many random values are tried.
class Differential : public ::testing::Test {
 protected:
  static long long count() {
    const char* s = std::getenv("MELD_CONVERSION_VALUES");
    return s ? std::atoll(s) : 1000000;
  }

  static void check(double x) {
    // List-directed text: "%.9G" of the magnitude, point ensured.
    char want[64];
    std::snprintf(want, sizeof want, "%.9G", std::fabs(x));
    std::string expect = std::string(" ") + (x < 0 ? "-" : " ");
    if (x == 0) {
      expect += "0.";
    } else {
      std::string g = want;
      if (g[0] != 'I' && g[0] != 'N') {
        size_t e = g.find('E');
        size_t stop = e == std::string::npos ? g.size() : e;
        if (g.find('.') == std::string::npos || g.find('.') > stop) g.insert(stop, ".");
      }
      expect += g;
    }
    ASSERT_EQ(list_text(x), expect) << std::hexfloat << x;

    // F editing: "%#.*f" of the magnitude.
    for (int d : {0, 11}) {
      char f[400];
      std::snprintf(f, sizeof f, "%#.*f", d, std::fabs(x));
      char got[400];
      std::string g(f);
      bool zero = g.find_first_not_of("0.") == std::string::npos;
      std::string signed_text = (x < 0 && !zero ? "-" : "") + g;
      int w = static_cast<int>(signed_text.size());
      edit_fixed(x, w, d, got);
      ASSERT_EQ(std::string(got, static_cast<size_t>(w)), signed_text) << std::hexfloat << x;
    }

    // Reading back the text that "%.17g" writes: the same double as strtod.
    if (std::isfinite(x)) {
      char text[64];
      int n = std::snprintf(text, sizeof text, "%.17g", x);
      char copy[64];
      std::memcpy(copy, text, static_cast<size_t>(n) + 1);
      double got = parse_decimal(copy, static_cast<size_t>(n));
      double want_value = std::strtod(text, nullptr);
      ASSERT_EQ(std::memcmp(&got, &want_value, sizeof got), 0) << text;
      // And nine digits, as the layer writes them.
      n = std::snprintf(text, sizeof text, "%.8e", x);
      std::memcpy(copy, text, static_cast<size_t>(n) + 1);
      got = parse_decimal(copy, static_cast<size_t>(n));
      want_value = std::strtod(text, nullptr);
      ASSERT_EQ(std::memcmp(&got, &want_value, sizeof got), 0) << text;
    }
  }
};

TEST_F(Differential, SpecialValues) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double x : {0.0, -0.0, inf, -inf, std::nan(""), std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                   -std::numeric_limits<double>::denorm_min(), 0.5, 1.0, -1.0}) {
    check(x);
  }
}

TEST_F(Differential, PowersOfTenAndTheirNeighbours) {
  for (int e = -323; e <= 308; ++e) {
    double p = std::strtod(("1e" + std::to_string(e)).c_str(), nullptr);
    for (double x : {p, std::nextafter(p, 0.0), std::nextafter(p, HUGE_VAL), -p}) check(x);
  }
}

TEST_F(Differential, HalfwayCasesOfTheNinthAndEleventhDigit) {
  std::mt19937_64 rng(7);
  for (int k = 0; k < 20000; ++k) {
    // d.dddddddd5 x 10^e: a tie at the ninth significant digit, and
    // ddd.ddddddddddd5: a tie at the eleventh decimal.
    long long digits = static_cast<long long>(rng() % 900000000ULL) + 100000000LL;
    int e = static_cast<int>(rng() % 40) - 20;
    std::string nine = std::to_string(digits) + "5e" + std::to_string(e - 9);
    double x = std::strtod(nine.c_str(), nullptr);
    for (double y : {x, std::nextafter(x, 0.0), std::nextafter(x, 1e300)}) check(y);
    std::string eleven = std::to_string(rng() % 1000) + "." + std::to_string(digits) + "00" + "5";
    check(std::strtod(eleven.c_str(), nullptr));
  }
}

TEST_F(Differential, WholeNumbersAndRandomBitPatterns) {
  for (long long v = -100000; v <= 100000; ++v) check(static_cast<double>(v));
  std::mt19937_64 rng(42);
  for (long long k = 0; k < count(); ++k) {
    std::uint64_t bits = rng();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    check(x);
  }
}

TEST_F(Differential, ThePlainRangeOfNineDigits) {
  // Values written without an exponent, 1e-5 to 1e9: log-uniform, short
  // decimals, and the neighbours of nine-digit decimals.
  std::mt19937_64 rng(77);
  std::uniform_real_distribution<double> exponent(-5.5, 9.5);
  for (long long k = 0; k < count() / 4; ++k) {
    double x = std::pow(10.0, exponent(rng));
    check(x);
    check(std::round(x * 1000) / 1000);
    double nine = std::strtod(
        (std::to_string(rng() % 1000000000) + "e-" + std::to_string(rng() % 14)).c_str(), nullptr);
    check(std::nextafter(nine, 0.0));
    check(std::nextafter(nine, HUGE_VAL));
  }
}

TEST(ParseDecimal, OutOfRangeFollowsTheCLibrary) {
  for (const char* text : {"1e999", "-1e999", "1e-999", "-1e-999", "2.4703282292062328e-324",
                           "1e99999999999999999999", "123456789012345678901234567890e-10"}) {
    std::string copy(text);
    copy.reserve(copy.size() + 1);
    double got = parse_decimal(copy.data(), copy.size());
    double want = std::strtod(text, nullptr);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << text;
  }
}

// The text ends at its length: what lies after it is never read, even
// where an exponent letter has no digits after it.
TEST(ParseDecimal, StopsAtTheTextsLength) {
  char text[] = "5e-9999999999999999999999";
  EXPECT_EQ(parse_decimal(text, 2), 5.0);
  char signed_text[] = "-2.5e+1111";
  EXPECT_EQ(parse_decimal(signed_text, 6), -2.5);
}

}  // namespace

namespace {

struct ProductCase {
  std::uint64_t a, b;
  rt::num::Uint128 want;
};

// The exact conversions rest on this product; the portable one is what
// 32-bit processors use, so it is tested on every build.
TEST(Uint128, ProductsAreExact) {
  constexpr std::uint64_t kMax = UINT64_MAX;
  const ProductCase cases[] = {
      {0, 0, {0, 0}},
      {kMax, 1, {0, kMax}},
      {1ULL << 32, 1ULL << 32, {1, 0}},
      {kMax, kMax, {kMax - 1, 1}},
      {(1ULL << 53) - 1, 1000000000000000000ULL, {0x1bc16d674ec7fULL, 0xf21f494c589c0000ULL}},
      {0x123456789abcdef0ULL,
       0xfedcba9876543210ULL,
       {0x121fa00ad77d7422ULL, 0x236d88fe5618cf00ULL}},
  };
  for (const ProductCase& c : cases) {
    for (rt::num::Uint128 got :
         {rt::num::multiply_portable(c.a, c.b), rt::num::multiply(c.a, c.b)}) {
      EXPECT_EQ(got.high, c.want.high) << std::hex << c.a << " * " << c.b;
      EXPECT_EQ(got.low, c.want.low) << std::hex << c.a << " * " << c.b;
    }
  }
  // Where the compiler has a 128-bit product, the two agree everywhere.
  std::mt19937_64 random(128);
  for (int i = 0; i < 100000; ++i) {
    const std::uint64_t a = random() >> (random() % 64), b = random() >> (random() % 64);
    const rt::num::Uint128 p = rt::num::multiply_portable(a, b), q = rt::num::multiply(a, b);
    ASSERT_TRUE(p.high == q.high && p.low == q.low) << std::hex << a << " * " << b;
  }
}

}  // namespace
