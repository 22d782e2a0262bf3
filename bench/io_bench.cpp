// The record layer against its floors, in items (or records) per second:
// list-directed output of doubles, integers and texts against snprintf and
// one fwrite per record; format 901 against snprintf with the same C
// format; list-directed input of " 1 2  3." records against strtol and
// strtod on the same text. Output goes to /dev/null on both sides, so that
// what is measured is the layer's own work.
//
//   build/bench/io_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/records/numconv.h"
#include "runtime/records/statements.h"

namespace {

constexpr rt::Integer kUnit = 10;
constexpr int kItemsPerRecord = 4;
constexpr const char* k901 = "(1X,'Check: amat*x = b? ',I3,F15.11,' =?=',F15.11)";

// Whole numbers and values from 1e-5 to 1e5, as a program's results are;
// or a wide mix of magnitudes and signs.
std::vector<double> doubles(bool wide) {
  std::mt19937_64 rng(9);
  std::vector<double> v(4096);
  for (size_t k = 0; k < v.size(); ++k) {
    if (wide) {
      v[k] = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(rng),
                        std::uniform_int_distribution<int>(-300, 300)(rng));
    } else if (k % 2 == 0) {
      v[k] = static_cast<double>(std::uniform_int_distribution<int>(-1000, 1000)(rng));
    } else {
      v[k] = std::pow(10.0, std::uniform_real_distribution<double>(-5, 5)(rng));
    }
  }
  return v;
}

// The floor's layout of a double, as the layer lays it out: blank, sign or
// blank, "%.9G" of the magnitude, a point added where it has none.
int floor_double(char* out, double x) {
  out[0] = ' ';
  out[1] = x < 0 ? '-' : ' ';
  if (x == 0) return 2 + std::sprintf(out + 2, "0.");
  int n = std::snprintf(out + 2, 32, "%.9G", std::fabs(x));
  char* e = std::strchr(out + 2, 'E');
  char* stop = e ? e : out + 2 + n;
  if (std::memchr(out + 2, '.', static_cast<size_t>(stop - out - 2)) == nullptr && out[2] != 'I' &&
      out[2] != 'N') {
    std::memmove(stop + 1, stop, static_cast<size_t>(out + 2 + n - stop) + 1);
    *stop = '.';
    ++n;
  }
  return 2 + n;
}

void BM_list_doubles(benchmark::State& state) {
  const std::vector<double> v = doubles(state.range(0) != 0);
  rt::open_file(kUnit, "/dev/null");
  size_t k = 0;
  for (auto _ : state) {
    rt::ListWrite record(kUnit);
    for (int i = 0; i < kItemsPerRecord; ++i, k = (k + 1) % v.size()) record.real(v[k]);
    record.end();
  }
  rt::close_unit(kUnit);
  state.SetItemsProcessed(state.iterations() * kItemsPerRecord);
}

void BM_floor_doubles(benchmark::State& state) {
  const std::vector<double> v = doubles(state.range(0) != 0);
  FILE* f = std::fopen("/dev/null", "w");
  char line[256];
  size_t k = 0;
  for (auto _ : state) {
    int n = 0;
    for (int i = 0; i < kItemsPerRecord; ++i, k = (k + 1) % v.size())
      n += floor_double(line + n, v[k]);
    line[n++] = '\n';
    std::fwrite(line, 1, static_cast<size_t>(n), f);
  }
  std::fclose(f);
  state.SetItemsProcessed(state.iterations() * kItemsPerRecord);
}

void BM_list_integers(benchmark::State& state) {
  rt::open_file(kUnit, "/dev/null");
  rt::Integer value = 0;
  for (auto _ : state) {
    rt::ListWrite record(kUnit);
    for (int i = 0; i < kItemsPerRecord; ++i) {
      value = (value * 7919 + 13) % 200003 - 100000;
      record.integer(value);
    }
    record.end();
  }
  rt::close_unit(kUnit);
  state.SetItemsProcessed(state.iterations() * kItemsPerRecord);
}

void BM_floor_integers(benchmark::State& state) {
  FILE* f = std::fopen("/dev/null", "w");
  char line[256];
  int value = 0;
  for (auto _ : state) {
    int n = 0;
    for (int i = 0; i < kItemsPerRecord; ++i) {
      value = (value * 7919 + 13) % 200003 - 100000;
      n += std::snprintf(line + n, 16, " %d", value);
    }
    line[n++] = '\n';
    std::fwrite(line, 1, static_cast<size_t>(n), f);
  }
  std::fclose(f);
  state.SetItemsProcessed(state.iterations() * kItemsPerRecord);
}

void BM_list_texts(benchmark::State& state) {
  rt::open_file(kUnit, "/dev/null");
  const std::string_view text = "Test amat*x=b ?: (";
  for (auto _ : state) {
    rt::ListWrite record(kUnit);
    for (int i = 0; i < kItemsPerRecord; ++i) record.text(text);
    record.end();
  }
  rt::close_unit(kUnit);
  state.SetItemsProcessed(state.iterations() * kItemsPerRecord);
}

void BM_floor_texts(benchmark::State& state) {
  FILE* f = std::fopen("/dev/null", "w");
  char line[256];
  const char text[] = "Test amat*x=b ?: (";
  for (auto _ : state) {
    int n = std::snprintf(line, sizeof line, " %.*s%.*s%.*s%.*s", 18, text, 18, text, 18, text, 18,
                          text);
    line[n++] = '\n';
    std::fwrite(line, 1, static_cast<size_t>(n), f);
  }
  std::fclose(f);
  state.SetItemsProcessed(state.iterations() * kItemsPerRecord);
}

void BM_format_901(benchmark::State& state) {
  const std::vector<double> v = doubles(false);
  rt::open_file(kUnit, "/dev/null");
  rt::Integer i = 0;
  size_t k = 0;
  for (auto _ : state) {
    i = (i + 1) % 1000;
    rt::FormattedWrite(kUnit, k901).integer(i).real(v[k]).real(v[k + 1]).end();
    k = (k + 2) % v.size();
  }
  rt::close_unit(kUnit);
  state.SetItemsProcessed(state.iterations());
}

void BM_floor_901(benchmark::State& state) {
  const std::vector<double> v = doubles(false);
  FILE* f = std::fopen("/dev/null", "w");
  char line[256];
  int i = 0;
  size_t k = 0;
  for (auto _ : state) {
    i = (i + 1) % 1000;
    int n = std::snprintf(line, sizeof line, " Check: amat*x = b? %3d%15.11f =?=%15.11f\n", i, v[k],
                          v[k + 1]);
    std::fwrite(line, 1, static_cast<size_t>(n), f);
    k = (k + 2) % v.size();
  }
  std::fclose(f);
  state.SetItemsProcessed(state.iterations());
}

// " i j  x." records, read from their start again at their end.
constexpr int kInputRecords = 100000;

std::string input_text() {
  std::string text;
  for (int k = 0; k < kInputRecords; ++k) {
    text += " " + std::to_string(k % 9 + 1) + " " + std::to_string(k % 7 + 1) + "  " +
            std::to_string(k % 1000) + ".\n";
  }
  return text;
}

// The records in a file.
std::string input_file() {
  static std::string path;
  if (path.empty()) {
    char templ[] = "/tmp/meld-input-XXXXXX";
    int fd = mkstemp(templ);
    const std::string text = input_text();
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    close(fd);
    path = templ;
  }
  return path;
}

void BM_list_input(benchmark::State& state) {
  std::string path = input_file();
  rt::open_file(kUnit, path, "old");
  rt::Integer i = 0, j = 0;
  double x = 0;
  int k = 0;
  for (auto _ : state) {
    if (k++ == kInputRecords) {
      rt::rewind_unit(kUnit);
      k = 1;
    }
    rt::ListRead(kUnit).integer(i).integer(j).real(x).end();
    benchmark::DoNotOptimize(x);
  }
  rt::close_unit(kUnit);
  state.SetItemsProcessed(state.iterations());
}

void BM_floor_input(benchmark::State& state) {
  // The same text in memory, converted with strtol, strtol and strtod.
  const std::string text = input_text();
  const char* p = text.c_str();
  for (auto _ : state) {
    if (*p == '\0') p = text.c_str();
    char* end;
    long i = std::strtol(p, &end, 10);
    long j = std::strtol(end, &end, 10);
    double x = std::strtod(end, &end);
    p = end + 1;
    benchmark::DoNotOptimize(i + j);
    benchmark::DoNotOptimize(x);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_list_doubles)->Arg(0)->Arg(1);
BENCHMARK(BM_floor_doubles)->Arg(0)->Arg(1);
BENCHMARK(BM_list_integers);
BENCHMARK(BM_floor_integers);
BENCHMARK(BM_list_texts);
BENCHMARK(BM_floor_texts);
BENCHMARK(BM_format_901);
BENCHMARK(BM_floor_901);
BENCHMARK(BM_list_input);
BENCHMARK(BM_floor_input);

}  // namespace

BENCHMARK_MAIN();
