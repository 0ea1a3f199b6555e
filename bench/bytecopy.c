/* bytecopy: the floor of every table operation measured here. Copies files byte for byte
 * with 1 MiB reads and writes and nothing else.
 *
 *   bytecopy [-s] SRC DST [SRC DST ...]
 *
 * -s: forces every copy to the device (fsync) before closing it: the floor of a durable write,
 * which is what the table layer's commit and close promise.
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int copy(const char* from, const char* to, int durable) {
  static char buf[1 << 20];
  int in = open(from, O_RDONLY);
  if (in < 0) return perror(from), 1;
  int out = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return perror(to), close(in), 1;
  ssize_t n;
  while ((n = read(in, buf, sizeof buf)) > 0) {
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buf + done, (size_t)(n - done));
      if (w < 0) return perror(to), close(in), close(out), 1;
      done += w;
    }
  }
  close(in);
  if (n >= 0 && durable && fsync(out) != 0) return perror(to), close(out), 1;
  return close(out) != 0 || n < 0;
}

int main(int argc, char** argv) {
  int first = 1, durable = 0;
  if (argc > 1 && strcmp(argv[1], "-s") == 0) first = 2, durable = 1;
  if (argc - first < 2 || (argc - first) % 2 != 0) {
    fprintf(stderr, "usage: bytecopy [-s] SRC DST [SRC DST ...]\n");
    return 2;
  }
  for (int i = first; i + 1 < argc; i += 2) {
    if (copy(argv[i], argv[i + 1], durable)) return 1;
  }
  return 0;
}
