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

// The system and what the run makes of it; all fixed-size.
struct Run {
  Integer n = 2;
  double amat[kExtent][kExtent];   // column by column: element (i,j) is at(amat, i, j)
  double amat0[kExtent][kExtent];  // the system as built, for the checks
  double ainv[kExtent][kExtent];
  double bvec[kExtent], bvec0[kExtent], xvec[kExtent];
};

// The fixed system, x1 + 2*x2 = 2, 3*x1 + 4*x2 = -3, into the exchange
// file, column by column, after its heading.
void write_system(Run& r) {
  ListWrite(kConsole).text("START: MELDRAK-Programmierung, Teil 2").end();
  ListWrite(kConsole).end();

  rt::open_file(kFile, kFileName);
  ListWrite(kFile).text("=>MELDRAK-Programmierung, Teil2").end();

  const Integer n = r.n;
  for (Integer i = 1; i <= n; ++i) {
    r.bvec[i - 1] = 0;
    r.xvec[i - 1] = 0;
    for (Integer j = 1; j <= n; ++j) at(r.amat, i, j) = 0;
  }
  r.bvec[0] = 2.0;
  r.bvec[1] = -3.0;
  at(r.amat, 1, 1) = 1.0;
  at(r.amat, 1, 2) = 2.0;
  at(r.amat, 2, 1) = 3.0;
  at(r.amat, 2, 2) = 4.0;
  for (Integer i = 1; i <= n; ++i) {
    r.bvec0[i - 1] = r.bvec[i - 1];
    for (Integer j = 1; j <= n; ++j) at(r.amat0, i, j) = at(r.amat, i, j);
  }

  ListWrite(kConsole).text("Schreiben der Matrix und des B-Vectors auf File#25").end();
  ListWrite(kFile).text("        i,j, amat(i,j)").end();
  for (Integer j = 1; j <= n; ++j) {
    for (Integer i = 1; i <= n; ++i)
      ListWrite(kFile).integer(i).integer(j).real(at(r.amat, i, j)).end();
  }
  ListWrite(kFile).text("        i, bvec(i)").end();
  for (Integer i = 1; i <= n; ++i) ListWrite(kFile).integer(i).real(r.bvec[i - 1]).end();
}

// The system back from the exchange file into the working arrays, each
// record echoed on the console.
void read_system_back(Run& r) {
  const Integer n = r.n;
  char text1[60];
  Integer ih, jh;
  rt::rewind_unit(kFile);
  ListWrite(kConsole).text("Wieder  Einlesen von File 25:").end();
  for (int heading = 0; heading < 2; ++heading) {
    read_text(kFile, text1, sizeof text1);
    ListWrite(kConsole).text({text1, sizeof text1}).end();
  }
  for (Integer j = 1; j <= n; ++j) {
    for (Integer i = 1; i <= n; ++i) {
      ListRead(kFile).integer(ih).integer(jh).real(at(r.amat, i, j)).end();
      ListWrite(kConsole).text("(").integer(ih).integer(jh).text(")").real(at(r.amat, i, j)).end();
    }
  }
  read_text(kFile, text1, sizeof text1);
  ListWrite(kConsole).text({text1, sizeof text1}).end();
  for (Integer i = 1; i <= n; ++i) {
    ListRead(kFile).integer(ih).real(r.bvec[i - 1]).end();
    ListWrite(kConsole).text("(").integer(ih).text(")").real(r.bvec[i - 1]).end();
  }
}

// The solution and the inverse, the solution into the file and onto the
// console, and the checks: the saved system times the solution against
// the right-hand side, and the saved matrix times the inverse, rounded,
// against the unit matrix.
void solve_and_check(Run& r) {
  const Integer n = r.n;
  linalg::gaussjo(n, &r.amat[0][0], &r.ainv[0][0], r.bvec, r.xvec);

  ListWrite(kFile).end();
  ListWrite(kFile).text("Es soll gelten: amat(i,j)*xvec(j) = bvec(i)").end();
  ListWrite(kFile).text("  jeweils summiert ueber  j.").end();
  ListWrite(kFile).text("RESULTAT xvec(i)").end();
  ListWrite(kConsole).end();
  ListWrite(kConsole).text("Resultat  xvec(i):").end();
  for (Integer i = 1; i <= n; ++i) {
    ListWrite(kFile).text("(").integer(i).text(")").real(r.xvec[i - 1]).end();
    ListWrite(kConsole).text("(").integer(i).text(")").real(r.xvec[i - 1]).end();
  }

  double zvec[kExtent];
  for (Integer i = 1; i <= n; ++i) {
    double hsum = 0;
    for (Integer j = 1; j <= n; ++j) hsum = hsum + at(r.amat0, i, j) * r.xvec[j - 1];
    zvec[i - 1] = hsum;
    ListWrite(kConsole)
        .text("Test amat*x=b ?: (")
        .integer(i)
        .text(")")
        .real(zvec[i - 1])
        .text(" =!=")
        .real(r.bvec0[i - 1])
        .end();
    write_check(kFile, i, zvec[i - 1], r.bvec0[i - 1]);
    // A difference that is not a number fails the check too.
    if (std::fabs(zvec[i - 1] - r.bvec0[i - 1]) < kTolerance) {
      ListWrite(kConsole).text("   OK").end();
    } else {
      ListWrite(kConsole).text("  ? Differenz zwischen XVEC und BVEC gefunden").end();
    }
  }

  double cmat[kExtent][kExtent];
  linalg::matmult(n, n, &r.amat0[0][0], &r.ainv[0][0], &cmat[0][0]);
  ListWrite(kConsole).text("FINAL Gauss-Jordan UNIT MATRIX - ").end();
  for (Integer i = 1; i <= n; ++i) {
    for (Integer j = 1; j <= n; ++j) at(cmat, i, j) = driver::round_half_up(at(cmat, i, j));
  }
  for (Integer i = 1; i <= n; ++i) {
    ListWrite row(kConsole);
    for (Integer j = 1; j <= n; ++j) row.real(at(cmat, i, j));
    row.end();
  }
}

// The file closed, the end banner, the pause and the stop.
void end_run() {
  rt::close_unit(kFile);
  ListWrite(kConsole).text("######## Programm-Ende ########").end();
  ListWrite(kConsole).end();
  rt::s_paus("", 0);
  rt::s_stop("", 0);
}

}  // namespace

void main_program() {
  Run run;
  write_system(run);
  read_system_back(run);
  solve_and_check(run);
  end_run();
}
