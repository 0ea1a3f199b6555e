// Application-wide keyboard shortcuts (see hotkeys.h).

#include "framework/hotkeys.h"

#include <algorithm>

namespace tabrix {
namespace {

constexpr double kSecondsPerDay = 86400;

bool Has(int flags, int bits) {
  return (flags & bits) == bits;
}

}  // namespace

bool HotkeyMatches(int entryFlags, bool alt, bool ctrl, bool shift) {
  if (alt && ctrl && shift) return entryFlags == (kHotAlt | kHotCtrl | kHotShift);
  int pressed = (alt ? kHotAlt : 0) | (ctrl ? kHotCtrl : 0) | (shift ? kHotShift : 0);
  if (pressed == 0) return entryFlags == 0;
  return Has(entryFlags, pressed);
}

ZB_HOTKEYS::~ZB_HOTKEYS() {
  if (hooked_) Axit();
}

uintptr_t ZB_HOTKEYS::Target() {
  uintptr_t master = host_.MasterWindow();
  return master ? master : host_.ApplicationWindow();
}

ZB_HOTKEYS& ZB_HOTKEYS::INIT(std::optional<std::vector<HotkeyEntry>> entries, bool) {
  nWaitTime_ = 0.3;
  aHotKeys_.clear();
  aDefKeys_.clear();
  nTime_ = host_.SecondsSinceMidnight();

  // The callbacks answer with a logical (what posting returned), which always swallows.
  auto post = [this](unsigned message) {
    return [this, message]() -> HotkeyAnswer {
      host_.Post(Target(), message, 0, 0);
      return std::nullopt;
    };
  };
  aDefKeys_.push_back({0, kVkF1, post(kWmuHelp)});
  aDefKeys_.push_back({kHotCtrl, kVkF6, post(kWmuShiftDlg)});
  aDefKeys_.push_back({kHotCtrl, kVkF4, [this]() -> HotkeyAnswer {
                         uintptr_t master = host_.MasterWindow();
                         host_.Post(master ? master : host_.ActiveDialog(), kWmSysCommandMsg,
                                    kScCloseCommand, 0);
                         return std::nullopt;
                       }});
  aDefKeys_.push_back({kHotCtrl, kVkTab, post(kWmuShiftDlg)});

  if (entries) aHotKeys_ = *entries;
  aHotKeys_.insert(aHotKeys_.end(), aDefKeys_.begin(), aDefKeys_.end());
  defaultsAppended_ = aDefKeys_.size();

  if (hooked_) Axit();
  hookedWindow_ = host_.ApplicationWindow();
  host_.InstallKeyboardHook(hookedWindow_, kWmuHotkey);
  host_.AttachKeyHandler(hookedWindow_, kWmuHotkey, this);
  hooked_ = true;
  return *this;
}

ZB_HOTKEYS& ZB_HOTKEYS::Axit() {
  if (hooked_) {
    host_.RemoveKeyboardHook();
    host_.DetachKeyHandler(hookedWindow_, this);
    hooked_ = false;
  }
  return *this;
}

std::optional<int64_t> ZB_HOTKEYS::KeybProc(unsigned message, uint64_t key, int64_t flags) {
  const bool keyUp = (static_cast<uint64_t>(flags) >> 31) & 1;
  if (message != kWmuHotkey || keyUp) return std::nullopt;

  const double now = host_.SecondsSinceMidnight();
  double elapsed = now - nTime_;
  // Seconds since midnight start again at 0 each day; without this the first keys after
  // midnight would look a day early and hotkeys would stay dead until the next day.
  if (elapsed < 0) elapsed += kSecondsPerDay;
  const int vk = static_cast<int>(key & 0xFFFF);
  // Clock readings are sums of binary fractions: exactly nWaitTime apart must count as apart.
  if (elapsed + 1e-9 < nWaitTime_ || vk == kVkShift || vk == kVkControl || vk == kVkAlt) return 0;
  nTime_ = now;

  const bool alt = (static_cast<uint64_t>(flags) >> 29) & 1;
  const bool ctrl = host_.KeyDown(kVkControl);
  const bool shift = host_.KeyDown(kVkShift);

  // A callback may replace the table (SetHotKeys): go through the table as it was.
  const std::vector<HotkeyEntry> table = aHotKeys_;
  for (const HotkeyEntry& entry : table) {
    if (entry.key != vk || !HotkeyMatches(entry.flags, alt, ctrl, shift)) continue;
    HotkeyAnswer answer = entry.callback ? entry.callback() : HotkeyAnswer{0};
    if (!answer || *answer == 1) return 1;
  }
  return 0;
}

void ZB_HOTKEYS::SetHotKeys(std::optional<std::vector<HotkeyEntry>> entries) {
  if (!entries) return;
  aHotKeys_ = *entries;
  const size_t keep = std::min<size_t>(3, aDefKeys_.size());
  aHotKeys_.insert(aHotKeys_.end(), aDefKeys_.begin(), aDefKeys_.begin() + keep);
  defaultsAppended_ = keep;
}

std::vector<HotkeyEntry> ZB_HOTKEYS::GetHotKeys() const {
  const size_t n = aHotKeys_.size() - std::min(defaultsAppended_, aHotKeys_.size());
  return std::vector<HotkeyEntry>(aHotKeys_.begin(), aHotKeys_.begin() + n);
}

}  // namespace tabrix
