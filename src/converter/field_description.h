#pragma once
// One row of a table structure as the converter sees it: the source structure, the target
// structure and the field lists of a converter job are made of these.

#include <string>

namespace tabrix {

struct FieldDescription {
  std::string name;  // up to 10 characters, upper case, as the table header gives it
  char type = 'C';   // type letter: C N D L M, and the further letters the table layer reads
  int length = 0;    // field width in characters (for binary types: the stored byte count)
  int decimals = 0;
};

}  // namespace tabrix
