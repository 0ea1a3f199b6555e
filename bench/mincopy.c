/* mincopy: the least a record-by-record DBF+FPT converter must do, as a peer of the conversion
 * engine. Reads each live record of a FoxPro-2-style table (10-digit memo pointers, FPT memo
 * file) and its memos, and writes a new table with the same structure: the record, and each
 * memo as a new block of a new FPT. Deleted records are left out. Plain stdio, nothing else.
 *
 *   mincopy [-s] SRC.DBF SRC.FPT DST.DBF DST.FPT
 *
 * -s: forces both outputs to the device (fsync) before closing them, as the table layer's
 * commit does. Prints "records=N live=N memos=N memo_bytes=N".
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define IO_BUFFER (1 << 20)

static uint32_t le16(const unsigned char* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}
static uint32_t le32(const unsigned char* p) {
  return le16(p) | le16(p + 2) << 16;
}
static uint32_t be32(const unsigned char* p) {
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
static void put_le32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (8 * i));
}
static void put_be32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (24 - 8 * i));
}

static FILE* open_buffered(const char* path, const char* mode) {
  FILE* f = fopen(path, mode);
  if (!f) {
    perror(path);
    return NULL;
  }
  setvbuf(f, NULL, _IOFBF, IO_BUFFER);
  return f;
}

static int fail(const char* what) {
  fprintf(stderr, "mincopy: %s\n", what);
  return 1;
}

static int finish(FILE* f, int durable) {
  if (fflush(f) != 0) return 1;
  if (durable && fsync(fileno(f)) != 0) return 1;
  return fclose(f) != 0;
}

int main(int argc, char** argv) {
  int first = 1, durable = 0;
  if (argc > 1 && strcmp(argv[1], "-s") == 0) first = 2, durable = 1;
  if (argc - first != 4) {
    fprintf(stderr, "usage: mincopy [-s] SRC.DBF SRC.FPT DST.DBF DST.FPT\n");
    return 2;
  }
  FILE* in = open_buffered(argv[first], "rb");
  FILE* memo_in = in ? open_buffered(argv[first + 1], "rb") : NULL;
  FILE* out = memo_in ? open_buffered(argv[first + 2], "wb") : NULL;
  FILE* memo_out = out ? open_buffered(argv[first + 3], "wb") : NULL;
  if (!memo_out) return 1;

  /* Table header, field descriptors and terminator: copied; the count is set at the end. */
  unsigned char head[32];
  if (fread(head, 1, 32, in) != 32) return fail("short table header");
  const uint32_t count = le32(head + 4), header_len = le16(head + 8), rec_len = le16(head + 10);
  if (head[0] >= 0x30 && head[0] <= 0x32) return fail("Visual FoxPro tables are not handled");
  if (header_len < 33 || rec_len < 1) return fail("damaged table header");
  unsigned char* header = malloc(header_len);
  unsigned char* rec = malloc(rec_len);
  if (!header || !rec) return fail("out of memory");
  memcpy(header, head, 32);
  if (fread(header + 32, 1, header_len - 32, in) != header_len - 32) return fail("short header");

  /* The memo fields: their offsets inside the record. */
  uint32_t memo_at[256];
  int memo_fields = 0;
  for (uint32_t d = 32, offset = 1; d + 32 <= header_len && header[d] != 0x0D; d += 32) {
    const char type = (char)header[d + 11];
    const uint32_t len = header[d + 16];
    if ((type == 'M' || type == 'G') && len == 10 && memo_fields < 256)
      memo_at[memo_fields++] = offset;
    offset += len;
  }

  /* Memo file header: the block size is kept, the new file starts empty. */
  unsigned char memo_head[512];
  if (fread(memo_head, 1, 512, memo_in) != 512) return fail("short memo header");
  const uint32_t block = (uint32_t)memo_head[6] << 8 | memo_head[7]; /* big-endian */
  if (block == 0) return fail("memo block size 0");
  uint32_t next = (512 + block - 1) / block;
  unsigned char new_head[512] = {0};
  new_head[6] = memo_head[6], new_head[7] = memo_head[7];
  if (fwrite(new_head, 1, 512, memo_out) != 512) return fail("cannot write memo header");
  for (uint32_t b = 512; b < next * block; ++b) putc(0, memo_out);

  size_t cap = 1 << 16;
  unsigned char* data = malloc(cap);
  unsigned char* pad = calloc(block, 1);
  if (!data || !pad) return fail("out of memory");
  if (fwrite(header, 1, header_len, out) != header_len) return fail("cannot write header");

  long memo_pos = 512; /* where the memo input stands, to seek only when a memo is elsewhere */
  uint32_t live = 0;
  unsigned long long memos = 0, memo_bytes = 0;
  for (uint32_t r = 0; r < count; ++r) {
    if (fread(rec, 1, rec_len, in) != rec_len) return fail("short record");
    if (rec[0] == '*') continue;
    for (int m = 0; m < memo_fields; ++m) {
      unsigned char* field = rec + memo_at[m];
      uint32_t number = 0;
      for (int i = 0; i < 10; ++i) {
        if (field[i] >= '0' && field[i] <= '9') number = number * 10 + (uint32_t)(field[i] - '0');
      }
      if (number == 0) continue;
      const long at = (long)number * (long)block;
      if (at != memo_pos && fseek(memo_in, at, SEEK_SET) != 0) return fail("memo seek");
      unsigned char bh[8];
      if (fread(bh, 1, 8, memo_in) != 8) return fail("short memo block");
      const uint32_t n = be32(bh + 4);
      if (n > cap) {
        while (cap < n) cap *= 2;
        data = realloc(data, cap);
        if (!data) return fail("out of memory");
      }
      if (fread(data, 1, n, memo_in) != n) return fail("short memo");
      memo_pos = at + 8 + (long)n;
      const uint32_t blocks = (8 + n + block - 1) / block;
      unsigned char nh[8];
      put_be32(nh, be32(bh));
      put_be32(nh + 4, n);
      if (fwrite(nh, 1, 8, memo_out) != 8 || fwrite(data, 1, n, memo_out) != n ||
          fwrite(pad, 1, blocks * block - 8 - n, memo_out) != blocks * block - 8 - n) {
        return fail("cannot write memo");
      }
      char digits[11];
      snprintf(digits, sizeof digits, "%10u", (unsigned)next);
      memcpy(field, digits, 10);
      next += blocks;
      ++memos;
      memo_bytes += n;
    }
    if (fwrite(rec, 1, rec_len, out) != rec_len) return fail("cannot write record");
    ++live;
  }
  if (putc(0x1A, out) == EOF) return fail("cannot write end mark");

  /* The counts: records in the table header, next free block in the memo header. */
  unsigned char word[4];
  put_le32(word, live);
  if (fseek(out, 4, SEEK_SET) != 0 || fwrite(word, 1, 4, out) != 4) return fail("header");
  put_be32(word, next);
  if (fseek(memo_out, 0, SEEK_SET) != 0 || fwrite(word, 1, 4, memo_out) != 4) return fail("memo");
  if (finish(out, durable) || finish(memo_out, durable)) return fail("cannot close the outputs");
  fclose(in);
  fclose(memo_in);
  printf("records=%u live=%u memos=%llu memo_bytes=%llu\n", (unsigned)count, (unsigned)live, memos,
         memo_bytes);
  free(header), free(rec), free(data), free(pad);
  return 0;
}
