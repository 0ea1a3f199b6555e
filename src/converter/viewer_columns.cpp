#include "converter/viewer_columns.h"

#include <algorithm>

namespace tabrix {

int ViewerColumnChars(int fieldLength) {
  return std::max(kViewerColumnMinChars, std::min(kViewerColumnMaxChars, fieldLength));
}

}  // namespace tabrix
