// The same bits on every processor: gaussjo and matmult on fixed
// pseudo-random inputs, and the record layer's number texts, hashed bit
// by bit and compared with the hashes stored in tests/golden/hashes.txt.
// Every kernel variant that the processor has is hashed, and every one
// must give the stored hash; so must every other processor.
//
// A NaN is hashed as one value: its sign and payload are the processor's
// (x86-64 makes a negative default NaN, aarch64 a positive one), every
// other bit is the program's.
//
// MELD_PRINT_HASHES=1 prints the hashes instead of checking them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "linalg/gaussjo.h"
#include "linalg/matmult.h"
#include "runtime/records/numconv.h"

namespace {

// FNV-1a, 64 bits.
struct Hash {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  void bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t k = 0; k < n; ++k) h = (h ^ p[k]) * 0x100000001b3ULL;
  }
  void number(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    if (std::isnan(v)) bits = 0x7ff8000000000000ULL;
    for (int k = 0; k < 8; ++k) {
      unsigned char b = static_cast<unsigned char>(bits >> (8 * k));
      bytes(&b, 1);
    }
  }
  void numbers(const std::vector<double>& v) {
    for (double x : v) number(x);
  }
};

// Inputs from the raw output of a fixed generator, converted exactly, so
// that every processor and library builds the same matrices.
enum Kind { Uniform, Whole, BadlyScaled, ZeroPivot, kKinds };

std::vector<double> matrix(int n, std::mt19937_64& rng, Kind kind) {
  std::vector<double> m(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (std::size_t k = 0; k < m.size(); ++k) {
    const std::uint64_t r = rng();
    const double unit = std::ldexp(static_cast<double>(r >> 11), -52) - 1.0;  // [-1, 1)
    switch (kind) {
      case Whole:
        m[k] = static_cast<double>(static_cast<int>(r % 19) - 9);
        break;
      case BadlyScaled: {
        // Each row and column scaled by its own power of two, far apart.
        const std::size_t i = k % static_cast<std::size_t>(n), j = k / static_cast<std::size_t>(n);
        m[k] = std::ldexp(unit, static_cast<int>((i * 37 + j * 11) % 81) - 40);
        break;
      }
      default:
        m[k] = unit;
    }
  }
  if (kind == ZeroPivot) m[0] = 0.0;
  return m;
}

// The hash of what `compute` leaves for every order and kind of matrix;
// `compute` takes the order, the kind and the generator, and hashes.
template <typename Compute>
std::uint64_t hash_cases(unsigned seed, Compute compute) {
  std::vector<int> orders;
  for (int k = 1; k <= 64; ++k) orders.push_back(k);
  for (int k : {100, 129, 257}) orders.push_back(k);
  std::mt19937_64 rng(seed);
  Hash h;
  for (int n : orders) {
    for (int kind = 0; kind < kKinds; ++kind) compute(n, static_cast<Kind>(kind), rng, h);
  }
  return h.h;
}

std::uint64_t gaussjo_hash(linalg::Isa isa) {
  return hash_cases(11, [&](int n, Kind kind, std::mt19937_64& rng, Hash& h) {
    std::vector<double> a = matrix(n, rng, kind);
    std::vector<double> b = matrix(n, rng, Uniform);
    b.resize(static_cast<std::size_t>(n));
    std::vector<double> ainv(a.size()), x(b.size());
    linalg::gaussjo_solve(n, a.data(), ainv.data(), b.data(), x.data(), isa);
    h.numbers(a);
    h.numbers(ainv);
    h.numbers(x);
  });
}

std::uint64_t matmult_hash(linalg::Isa isa) {
  return hash_cases(12, [&](int n, Kind kind, std::mt19937_64& rng, Hash& h) {
    std::vector<double> a = matrix(n, rng, kind);
    std::vector<double> b = matrix(n, rng, kind);
    std::vector<double> c(a.size());
    linalg::matmult_product(n, n, a.data(), b.data(), c.data(), isa);
    h.numbers(c);
  });
}

// The list-directed and F15.11 texts of a fixed set of doubles: special
// values, powers of ten and their neighbours, and random bit patterns.
std::uint64_t text_hash() {
  std::vector<double> values = {0.0,       -0.0,         0.5,          -3.0,
                                1e-8,      123456789.0,  1234567890.0, HUGE_VAL,
                                -HUGE_VAL, std::nan(""), 5e-324,       1.7976931348623157e308};
  for (int e = -30; e <= 30; ++e) {
    const double p = std::pow(10.0, e);
    values.insert(values.end(), {p, std::nextafter(p, 0.0), std::nextafter(p, HUGE_VAL)});
  }
  std::mt19937_64 rng(13);
  for (int k = 0; k < 20000; ++k) {
    std::uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isnan(v)) values.push_back(v);
    values.push_back(std::ldexp(static_cast<double>(bits >> 11), -40 + static_cast<int>(k % 64)));
  }
  Hash h;
  char text[rt::num::kListDoubleRoom];
  char fixed[15];
  for (double v : values) {
    h.bytes(text, rt::num::list_double(v, text));
    rt::num::edit_fixed(v, 15, 11, fixed);
    h.bytes(fixed, sizeof fixed);
  }
  return h.h;
}

std::map<std::string, std::string> stored_hashes() {
  std::ifstream in(std::string(GOLDEN_DIR) + "/hashes.txt");
  std::map<std::string, std::string> hashes;
  std::string name, value;
  while (in >> name >> value) hashes[name] = value;
  return hashes;
}

std::string hex(std::uint64_t v) {
  char s[17];
  std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(v));
  return s;
}

TEST(ResultHash, EveryVariantAndProcessorGivesTheStoredBits) {
  const bool print = std::getenv("MELD_PRINT_HASHES") != nullptr;
  const auto stored = stored_hashes();
  ASSERT_EQ(stored.size(), 3u) << "tests/golden/hashes.txt";
  int variants = 0;
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    ++variants;
    const std::string g = hex(gaussjo_hash(isa)), m = hex(matmult_hash(isa));
    if (print) std::printf("gaussjo %s\nmatmult %s\n", g.c_str(), m.c_str());
    EXPECT_EQ(g, stored.at("gaussjo")) << "variant " << static_cast<int>(isa);
    EXPECT_EQ(m, stored.at("matmult")) << "variant " << static_cast<int>(isa);
  }
  EXPECT_GE(variants, 1);
  const std::string t = hex(text_hash());
  if (print) std::printf("texts %s\n", t.c_str());
  EXPECT_EQ(t, stored.at("texts"));
}

}  // namespace
