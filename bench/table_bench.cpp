// table_bench: times the table layer's two bulk operations on one table.
//
//   table_bench read TABLE.DBF          every field of every live record, memo text included
//   table_bench append TABLE.DBF N      new FoxPro-2 table with FPT, N records with a memo
//   table_bench read-direct / append-direct ...   the same on the format level (table_ops.h)
//
// Prints one line "op=... records=... fields=... memo_bytes=... seconds=... records_per_s=..."
// for bench/run.sh, which compares it with the peers.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/table_ops.h"

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  if (argc < 3 || (std::string(argv[1]).starts_with("append") && argc < 4)) {
    std::fprintf(
        stderr,
        "usage: table_bench read[-direct] TABLE.DBF | table_bench append[-direct] TABLE.DBF N\n");
    return 2;
  }
  const std::string op = argv[1];
  const auto start = Clock::now();
  unsigned long long records = 0, fields = 0, memoBytes = 0, checksum = 0;
  if (op == "read" || op == "read-direct") {
    tabrix::bench::ReadTotals t = op == "read" ? tabrix::bench::ReadAllFields(argv[2])
                                               : tabrix::bench::ReadAllFieldsDirect(argv[2]);
    if (!t.error.empty()) {
      std::fprintf(stderr, "read failed: %s\n", t.error.c_str());
      return 1;
    }
    records = t.records, fields = t.fields, memoBytes = t.memoBytes, checksum = t.checksum;
  } else if (op == "append" || op == "append-direct") {
    records = std::strtoul(argv[3], nullptr, 10);
    const uint32_t n = static_cast<uint32_t>(records);
    std::string e = op == "append" ? tabrix::bench::AppendCustomers(argv[2], n)
                                   : tabrix::bench::AppendCustomersDirect(argv[2], n);
    if (!e.empty()) {
      std::fprintf(stderr, "append failed: %s\n", e.c_str());
      return 1;
    }
  } else {
    std::fprintf(stderr, "unknown operation %s\n", op.c_str());
    return 2;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf(
      "op=%s records=%llu fields=%llu memo_bytes=%llu checksum=%llx seconds=%.4f "
      "records_per_s=%.0f\n",
      op.c_str(), records, fields, memoBytes, checksum, seconds, records / seconds);
  return 0;
}
