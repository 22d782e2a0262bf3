#include "linalg/matmult.h"

#include "runtime/records/statements.h"

namespace linalg {

void matmult(const rt::Integer& nrow, const rt::Integer& ncol, const double* a, const double* b,
             double* c) {
  rt::ListWrite(6).text("Matrix Multiplication").end();
  matmult_product(nrow, ncol, a, b, c);
}

}  // namespace linalg
