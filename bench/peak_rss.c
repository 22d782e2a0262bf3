// Prints the peak resident memory, in KiB, of one run of a program. The
// launcher is linked statically and is tiny, so that the address space the
// child starts from (which the kernel counts toward its peak) is its own.
//
//   peak_rss DIR PROGRAM
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(argv[1]) != 0) _exit(126);
    execl(argv[2], argv[2], (char*)0);
    _exit(127);
  }
  int status;
  struct rusage usage;
  if (wait4(pid, &status, 0, &usage) < 0) return 1;
  printf("%ld\n", usage.ru_maxrss);
  return 0;
}
