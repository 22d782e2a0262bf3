// The floor for a whole run: a minimal C program that performs the same
// file round trip as the program and writes the same bytes with plain
// stdio, then meets the same pause without a terminal.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(void) {
  static const char* const console_head[] = {
      " START: MELDRAK-Programmierung, Teil 2",
      "",
      " Schreiben der Matrix und des B-Vectors auf File#25",
      " Wieder  Einlesen von File 25:",
  };
  static const char* const console_tail[] = {
      " ============================================",
      " subroutine: Gauss-Jordan inverse of a matrix",
      " ============================================",
      " NO. OF ROWS",
      " 2",
      " YOUR Input-MATRIX - ",
      "  1.  2.",
      "  3.  4.",
      " B-Vector -",
      "  2. -3.",
      " FINAL Gauss-Jordan reduced MATRIX - ",
      "  1.  0.",
      "  0. -2.",
      " FINAL Gauss-Jordan INVERSE MATRIX - ",
      " -2.  1.",
      "  1.5 -0.5",
      " xvec(i)=...",
      " -7.  4.5",
      " ============================================",
      "   END Gauss-Jordan subroutine",
      " ============================================",
      "",
      " Resultat  xvec(i):",
      " ( 1) -7.",
      " ( 2)  4.5",
      " Test amat*x=b ?: ( 1)  2. =!=  2.",
      "    OK",
      " Test amat*x=b ?: ( 2) -3. =!= -3.",
      "    OK",
      " Matrix Multiplication",
      " FINAL Gauss-Jordan UNIT MATRIX - ",
      "  1.  0.",
      "  0.  1.",
      " ######## Programm-Ende ########",
      "",
  };
  static const char* const file_head[] = {
      " =>MELDRAK-Programmierung, Teil2",
      "         i,j, amat(i,j)",
      " 1 1  1.",
      " 2 1  3.",
      " 1 2  2.",
      " 2 2  4.",
      "         i, bvec(i)",
      " 1  2.",
      " 2 -3.",
  };
  static const char* const file_tail[] = {
      "",
      " Es soll gelten: amat(i,j)*xvec(j) = bvec(i)",
      "   jeweils summiert ueber  j.",
      " RESULTAT xvec(i)",
      " ( 1) -7.",
      " ( 2)  4.5",
      " Check: amat*x = b?   1  2.00000000000 =?=  2.00000000000",
      " Check: amat*x = b?   2 -3.00000000000 =?= -3.00000000000",
  };
  for (size_t i = 0; i < 4; ++i) printf("%s\n", console_head[i]);
  FILE* f = fopen("Meld-System666.txt", "w+");
  if (f == NULL) return 2;
  for (size_t i = 0; i < 9; ++i) fprintf(f, "%s\n", file_head[i]);
  rewind(f);
  char line[128];
  int ih, jh;
  double v;
  for (int k = 0; k < 9; ++k) {
    if (fgets(line, sizeof line, f) == NULL) return 3;
    line[strcspn(line, "\n")] = 0;
    if (k == 0 || k == 1 || k == 6) {
      printf(" %-60s\n", line);
    } else if (k < 6) {
      if (sscanf(line, "%d %d %lf", &ih, &jh, &v) != 3) return 3;
      printf(" ( %d %d)  %.0f.\n", ih, jh, v);
    } else {
      if (sscanf(line, "%d %lf", &ih, &v) != 2) return 3;
      printf(" ( %d) %2.0f.\n", ih, v);
    }
  }
  fseek(f, 0, SEEK_CUR);
  for (size_t i = 0; i < sizeof file_tail / sizeof *file_tail; ++i)
    fprintf(f, "%s\n", file_tail[i]);
  fclose(f);
  for (size_t i = 0; i < sizeof console_tail / sizeof *console_tail; ++i)
    printf("%s\n", console_tail[i]);
  fputs("PAUSE  statement executed\n", stderr);
  if (!isatty(0) && open("/dev/tty", O_RDONLY) < 0) {
    fputs("s_paus: can't open con!\n", stderr);
    exit(1);
  }
  return 0;
}
