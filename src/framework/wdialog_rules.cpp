// Rules of the dialog class (see wdialog_rules.h).

#include "framework/wdialog_rules.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "framework/native/words.h"

namespace tabrix::wdialog {
namespace {

int64_t Overlap(int lowA, int highA, int lowB, int highB) {
  return std::max(0, std::min(highA, highB) - std::max(lowA, lowB));
}

// Gap between [lowA, highA) and [lowB, highB) along one axis, 0 when they overlap.
int64_t Gap(int lowA, int highA, int lowB, int highB) {
  if (highA <= lowB) return int64_t{lowB} - highA;
  if (highB <= lowA) return int64_t{lowA} - highB;
  return 0;
}

bool IsClass(std::string_view name, std::string_view wanted) {
  return name.size() == wanted.size() &&
         std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

int64_t PackIniPair(int low, int high) {
  return static_cast<uint32_t>(WB_MAKELPARAM(low, high));
}

IniPair UnpackIniPair(int64_t number) {
  return {WB_LOWORD(number), WB_HIWORD(number)};
}

int64_t ParseIniNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
    value = value * 10 + (text[i] - '0');
    if (value > 0xFFFFFFFFll) return -1;
  }
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (digits == 0 || i != text.size()) return -1;
  if (negative) {
    if (value > 0x80000000ll) return -1;
    return -value;
  }
  return value;
}

std::optional<size_t> NearestMonitor(const PlaceRect& rect,
                                     const std::vector<MonitorArea>& monitors) {
  std::optional<size_t> best;
  int64_t bestOverlap = 0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const PlaceRect& m = monitors[i].monitor;
    int64_t area = Overlap(rect.left, rect.right, m.left, m.right) *
                   Overlap(rect.top, rect.bottom, m.top, m.bottom);
    if (area > bestOverlap) bestOverlap = area, best = i;
  }
  if (best) return best;
  int64_t bestDistance = 0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const PlaceRect& m = monitors[i].monitor;
    int64_t dx = Gap(rect.left, rect.right, m.left, m.right);
    int64_t dy = Gap(rect.top, rect.bottom, m.top, m.bottom);
    int64_t distance = dx * dx + dy * dy;
    if (!best || distance < bestDistance) bestDistance = distance, best = i;
  }
  return best;
}

std::optional<size_t> MonitorOfPoint(int x, int y, const std::vector<MonitorArea>& monitors) {
  return NearestMonitor({x, y, x + 1, y + 1}, monitors);
}

PlaceRect PlanDialogPlace(const SavedDialogPlace& saved, const PlaceRect& current, int parentLeft,
                          int parentTop, const std::vector<MonitorArea>& monitors) {
  if (saved.pos == -1) {
    PlaceRect atParent{parentLeft, parentTop, parentLeft + current.Width(),
                       parentTop + current.Height()};
    std::optional<size_t> m = MonitorOfPoint(parentLeft, parentTop, monitors);
    if (!m) return atParent;
    return PlaceOnMonitor(atParent, monitors[*m].monitor, monitors[*m].work,
                          kPlaceCenter | kPlaceWorkArea, true);
  }
  IniPair corner = UnpackIniPair(saved.pos);
  int width = current.Width(), height = current.Height();
  if (saved.size > 0) {
    IniPair size = UnpackIniPair(saved.size);
    width = size.low, height = size.high;
  }
  PlaceRect wanted{corner.low, corner.high, corner.low + width, corner.high + height};
  std::optional<size_t> m = NearestMonitor(wanted, monitors);
  if (!m) return wanted;
  return PlaceOnMonitor(wanted, monitors[*m].monitor, monitors[*m].work, kPlaceWorkArea, true);
}

std::vector<IniWrite> PlanDialogSave(const DialogCloseState& close) {
  std::vector<IniWrite> writes;
  if (close.state == ShowState::kMinimised) return writes;
  // An INI number may carry the corner as a signed or an unsigned 32-bit value.
  auto differs = [](int64_t read, int64_t packed) {
    return read == -1 || (static_cast<uint64_t>(read) & 0xFFFFFFFFu) != uint64_t(packed);
  };
  int64_t pos = PackIniPair(close.normal.left, close.normal.top);
  if (differs(close.iniPos, pos)) writes.push_back({"", std::to_string(pos)});
  if (close.sizable) {
    int64_t size = PackIniPair(close.normal.Width(), close.normal.Height());
    if (differs(close.iniSize, size)) writes.push_back({"_SIZE", std::to_string(size)});
  } else if (close.iniSize > 0) {
    writes.push_back({"_SIZE", "0"});
  }
  const bool maximised = close.state == ShowState::kMaximised;
  if (maximised && close.iniMax != 1) writes.push_back({"_MAX", "1"});
  if (!maximised && close.iniMax == 1) writes.push_back({"_MAX", "0"});
  return writes;
}

LayoutPlan PlanResizeLayout(uint32_t dialogStyle, int sizeType, ClientSize previous, ClientSize now,
                            int captionHeight, const std::vector<ChildControl>& children) {
  LayoutPlan plan{{}, previous};
  constexpr int kSizeMinimized = 1;
  if (!(dialogStyle & (kStyleMaximizeBox | kStyleSizingBorder)) || sizeType == kSizeMinimized) {
    return plan;
  }
  const int limit = 6 * captionHeight;
  const int dw = now.width - previous.width, dh = now.height - previous.height;
  for (size_t i = 0; i < children.size(); ++i) {
    const ChildControl& c = children[i];
    if (IsClass(c.className, "LISTBOX") || IsClass(c.className, "SCROLLBAR")) continue;
    PlaceRect r = c.rect;
    if ((c.style & 7) == 7 && r.left < 20 && r.right + 20 > previous.width) {
      r.right = r.left + std::max(0, r.Width() + dw);
    } else if (r.top > 50 && r.top > limit && now.height > 100) {
      r.top += dh, r.bottom += dh;
    }
    if (!(r == c.rect)) plan.moves.push_back({i, r});
  }
  plan.clientSize.width = now.width;
  if (now.height > 100) plan.clientSize.height = now.height;
  return plan;
}

IdCheck CheckControlIds(const std::vector<int64_t>& ids) {
  IdCheck check;
  std::set<int64_t> inUse;
  for (int64_t id : ids) {
    if (inUse.count(id)) check.duplicates.push_back(id);
    if (id != -1 && id < 65000) inUse.insert(id);
  }
  if (!check.duplicates.empty()) {
    int64_t free = check.duplicates.front() + 1;
    while (inUse.count(free)) ++free;
    check.firstFree = free;
  }
  return check;
}

double ClampSeekWaitTime(double seconds) {
  if (!(seconds >= 0.1)) return 0.1;  // NaN too
  return std::min(seconds, 2.0);
}

ListSeekStep ListSeekChar(ListSeekState& state, char c, int64_t sinceLastCharMs) {
  ListSeekStep step;
  step.fromSelection =
      state.typed.empty() && sinceLastCharMs >= 0 && sinceLastCharMs <= kSeekContinueMs;
  state.elapsedMs = 0;
  step.startTimer = !state.timerRunning;
  state.timerRunning = true;
  state.typed += c;
  step.text = state.typed;
  return step;
}

EditSeekKey ClassifyEditSeekKey(unsigned key, std::string_view text, bool writable) {
  if (IsSeekSwallowedKey(key)) return EditSeekKey::kSwallow;
  if (key == 0 && (text.empty() || text == "0")) return EditSeekKey::kSwallow;
  const bool changesText = key == ' ' || key == '\b' || key == 0 || key >= 45;
  return changesText && writable ? EditSeekKey::kStartWait : EditSeekKey::kForward;
}

bool ListSeekTick(ListSeekState& state, int waitMs) {
  if (!state.timerRunning) return false;
  state.elapsedMs += kSeekTickMs;
  if (state.elapsedMs <= waitMs) return false;
  state.timerRunning = false;
  state.elapsedMs = 0;
  state.typed.clear();
  return true;
}

}  // namespace tabrix::wdialog
