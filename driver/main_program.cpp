// The main program: builds the fixed 2 x 2 system, sends it through the
// exchange file and back, solves it and inverts its matrix with gaussjo,
// checks both results, and ends with a pause and a stop.
//
// Every record goes through the record layer: unit 6 is the console,
// unit 25 the exchange file. All data are fixed-size locals.
#include <cmath>

#include "driver/round.h"
#include "linalg/gaussjo.h"
#include "linalg/matmult.h"
#include "runtime/frame/frame.h"
#include "runtime/records/statements.h"

namespace {

using rt::Integer;
using rt::ListRead;
using rt::ListWrite;

constexpr Integer kConsole = 6;
constexpr Integer kFile = 25;
constexpr char kFileName[] = "Meld-System666.txt";
constexpr Integer kExtent = 2;
constexpr double kTolerance = 1e-8;

// Element (i, j) of a matrix stored column by column.
double& at(double (&m)[kExtent][kExtent], Integer i, Integer j) {
  return m[j - 1][i - 1];
}

// Formatted read of one record with "(A)" into a text variable.
void read_text(Integer unit, char* text, rt::Length length) {
  rt::FormattedRead(unit, "(A)").item(text, length).end();
}

// Formatted write with format 901 of a row number and two values.
void write_check(Integer unit, const Integer& i, const double& z, const double& b) {
  rt::FormattedWrite(unit, "(1X,'Check: amat*x = b? ',I3,F15.11,' =?=',F15.11)")
      .integer(i)
      .real(z)
      .real(b)
      .end();
}

}  // namespace

void main_program() {
  Integer n;
  double amat[kExtent][kExtent];  // column by column: element (i,j) is at(amat, i, j)
  double amat0[kExtent][kExtent];
  double ainv[kExtent][kExtent];
  double cmat[kExtent][kExtent];
  double bvec[kExtent], bvec0[kExtent], xvec[kExtent], zvec[kExtent];
  char text1[60];
  Integer ih, jh, kk;
  double hsum;

  ListWrite(kConsole).text("START: MELDRAK-Programmierung, Teil 2").end();
  ListWrite(kConsole).end();

  rt::open_file(kFile, kFileName);
  ListWrite(kFile).text("=>MELDRAK-Programmierung, Teil2").end();

  // The fixed system: x1 + 2*x2 = 2, 3*x1 + 4*x2 = -3.
  n = 2;
  for (Integer i = 1; i <= n; ++i) {
    bvec[i - 1] = 0;
    xvec[i - 1] = 0;
    for (Integer j = 1; j <= n; ++j) at(amat, i, j) = 0;
  }
  bvec[0] = 2.0;
  bvec[1] = -3.0;
  at(amat, 1, 1) = 1.0;
  at(amat, 1, 2) = 2.0;
  at(amat, 2, 1) = 3.0;
  at(amat, 2, 2) = 4.0;
  for (Integer i = 1; i <= n; ++i) {
    bvec0[i - 1] = bvec[i - 1];
    for (Integer j = 1; j <= n; ++j) at(amat0, i, j) = at(amat, i, j);
  }

  // The system into the exchange file, column by column.
  ListWrite(kConsole).text("Schreiben der Matrix und des B-Vectors auf File#25").end();
  ListWrite(kFile).text("        i,j, amat(i,j)").end();
  for (Integer j = 1; j <= n; ++j) {
    for (Integer i = 1; i <= n; ++i)
      ListWrite(kFile).integer(i).integer(j).real(at(amat, i, j)).end();
  }
  ListWrite(kFile).text("        i, bvec(i)").end();
  for (Integer i = 1; i <= n; ++i) ListWrite(kFile).integer(i).real(bvec[i - 1]).end();

  // And back into the working arrays, each record echoed.
  rt::rewind_unit(kFile);
  ListWrite(kConsole).text("Wieder  Einlesen von File 25:").end();
  for (int heading = 0; heading < 2; ++heading) {
    read_text(kFile, text1, sizeof text1);
    ListWrite(kConsole).text({text1, sizeof text1}).end();
  }
  for (Integer j = 1; j <= n; ++j) {
    for (Integer i = 1; i <= n; ++i) {
      ListRead(kFile).integer(ih).integer(jh).real(at(amat, i, j)).end();
      ListWrite(kConsole).text("(").integer(ih).integer(jh).text(")").real(at(amat, i, j)).end();
    }
  }
  read_text(kFile, text1, sizeof text1);
  ListWrite(kConsole).text({text1, sizeof text1}).end();
  for (Integer i = 1; i <= n; ++i) {
    ListRead(kFile).integer(ih).real(bvec[i - 1]).end();
    ListWrite(kConsole).text("(").integer(ih).text(")").real(bvec[i - 1]).end();
  }

  // Solution and inverse.
  linalg::gaussjo(n, &amat[0][0], &ainv[0][0], bvec, xvec);

  ListWrite(kFile).end();
  ListWrite(kFile).text("Es soll gelten: amat(i,j)*xvec(j) = bvec(i)").end();
  ListWrite(kFile).text("  jeweils summiert ueber  j.").end();
  ListWrite(kFile).text("RESULTAT xvec(i)").end();
  ListWrite(kConsole).end();
  ListWrite(kConsole).text("Resultat  xvec(i):").end();
  for (Integer i = 1; i <= n; ++i) {
    ListWrite(kFile).text("(").integer(i).text(")").real(xvec[i - 1]).end();
    ListWrite(kConsole).text("(").integer(i).text(")").real(xvec[i - 1]).end();
  }

  // Check of the solution against the saved system.
  for (Integer i = 1; i <= n; ++i) {
    hsum = 0;
    for (Integer j = 1; j <= n; ++j) hsum = hsum + at(amat0, i, j) * xvec[j - 1];
    zvec[i - 1] = hsum;
    ListWrite(kConsole)
        .text("Test amat*x=b ?: (")
        .integer(i)
        .text(")")
        .real(zvec[i - 1])
        .text(" =!=")
        .real(bvec0[i - 1])
        .end();
    write_check(kFile, i, zvec[i - 1], bvec0[i - 1]);
    // A difference that is not a number fails the check too.
    if (std::fabs(zvec[i - 1] - bvec0[i - 1]) < kTolerance) {
      ListWrite(kConsole).text("   OK").end();
    } else {
      ListWrite(kConsole).text("  ? Differenz zwischen XVEC und BVEC gefunden").end();
    }
  }

  // Check of the inverse: amat0 * ainv, rounded, is the unit matrix.
  linalg::matmult(n, n, &amat0[0][0], &ainv[0][0], &cmat[0][0]);
  ListWrite(kConsole).text("FINAL Gauss-Jordan UNIT MATRIX - ").end();
  for (Integer i = 1; i <= n; ++i) {
    for (Integer j = 1; j <= n; ++j) {
      kk = driver::round_half_up(at(cmat, i, j));
      at(cmat, i, j) = kk;
    }
  }
  for (Integer i = 1; i <= n; ++i) {
    ListWrite row(kConsole);
    for (Integer j = 1; j <= n; ++j) row.real(at(cmat, i, j));
    row.end();
  }

  rt::close_unit(kFile);
  ListWrite(kConsole).text("######## Programm-Ende ########").end();
  ListWrite(kConsole).end();
  rt::s_paus("", 0);
  rt::s_stop("", 0);
}
