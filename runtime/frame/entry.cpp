// The process entry: the frame runs the program's main routine.
#include "runtime/frame/frame.h"

void main_program();

int main(int argc, char** argv) {
  rt::run_program(argc, argv, main_program);
}
