#pragma once
// The process-wide network-error flag.
//
// It tells a caller that the last shared open or append lock failed because another program
// holds the file or record. The table layer resets it at the start of OpenTable and
// AppendRecord; the default error handler (errorsys.h) sets it when it softens such a failure.
// Single-threaded program: a plain flag.

namespace tabrix {

// The current value of the flag.
bool NetworkError();

// Sets the flag to value and returns the value it had before.
bool NetworkError(bool value);

}  // namespace tabrix
