// The browse's columns without windows (see browse_columns.h).
#include "browse/browse_columns.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "data/base/codepage.h"
#include "data/base/error.h"
#include "data/base/text.h"
#include "data/diagnostics/error_log.h"
#include "data/stdlib/stfkt.h"
#include "framework/native/words.h"

namespace tabrix {
namespace {

std::string TrimRight(std::string_view s) {
  size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

std::string Trim(std::string_view s) {
  size_t begin = s.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  return TrimRight(s.substr(begin));
}

bool IsImageType(std::string_view t) {
  return t == "I" || t == "J" || t == "P" || t == "A" || t == "E";
}

bool IsCallbackType(std::string_view t) {
  return t == "B" || t == "R" || t == "P" || t == "E";
}

std::string NumberText(const Value& v) {
  if (const auto* d = std::get_if<Decimal>(&v)) return d->Text();
  if (const auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (const auto* c = std::get_if<Currency>(&v)) {
    const int64_t v = c->tenThousandths;
    const uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", v < 0 ? "-" : "",
                  static_cast<unsigned long long>(m / 10000),
                  static_cast<unsigned long long>(m % 10000));
    return buf;
  }
  if (const auto* f = std::get_if<double>(&v)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", *f);
    return buf;
  }
  return {};
}

// The text of a value as a callback column shows it; nothing for kinds it shows empty.
std::optional<std::string> ValueText(const Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* b = std::get_if<bool>(&v)) return std::string(*b ? "T" : "F");
  if (const auto* d = std::get_if<Date>(&v)) return DateText(*d);
  if (const auto* t = std::get_if<DateTime>(&v)) return DateText(t->date);
  std::string n = NumberText(v);
  if (!n.empty()) return n;
  return std::nullopt;
}

std::string ErrorDescription(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const ErrorAbandoned& a) {
    std::string text = a.error.description.empty() ? "unbekannt?" : a.error.description;
    if (!a.error.operation.empty()) text += " " + a.error.operation;
    return text;
  } catch (const std::exception& x) {
    return *x.what() ? x.what() : "unbekannt?";
  } catch (...) {
    return "unbekannt?";
  }
}

std::string RecordNumberText(int64_t recno) {
  std::string n = std::to_string(recno);
  if (n.size() < 7) n.insert(0, 7 - n.size(), ' ');
  return n;
}

uint32_t Fnv1a(std::string_view text, uint32_t h) {
  for (unsigned char c : text) {
    h ^= c;
    h *= 16777619u;
  }
  return h;
}

}  // namespace

std::optional<std::string> IniLayoutStore::Read(std::string_view section, std::string_view key) {
  // Two different defaults tell a missing key from a stored value.
  std::string a = GETPVPROFSTRING(section, key, "\x01", file_);
  if (a != "\x01") return a;
  std::string b = GETPVPROFSTRING(section, key, "\x02", file_);
  if (b != "\x02") return b;
  return std::nullopt;
}

void IniLayoutStore::Write(std::string_view section, std::string_view key, std::string_view value) {
  WRITEPVPROFSTRING(section, key, value, file_);
}

std::string LayoutIdentity(const std::vector<BrowseColumn>& aDBOrg) {
  uint32_t h = 2166136261u;
  for (const BrowseColumn& c : aDBOrg) {
    h = Fnv1a(Trim(c.cTitle), h);
    h = Fnv1a("\r", h);
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%zu:%08X", aDBOrg.size(), static_cast<unsigned>(h));
  return buf;
}

std::vector<int> SetTabArray(const std::vector<BrowseColumn>& columns) {
  std::vector<int> tabs{0};
  for (const BrowseColumn& c : columns) tabs.push_back(tabs.back() + c.nWidth);
  return tabs;
}

void FitFillerColumn(std::vector<BrowseColumn>& columns, int listClientWidth) {
  if (columns.empty()) return;
  int others = 0;
  for (size_t i = 0; i + 1 < columns.size(); ++i) others += columns[i].nWidth;
  columns.back().nWidth = std::max(0, listClientWidth - others);
}

namespace {

// Reads the layout: the shown defined columns (1-based numbers) with their widths, or nothing
// when the layout is missing, foreign or invalid.
std::optional<std::vector<std::pair<int, int>>> ReadLayout(const std::vector<BrowseColumn>& defined,
                                                           std::vector<int> remaining,
                                                           BrowseLayoutStore& store,
                                                           std::string_view section) {
  std::vector<std::pair<int, int>> read;
  int sum = 0;
  for (size_t n = 1; n <= remaining.size(); ++n) {
    std::optional<std::string> text =
        store.Read(section, std::string(kLayoutColumnKey) + std::to_string(n));
    double v = text ? std::atof(text->c_str()) : 0.0;
    int64_t whole = static_cast<int64_t>(v);
    int width = 0, column = 0;
    if (static_cast<double>(whole) == v) {
      width = WB_HIWORD(whole);
      column = static_cast<uint16_t>(whole & 0xFFFF);
    } else {
      // A fractional value: the width is its 65536th part, the column what remains.
      width = static_cast<int>(v / 65536.0 * 100.0) / 100;
      column = static_cast<int>(v - static_cast<double>(width) * 65536.0);
    }
    if (column <= 0 || column > static_cast<int>(defined.size())) return std::nullopt;
    read.emplace_back(column, width);
    sum += width;
  }
  if (sum <= 0) return std::nullopt;
  return read;
}

}  // namespace

ShownColumns SetaDbFelder(const std::vector<BrowseColumn>& aDBOrg, BrowseLayoutStore* store,
                          std::string_view section, int listClientWidth, int nFixSpalten) {
  ShownColumns out;
  std::vector<BrowseColumn> cols = aDBOrg;
  if (cols.empty()) {
    BrowseColumn empty;
    empty.nWidth = 100;
    cols.push_back(empty);
  }
  for (size_t i = 0; i < cols.size(); ++i) {
    BrowseColumn& c = cols[i];
    if (c.cTitle.find('\r') != std::string::npos) {
      out.nHeaderLines =
          std::max(out.nHeaderLines,
                   static_cast<int>(std::count(c.cTitle.begin(), c.cTitle.end(), '\r')) + 1);
    } else if (c.cTitle.empty() || c.cTitle[0] != ' ') {
      c.cTitle.insert(0, " ");
    }
    if (IsImageType(c.cType))
      c.nEdit = 0;
    else if (c.nEdit != 0 && c.nEdit != 1)
      c.nEdit = 3;
    c.nOrigCol = static_cast<int>(i) + 1;
  }
  std::vector<BrowseColumn> defined = cols;

  bool ours =
      store && !aDBOrg.empty() && store->Read(section, kLayoutIdKey) == LayoutIdentity(aDBOrg);
  if (ours) {
    std::string visible = store->Read(section, kLayoutVisibleKey).value_or("");
    visible.append(cols.size(), '1');
    visible.resize(cols.size());
    for (size_t i = cols.size(); i-- > 0;) {
      if (visible[i] == '0' && cols[i].nWidth != 0) cols.erase(cols.begin() + i);
    }
    std::vector<int> remaining;
    for (const BrowseColumn& c : cols) remaining.push_back(c.nOrigCol);
    if (auto read = ReadLayout(defined, remaining, *store, section)) {
      std::vector<std::pair<int, int>> order = *read;
      if (nFixSpalten > 0) {
        // The fixed columns keep their places; the read order follows for the rest.
        std::vector<std::pair<int, int>> fixed, rest;
        for (size_t k = 0; k < order.size(); ++k) {
          if (static_cast<int>(k) < nFixSpalten && k < remaining.size()) {
            int width = order[k].second;
            for (const auto& p : order)
              if (p.first == remaining[k]) width = p.second;
            fixed.emplace_back(remaining[k], width);
          }
        }
        for (const auto& p : order) {
          bool isFixed = std::any_of(fixed.begin(), fixed.end(),
                                     [&](const auto& f) { return f.first == p.first; });
          if (!isFixed) rest.push_back(p);
        }
        order = fixed;
        order.insert(order.end(), rest.begin(), rest.end());
        order.resize(read->size());
      }
      for (size_t k = 0; k < cols.size() && k < order.size(); ++k) {
        cols[k] = defined[order[k].first - 1];
        cols[k].nWidth = order[k].second;
      }
      out.layoutApplied = true;
    }
  }

  BrowseColumn filler;
  filler.cType = "B";
  filler.nOrigCol = static_cast<int>(defined.size()) + 1;
  cols.push_back(filler);
  FitFillerColumn(cols, listClientWidth);
  out.columns = std::move(cols);
  return out;
}

void GetaDBFelder(const std::vector<BrowseColumn>& aDBOrg,
                  const std::vector<BrowseColumn>& aDBFelder, BrowseLayoutStore& store,
                  std::string_view section) {
  std::string visible(aDBOrg.size(), '0');
  int k = 0;
  for (const BrowseColumn& c : aDBFelder) {
    if (c.nOrigCol < 1 || c.nOrigCol > static_cast<int>(aDBOrg.size())) continue;  // filler
    visible[c.nOrigCol - 1] = '1';
    store.Write(section, std::string(kLayoutColumnKey) + std::to_string(++k),
                std::to_string(static_cast<uint32_t>(WB_MAKELPARAM(c.nOrigCol, c.nWidth))));
  }
  store.Write(section, kLayoutVisibleKey, visible);
  store.Write(section, kLayoutIdKey, LayoutIdentity(aDBOrg));
}

bool IsRightAligned(std::string_view type) {
  return type == "N" || type == "S" || type == "R";
}

std::string CellText(const BrowseColumn& column, const Value& value) {
  const std::string& t = column.cType;
  if (IsCallbackType(t)) {
    std::optional<std::string> text = ValueText(value);
    if (!text) return {};
    return OemEuroToAnsi(*text) + " ";
  }
  if (t == "J" || t == "N" || t == "M") {
    if (const auto* s = std::get_if<std::string>(&value)) return Trim(OemEuroToAnsi(*s));
    return Trim(NumberText(value));
  }
  if (t == "D") {
    if (const auto* d = std::get_if<Date>(&value)) return DateText(*d);
    return {};
  }
  if (t == "L") {
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "T" : "F";
    return {};
  }
  // "I", "C", "S", "A", "Z" and anything else: the value as text, trimmed.
  return Trim(OemEuroToAnsi(ValueText(value).value_or("")));
}

std::string Element(const std::vector<BrowseColumn>& columns, const ElementRecord& record,
                    std::string_view browseName) {
  std::string row;
  const std::string name = Trim(browseName);
  for (size_t n = 0; n < columns.size(); ++n) {
    const BrowseColumn& c = columns[n];
    std::string cell;
    try {
      if (IsCallbackType(c.cType)) {
        cell = c.bData ? CellText(c, c.bData(record.area)) : std::string();
      } else if (record.field) {
        cell = CellText(c, record.field(c));
      }
    } catch (...) {
      ZB_ERRLOG("Fehler in der Method ELEMENT() in ZB_BROWSE:(" + name + ")",
                Value(std::string("Laufindex: ") + std::to_string(n + 1) + " " +
                      ErrorDescription(std::current_exception())));
      break;
    }
    // Log details are table text (code page 850): the log converts them for the debug output.
    const std::string heading = "Datenfehler in der Method ELEMENT() in ZB_BROWSE:(" +
                                std::string(browseName) + ") " + c.cField;
    const std::string where =
        " ALIAS: " + record.alias + " Record: " + std::to_string(record.recno);
    if (cell.find('\0') != std::string::npos) {
      ZB_ERRLOG(heading, Value("Laufindex: " + std::to_string(n + 1) +
                               " CHR(0) im Datenfeld! CHR(0) wurde f\x81r die Anzeige "
                               "herausgenommen." +
                               where));
      cell.clear();
    }
    if (cell.find('\t') != std::string::npos) {
      ZB_ERRLOG(heading, Value("Laufindex: " + std::to_string(n + 1) +
                               " CHR(9)=(Tab) im Datenfeld! CHR(9) wurde f\x81r die Anzeige mit "
                               "CHR(32)=Space(1) ersetzt." +
                               where));
      std::replace(cell.begin(), cell.end(), '\t', ' ');
    }
    row += IsRightAligned(c.cType) ? Trim(cell) : TrimRight(cell);
    row += '\t';
  }
  if (record.deleted) row += "!C" + std::to_string(record.greyTextColour) + "\t";
  row += RecordNumberText(record.recno);
  return row;
}

RowParts SplitRow(std::string_view row, size_t columnCount) {
  RowParts parts;
  size_t start = 0;
  while (parts.cells.size() < columnCount) {
    size_t tab = row.find('\t', start);
    if (tab == std::string_view::npos) break;
    parts.cells.emplace_back(row.substr(start, tab - start));
    start = tab + 1;
  }
  std::string_view rest = row.substr(start);
  if (rest.substr(0, 2) == "!C") {
    size_t tab = rest.find('\t');
    if (tab != std::string_view::npos) {
      parts.deletedColour = static_cast<uint32_t>(
          std::strtoul(std::string(rest.substr(2, tab - 2)).c_str(), nullptr, 10));
      rest = rest.substr(tab + 1);
    }
  }
  parts.recno = std::atoll(std::string(rest).c_str());
  return parts;
}

HeaderTitle SplitTitle(std::string_view title) {
  HeaderTitle out;
  size_t tab = title.find('\t');
  out.text = std::string(title.substr(0, tab));
  if (tab != std::string_view::npos) {
    std::string colour(title.substr(tab + 1));
    out.colour = static_cast<uint32_t>(std::strtoul(colour.c_str(), nullptr, 10));
  }
  size_t start = 0;
  for (;;) {
    size_t cr = out.text.find('\r', start);
    std::string line =
        out.text.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    out.lines.push_back(line);
    if (cr == std::string::npos) break;
    start = cr + 1;
  }
  return out;
}

HotSpot IsHotSpot(int x, int y, const HeaderGeometry& g, const std::vector<int>& aTabs,
                  int nFixSpalten, bool colResize, bool colChange) {
  const ListRect& l = g.list;
  const bool inWidth = x >= l.left && x <= l.right();
  if (inWidth && y > l.bottom() && y <= l.bottom() + 3 * g.rowHeight) {
    return {HotSpotKind::kBelowList, -1};
  }
  if (!inWidth || y < l.top - g.headerHeight || y >= l.top) return {};
  const int xs = x - g.hOffset - l.left;
  // The filler (last column) and the last boundary are never candidates.
  const int candidates = static_cast<int>(aTabs.size()) - 2;
  if (colResize) {
    for (int c = 0; c < candidates; ++c) {
      if (std::abs(xs - aTabs[c + 1]) <= kResizeGrip) return {HotSpotKind::kResize, c};
    }
  }
  if (colChange) {
    for (int c = 0; c < candidates; ++c) {
      if (xs > aTabs[c] + kMoveInset && xs < aTabs[c + 1] - kMoveInset) {
        return {c < nFixSpalten ? HotSpotKind::kFixed : HotSpotKind::kMove, c};
      }
    }
  }
  return {};
}

std::optional<std::vector<int>> ResizeColumn(const std::vector<int>& aTabs, int column, int x,
                                             const HeaderGeometry& g, int listClientWidth) {
  if (x < g.list.left + 10) return std::nullopt;
  if (column < 0 || column + 1 >= static_cast<int>(aTabs.size())) return std::nullopt;
  std::vector<int> tabs = aTabs;
  const int old = tabs[column + 1];
  const int wanted = x - g.hOffset - g.list.left;
  const int moved = std::max(tabs[column] + kMinColumnWidth, wanted);
  const int d = moved - old;
  for (size_t i = column + 1; i < tabs.size(); ++i) tabs[i] += d;
  const size_t last = tabs.size() - 1;
  if (last >= 1) tabs[last] = std::max(listClientWidth - g.hOffset, tabs[last - 1]);
  std::vector<int> widths;
  for (size_t i = 0; i + 1 < tabs.size(); ++i) widths.push_back(tabs[i + 1] - tabs[i]);
  return widths;
}

std::optional<int> MoveTarget(const std::vector<int>& aTabs, int column, int x,
                              const HeaderGeometry& g, int nFixSpalten) {
  const int columns = static_cast<int>(aTabs.size()) - 2;  // without the filler
  if (columns <= 0) return std::nullopt;
  int target = -1;
  if (x < g.list.left || x > 32000) {
    target = 0;
  } else {
    const int xs = x - g.hOffset - g.list.left;
    for (int c = 0; c < columns; ++c) {
      if (xs >= aTabs[c] && xs < aTabs[c + 1]) target = c;
    }
    if (target < 0) {
      for (int c = columns - 1; c >= 0 && target < 0; --c) {
        if (aTabs[c + 1] > aTabs[c]) target = c;
      }
    }
  }
  if (target < 0) return std::nullopt;
  target = std::max(target, nFixSpalten);
  if (target == column || target >= columns) return std::nullopt;
  return target;
}

void MoveColumn(std::vector<BrowseColumn>& columns, int from, int to) {
  if (from < 0 || to < 0 || from >= static_cast<int>(columns.size()) ||
      to >= static_cast<int>(columns.size()) || from == to) {
    return;
  }
  BrowseColumn moving = std::move(columns[from]);
  columns.erase(columns.begin() + from);
  columns.insert(columns.begin() + to, std::move(moving));
}

ListLayout LayoutList(const ListLayoutInput& in) {
  ListLayout out;
  const int left = in.resource.left + in.markerWidth;
  const int top = in.resource.top + in.headerHeight + 4;
  const int right = in.resource.right() - in.vScrollWidth;
  const int hBar = in.lHScroll ? in.hScrollHeight : 0;
  const int height = in.resource.bottom() - top;
  const int rowHeight = std::max(1, in.rowHeight);
  out.rows = std::max(2, (height - hBar - in.frameHeight) / rowHeight);
  out.list = {left, top, right - left, out.rows * rowHeight + hBar + in.frameHeight};
  out.scrollBar = {left + out.list.width + 2, top, in.vScrollWidth, out.rows * rowHeight - 1};
  return out;
}

std::optional<ResizeResult> NewSizeRule(ResizeState& s, int width, int height) {
  if (height <= 100 || (width == s.lastWidth && height == s.lastHeight)) return std::nullopt;
  s.lastWidth = width;
  s.lastHeight = height;
  const int rowHeight = std::max(1, s.rowHeight);
  const int fixed = s.listHeight - s.nGesamt * rowHeight;
  if (s.nLbBelow < 0) s.nLbBelow = s.dialogHeight - s.listHeight;
  ResizeResult r;
  r.listWidth = s.listWidth + (width - s.dialogWidth);
  const int available = height - s.nLbBelow;
  r.nGesamt = std::max(2, (available - fixed) / rowHeight);
  r.listHeight = fixed + r.nGesamt * rowHeight;
  r.widthChange = r.listWidth - s.listWidth;
  r.heightChange = r.listHeight - s.listHeight;
  s.listWidth = r.listWidth;
  s.listHeight = r.listHeight;
  s.nGesamt = r.nGesamt;
  s.dialogWidth = width;
  s.dialogHeight = height;
  return r;
}

}  // namespace tabrix
