#pragma once
// NTXRANGEC: how many entries of an NTX index lie between two records, both included, counted
// by reading the index file directly as a B-tree (layout: ntx_file.h). The grid browse uses it
// for its scroll position and record count over NTX orders. It never writes the index and never
// touches the table.
//
// Arguments: the order number (accepted, unused), record A and its key text, record B and its
// key text, the numeric flag, the file-given flag and the index file name. Key texts: with the
// numeric flag the decimal text of the number (any width), brought into the index's numeric key
// form by NtxNormStr with the header's key length and decimals; otherwise the key itself (a
// date as its eight digits), padded with blanks or cut to the key length.
//
// Result:
//   0     the file-given flag is false, the file cannot be opened or its header read, or the
//         work buffers cannot be had;
//   -1    the first of the two entries was not found (the debug sink then gets the line
//         "NTXRange ERROR!\n");
//   n     the entries from the first of the two entries (in index order) to the other one, or to
//         the end of the index when the other one was not met.
//
// The search (one call):
//   Keys compare over the key length with the collation of ntx_key.h. The smaller key gives the
//   low entry (key, record), the other the high entry; with equal keys A is low and B high, and
//   B is also the "alternative" record; otherwise the alternative record is the low one.
//   Phase 1 descends from the root to the first key not below the low key; an item whose record
//   is the low or alternative one, or a leaf item, ends the descent there. Phase 2 walks on in
//   index order, with no key comparisons, until it meets the low or the alternative record (met
//   first, the alternative one means the two equal-key entries come in reverse order, and the
//   count then ends at the low one); the counter starts at 0 there and phase 4 counts that
//   entry. Phase 3 counts on: a child subtree left of a key below the high key lies wholly in
//   the range and is counted from page counts alone; other subtrees are searched. Meeting the
//   high record ends the search (phase 0).
//   A subtree is counted by reading its pages without the last key's bytes (count, offsets,
//   children) down to the leaf level; once the leaf depth is known (the first leaf met by phase
//   2 or by a count), only a leaf's 2 count bytes are read.
//
// Limits:
//   - One work buffer per tree level, each (M + 2) * 2 + (K + 8) * (M + 1) bytes, allocated
//     together for the call; the number of levels comes from the header's half page:
//       half 2 -> 20, 3 -> 16, 4 -> 14, 5 -> 13, 6 -> 12, 7 or more -> 11, anything else -> 31.
//     A tree deeper than that stops the search where it reaches the limit: the result is the
//     count reached so far, or -1.
//   - Damaged files (this program's additions, so that no file can crash or hang the call): a
//     page that cannot be read whole, holds more than M keys or item offsets outside its buffer
//     stops the search like the level limit; so does reading more pages than 4 times the pages
//     of the file plus 64 (a page loop).
//   - The file position: reads are positional through the Env, so there is no file position
//     to save and restore; the file is opened for the call, read-only and shared, and closed
//     at the end.
//
// Debug line: the index layer lies below the debug output (diagnostics, stdlib's O_S), so the
// caller hands in the sink. The stdlib's NTXRANGEC passes a sink that writes the text unchanged
// to the platform debug output when the developer trace is enabled (DebugChannel::DebugString
// after O_S's enable checks).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "data/env/file_env.h"

namespace tabrix {

using NtxDebugSink = std::function<void(std::string_view text)>;

inline constexpr const char* kNtxRangeErrorLine = "NTXRange ERROR!\n";

// Page reads of one call, to show that the interior of a range costs only page headers.
struct NtxRangeReads {
  uint64_t wholePages = 0;  // pages searched: read whole into a level buffer
  uint64_t countPages = 0;  // interior pages of counted subtrees: all but the last key's bytes
  uint64_t countBytes = 0;  // leaves of counted subtrees at the known leaf depth: 2 bytes
  bool stopped = false;     // the level limit or damage ended the search early
};

// The work-buffer levels for a half-page value (table in the top comment).
int NtxRangeLevels(int halfPage);

int64_t NtxRangeCount(Env* env, int orderNumber, uint32_t recordA, std::string_view keyA,
                      uint32_t recordB, std::string_view keyB, bool numeric, bool fileGiven,
                      const std::string& indexFile, const NtxDebugSink& debug,
                      NtxRangeReads* reads = nullptr);

}  // namespace tabrix
