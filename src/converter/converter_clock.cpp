#include <chrono>
#include <ctime>

#include "converter/converter_ui.h"

namespace tabrix {

namespace {

class SystemClock final : public ConverterClock {
 public:
  double SteadySeconds() override {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }
  Date Today() override {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);  // single-threaded program
    if (!local) return {};
    return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
  }
};

}  // namespace

ConverterClock& SystemConverterClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace tabrix
