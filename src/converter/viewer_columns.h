#pragma once
// The columns of the source data viewer, as far as they do not need a window: one column per
// source field, as wide as the field but never narrower than 3 nor wider than 15 average
// characters, so a flag field keeps a readable column and a long address line does not push
// every other field out of sight.

namespace tabrix {

inline constexpr int kViewerColumnMinChars = 3;
inline constexpr int kViewerColumnMaxChars = 15;

// The width of a field's column in average characters.
int ViewerColumnChars(int fieldLength);

}  // namespace tabrix
