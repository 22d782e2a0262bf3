#include "linalg/gaussjo.h"

#include <string_view>

#include "runtime/records/statements.h"

namespace linalg {

namespace {

using rt::Integer;
using rt::ListWrite;

constexpr rt::Integer kConsole = 6;
constexpr std::string_view kRule = "============================================";

// Row i of an n x n matrix as one record.
void write_row(Integer n, const double* m, Integer i) {
  ListWrite record(kConsole);
  for (Integer j = 1; j <= n; ++j) record.real(m[(j - 1) * n + (i - 1)]);
  record.end();
}

void write_matrix(Integer n, const double* m) {
  for (Integer i = 1; i <= n; ++i) write_row(n, m, i);
}

// A vector whole, in one record.
void write_vector(Integer n, const double* v) {
  ListWrite record(kConsole);
  for (Integer i = 1; i <= n; ++i) record.real(v[i - 1]);
  record.end();
}

void write_text(std::string_view text) {
  ListWrite(kConsole).text(text).end();
}

}  // namespace

void gaussjo(const Integer& n, double* a, double* ainv, const double* b, double* xvec) {
  // The input: banner, order, matrix, right-hand side.
  write_text(kRule);
  write_text("subroutine: Gauss-Jordan inverse of a matrix");
  write_text(kRule);
  write_text("NO. OF ROWS");
  ListWrite(kConsole).integer(n).end();
  write_text("YOUR Input-MATRIX - ");
  write_matrix(n, a);
  write_text("B-Vector -");
  write_vector(n, b);

  gaussjo_solve(n, a, ainv, b, xvec);

  // The results: reduced matrix, inverse, solution, closing banner.
  write_text("FINAL Gauss-Jordan reduced MATRIX - ");
  write_matrix(n, a);
  write_text("FINAL Gauss-Jordan INVERSE MATRIX - ");
  write_matrix(n, ainv);
  write_text("xvec(i)=...");
  write_vector(n, xvec);
  write_text(kRule);
  write_text("  END Gauss-Jordan subroutine");
  write_text(kRule);
}

}  // namespace linalg
