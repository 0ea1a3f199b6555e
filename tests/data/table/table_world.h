#pragma once
// The world the table and order cases run in, one per driver (table_area_cases.h,
// table_orders_cases.h).

#include <chrono>
#include <memory>
#include <string>

#include "data/env/file_env.h"

namespace tabrix {

// Where a driver's tables lie and whose clock dates them: the files the cases read and write
// by the names they open tables with, the clock of whoever writes the tables (this program on
// the local back-end, the server on the remote one) and its pauses between lock tries.
class TableAreaWorld {
 public:
  virtual ~TableAreaWorld() = default;
  virtual Env* files() = 0;
  virtual void SetLocalTime(const LocalTime& now) = 0;
  virtual void SleepFor(std::chrono::milliseconds pause) = 0;
  virtual std::chrono::milliseconds totalSleep() = 0;
};

// The world of `driver`; nullptr for a driver the including file does not run.
std::unique_ptr<TableAreaWorld> MakeTableAreaWorld(const std::string& driver);

}  // namespace tabrix
