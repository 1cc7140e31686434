/* Runs one command and measures its whole process tree (Linux).
 *
 *   measure [-C dir] [-o stdout-file] [-e stderr-file] OUT.json -- command...
 *
 * Writes OUT.json: the wall time until the command exits, the kernel's I/O
 * accounting of the tree (/proc/self/io: rchar, read_bytes, ...), the CPU
 * times and the largest resident set of any process of the tree. The
 * measurer makes itself the subreaper of the tree, so processes detached by
 * a double fork (as Wine starts Windows processes) are still reaped here and
 * their counters are added to ours; a process still alive 5 s after the
 * command ended is counted in "stragglers" and left out.
 *
 * A small C program rather than a script: the largest resident set of a
 * child includes the memory of the process it was forked from. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#define IO_FIELDS 7
static const char* io_names[IO_FIELDS] = {"rchar",      "wchar",       "syscr",
                                          "syscw",      "read_bytes",  "write_bytes",
                                          "cancelled_write_bytes"};

static int read_io(long long* values) {
  FILE* f = fopen("/proc/self/io", "r");
  if (!f) return -1;
  char name[64];
  long long v;
  int found = 0;
  while (fscanf(f, "%63[^:]: %lld\n", name, &v) == 2) {
    for (int i = 0; i < IO_FIELDS; i++) {
      if (strcmp(name, io_names[i]) == 0) {
        values[i] = v;
        found++;
      }
    }
  }
  fclose(f);
  return found == IO_FIELDS ? 0 : -1;
}

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

static void redirect(const char* path, int fd, int flags) {
  int target = open(path, flags, 0644);
  if (target < 0 || dup2(target, fd) < 0) {
    perror(path);
    _exit(127);
  }
  close(target);
}

static void usage(void) {
  fprintf(stderr, "usage: measure [-C dir] [-o stdout-file] [-e stderr-file] OUT.json -- command...\n");
  exit(2);
}

int main(int argc, char** argv) {
  const char *dir = NULL, *out = NULL, *err = NULL;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] && !argv[i][2]; i += 2) {
    switch (argv[i][1]) {
      case 'C': dir = argv[i + 1]; break;
      case 'o': out = argv[i + 1]; break;
      case 'e': err = argv[i + 1]; break;
      default: usage();
    }
  }
  if (i + 2 >= argc || strcmp(argv[i + 1], "--") != 0) usage();
  const char* json_path = argv[i];
  char** command = argv + i + 2;

  if (prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0) {
    perror("prctl");
    return 2;
  }
  long long before[IO_FIELDS], after[IO_FIELDS];
  if (read_io(before) != 0) {
    fprintf(stderr, "measure: cannot read /proc/self/io\n");
    return 2;
  }
  double start = now();
  pid_t pid = fork();
  if (pid < 0) {
    perror("fork");
    return 2;
  }
  if (pid == 0) {
    if (dir && chdir(dir) != 0) {
      perror(dir);
      _exit(127);
    }
    redirect("/dev/null", 0, O_RDONLY);
    if (out) redirect(out, 1, O_WRONLY | O_CREAT | O_TRUNC);
    if (err) redirect(err, 2, O_WRONLY | O_CREAT | O_TRUNC);
    execvp(command[0], command);
    perror(command[0]);
    _exit(127);
  }
  int status = 0;
  for (;;) {
    int st;
    pid_t done = waitpid(-1, &st, 0);
    if (done == pid) {
      status = st;
      break;
    }
    if (done < 0 && errno != EINTR) break;
  }
  double wall = now() - start;

  /* Reap what the command left behind, for a while. */
  int stragglers = 0;
  double deadline = now() + 5.0;
  for (;;) {
    pid_t done = waitpid(-1, NULL, WNOHANG);
    if (done < 0) break; /* no children left */
    if (done == 0) {
      if (now() > deadline) {
        stragglers = 1;
        break;
      }
      usleep(10000);
    }
  }
  if (read_io(after) != 0) return 2;
  struct rusage usage;
  getrusage(RUSAGE_CHILDREN, &usage);

  FILE* f = fopen(json_path, "w");
  if (!f) {
    perror(json_path);
    return 2;
  }
  fprintf(f, "{");
  for (int k = 0; k < IO_FIELDS; k++) fprintf(f, "\"%s\": %lld, ", io_names[k], after[k] - before[k]);
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  fprintf(f, "\"wall\": %.6f, \"exit\": %d, \"maxrss_kib\": %ld, \"utime\": %.6f, \"stime\": %.6f, \"stragglers\": %d}\n",
          wall, code, usage.ru_maxrss, usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6,
          usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6, stragglers);
  fclose(f);
  return 0;
}
