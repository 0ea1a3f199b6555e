#include "topicgate/topic_command.h"

namespace tabrix {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t DecimalToInt32(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint32_t value = 0;  // unsigned, so that overflow wraps instead of being undefined
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

TopicRequest ParseTopicCommand(std::string_view arguments) {
  if (arguments.size() >= 2 && arguments.front() == '"' && arguments.back() == '"' &&
      arguments.find('"', 1) == arguments.size() - 1) {
    arguments = arguments.substr(1, arguments.size() - 2);
  }
  std::string_view fields[4];
  size_t p = 0;
  for (std::string_view& field : fields) {
    if (p >= arguments.size()) break;
    size_t end = arguments.find(';', p);
    if (end == std::string_view::npos) end = arguments.size();
    field = arguments.substr(p, std::min(end - p, kMaxFieldLength));
    p = end + 1;
  }
  return TopicRequest{DecimalToInt32(fields[0]), std::string(fields[1]), DecimalToInt32(fields[2]),
                      DecimalToInt32(fields[3])};
}

std::string_view ArgumentsOfCommandLine(std::string_view commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t close = commandLine.find('"', 1);
    i = close == std::string_view::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  }
  while (i < commandLine.size() && static_cast<unsigned char>(commandLine[i]) <= ' ') ++i;
  return commandLine.substr(i);
}

}  // namespace tabrix
