#include "framework/od_list_layout.h"

#include <algorithm>
#include <cmath>

namespace tabrix::odlist {

std::vector<double> PercentToPixels(int clientWidth, std::span<const double> percents) {
  std::vector<double> pixels;
  pixels.reserve(percents.size());
  for (double percent : percents) pixels.push_back(clientWidth * percent / 100.0);
  return pixels;
}

std::vector<double> ColumnEdges(std::span<const double> pixelWidths) {
  std::vector<double> edges{0.0};
  for (double width : pixelWidths) edges.push_back(edges.back() + width);
  return edges;
}

TextSpan CellTextSpan(double leftEdge, double rightEdge) {
  return {static_cast<int>(std::trunc(leftEdge)) + 3, static_cast<int>(std::trunc(rightEdge)) - 1};
}

std::vector<int> GridLineColumns(std::span<const double> edges, int rowWidth) {
  std::vector<int> lines;
  for (std::size_t k = 1; k < edges.size(); ++k)
    lines.push_back(static_cast<int>(std::trunc(edges[k])) - 1);
  if (!edges.empty() && static_cast<int>(std::trunc(edges.back())) > rowWidth)
    lines.push_back(rowWidth - 1);
  return lines;
}

RowFit FitWholeRows(int height, int frameHeight, bool hasHScroll, int hScrollHeight,
                    int rowHeight) {
  const int nonClient = frameHeight + (hasHScroll ? hScrollHeight : 0);
  const int usable = height - nonClient;
  const int rows = rowHeight >= 1 && usable > 0 ? usable / rowHeight : 0;
  return {rows, rows * std::max(rowHeight, 0) + nonClient};
}

std::vector<int> EmptyRowTops(int count, int topIndex, int pageRows, int rowHeight) {
  std::vector<int> tops;
  for (int r = std::max(count - topIndex, 0) + 1; r <= pageRows; ++r)
    tops.push_back((r - 1) * rowHeight);
  return tops;
}

std::optional<NavKey> NavKeyFromVirtualKey(int virtualKey) {
  switch (virtualKey) {
    case 33:
      return NavKey::PageUp;
    case 34:
      return NavKey::PageDown;
    case 35:
      return NavKey::End;
    case 36:
      return NavKey::Home;
    case 38:
      return NavKey::Up;
    case 40:
      return NavKey::Down;
    default:
      return std::nullopt;
  }
}

std::optional<int> NavigationTarget(NavKey key, int cur, int count, int pageRows) {
  switch (key) {
    case NavKey::Home:
      if (count > 0) return 0;
      break;
    case NavKey::End:
      if (count > 0) return count - 1;
      break;
    case NavKey::PageUp:
      if (count > 0) return std::max(0, cur - pageRows);
      break;
    case NavKey::PageDown:
      if (count > 0) return std::min(count - 1, cur + pageRows);
      break;
    case NavKey::Up:
      if (count > 1 && cur - 1 >= 0) return cur - 1;
      break;
    case NavKey::Down:
      if (count > 1 && cur + 1 <= count - 1) return cur + 1;
      break;
  }
  return std::nullopt;
}

VKeyAction ClassifyVKey(int virtualKey, bool ctrl) {
  if (ctrl && virtualKey == 37) return VKeyAction::kPageLeft;
  if (ctrl && virtualKey == 39) return VKeyAction::kPageRight;
  if (virtualKey >= 112 && virtualKey <= 135) return VKeyAction::kSwallow;
  if (virtualKey == 32) return VKeyAction::kDoubleClick;
  if (virtualKey > 40) return VKeyAction::kTypeAhead;
  return VKeyAction::kDefault;
}

std::optional<std::uint32_t> RowColour(std::string_view text) {
  std::string_view field = text;
  if (std::size_t marker = text.find("\t!C"); marker != std::string_view::npos)
    field = text.substr(marker + 1);
  field = field.substr(0, field.find('\t'));
  if (!field.starts_with("!C")) return std::nullopt;
  std::string_view digits = field.substr(2);
  std::uint32_t value = 0;
  std::size_t n = 0;
  for (; n < digits.size() && digits[n] >= '0' && digits[n] <= '9'; ++n) {
    value = value * 10 + static_cast<std::uint32_t>(digits[n] - '0');
    if (value > 0xFFFFFF) return std::nullopt;
  }
  if (n == 0) return std::nullopt;
  return value;
}

std::vector<std::string_view> DrawnFields(std::string_view text, std::size_t columns) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (fields.size() < columns) {
    if (start > text.size()) {
      fields.emplace_back();
      continue;
    }
    std::size_t tab = text.find('\t', start);
    std::size_t end = tab == std::string_view::npos ? text.size() : tab;
    fields.push_back(text.substr(start, end - start));
    start = tab == std::string_view::npos ? text.size() + 1 : tab + 1;
  }
  return fields;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t tab = text.find('\t'); tab != std::string_view::npos;
       tab = text.find('\t', start)) {
    fields.push_back(text.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(text.substr(start));
  return fields;
}

std::optional<std::size_t> ColourField(std::string_view text) {
  if (!RowColour(text)) return std::nullopt;
  const std::size_t marker = text.find("\t!C");
  if (marker == std::string_view::npos) return 0;
  return static_cast<std::size_t>(std::count(text.begin(), text.begin() + marker, '\t')) + 1;
}

int ColumnsWidth(int clientWidth, bool hasVScroll, bool vScrollShown, int vScrollWidth) {
  const int bar = hasVScroll && !vScrollShown ? vScrollWidth : 0;
  return std::max(clientWidth - bar, 0);
}

RowLayout LayoutRow(std::string_view text, std::span<const double> edges, int rowEnd,
                    const std::function<int(std::string_view)>& textWidth) {
  RowLayout layout;
  if (edges.size() < 2) return layout;
  const std::size_t columns = edges.size() - 1;
  const std::vector<std::string_view> fields = SplitFields(text);
  const std::optional<std::size_t> colour = ColourField(text);
  // A one-column list shows its first field only.
  const std::size_t drawable = columns == 1 ? 1 : fields.size();
  auto isText = [&](std::size_t i) {
    return i < drawable && !fields[i].empty() && !(i >= columns && colour == i);
  };
  auto isFree = [&](std::size_t i) { return i >= fields.size() || fields[i].empty(); };
  std::optional<std::size_t> last;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (isText(i)) last = i;
  if (!last) return layout;

  const std::vector<int> lines = GridLineColumns(edges, rowEnd);
  std::vector<bool> hidden(lines.size(), false);
  std::optional<int> textEnd;  // where the last drawn field's text ends
  auto place = [&](std::size_t field, int left, int right, int width) {
    textEnd = std::min(left + width, right);
    if (left >= std::min(right, rowEnd)) return;  // nothing of it shows in the row
    layout.fields.push_back({field, left, right});
    for (std::size_t l = 0; l < lines.size(); ++l)
      if (lines[l] >= left && lines[l] < *textEnd) hidden[l] = true;
  };

  for (std::size_t k = 0; k < columns && k <= *last; ++k) {
    if (!isText(k)) continue;
    const int width = textWidth(fields[k]);
    const TextSpan own = CellTextSpan(edges[k], edges[k + 1]);
    int right = own.right;
    std::size_t next = k + 1;  // the first column it does not run over
    for (; own.left + width > right && next < columns && isFree(next); ++next)
      right = CellTextSpan(edges[next], edges[next + 1]).right;
    if (own.left + width > right && next == columns) right = std::max(right, rowEnd - 1);
    place(k, own.left, right, width);
  }
  const int blank = textWidth(" ");
  for (std::size_t i = columns; i <= *last; ++i) {
    if (!isText(i)) continue;
    const int width = textWidth(fields[i]);
    const int left = textEnd ? *textEnd + blank : CellTextSpan(edges[0], edges[1]).left;
    const int right = i == *last ? rowEnd - 1 : std::min(left + width, rowEnd - 1);
    place(i, left, right, width);
  }
  for (std::size_t l = 0; l < lines.size(); ++l)
    if (hidden[l]) layout.hiddenGridLines.push_back(lines[l]);
  return layout;
}

int MultiColumnWidth(int clientWidth) {
  return (clientWidth + 5) / 6;
}

int RowTextEnd(std::string_view text, std::span<const double> edges,
               const std::function<int(std::string_view)>& textWidth) {
  constexpr int kNoEnd = 1 << 24;
  const std::vector<std::string_view> fields = SplitFields(text);
  int end = 0;
  for (const FieldPlacement& placed : LayoutRow(text, edges, kNoEnd, textWidth).fields) {
    end = std::max(end, placed.left + textWidth(fields[placed.field]));
  }
  return end;
}

}  // namespace tabrix::odlist
