#pragma once
// File moves of a converter job through the file layer (Env): removing the old target, copying
// the template, and delivering the finished tables. Going through Env keeps the job's file
// rules testable on the in-memory files and under the fault injector.

#include <cstdint>
#include <string>

#include "data/env/file_env.h"

namespace tabrix {

// Removes path when it exists. Ok when it is gone afterwards (also when it never existed);
// otherwise the failure of the removal (a read-only file, another program holding it).
IoStatus RemoveIfPresent(Env& files, const std::string& path);

// Copies source to target, never replacing a file: fails with kOsFileExists when target
// exists. The copy is new, so it carries the current time. A copy that fails after creating
// target removes it again, so no half-written file is left behind.
IoStatus CopyNewFile(Env& files, const std::string& source, const std::string& target);

// Size of path in bytes; nothing (0 and the error) when it cannot be opened.
IoStatus SizeOfFile(Env& files, const std::string& path, uint64_t* size);

}  // namespace tabrix
