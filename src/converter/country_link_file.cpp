#include "converter/country_link_file.h"

#include <cmath>
#include <cstdio>

#include "converter/small_file.h"
#include "data/base/codepage.h"

namespace tabrix {

namespace {

// The numeric value of a text field: optional leading blanks, an optional sign, digits with an
// optional decimal point; reading stops at the first other character and a text without digits
// is 0. Returns nullopt unless the value is a whole number (a sign, a fraction or a huge value
// cannot be a length or a position).
std::optional<long> WholeNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long whole = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (whole > 100000000) return std::nullopt;
    whole = whole * 10 + (text[i] - '0');
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (text[i] != '0') return std::nullopt;
    }
  }
  if (negative && whole != 0) return std::nullopt;
  return whole;
}

// Takes `width` bytes from the span at pos into a text of `width` blanks; bytes beyond the end
// leave their blanks.
std::string TakeField(std::string_view bytes, std::size_t& pos, std::size_t width) {
  std::string field(width, ' ');
  const std::size_t available = pos < bytes.size() ? bytes.size() - pos : 0;
  const std::size_t n = std::min(width, available);
  field.replace(0, n, bytes.substr(pos, n));
  pos += n;
  return field;
}

}  // namespace

std::string EncodeCountryLinkFile(const std::vector<CountryLink>& links) {
  std::string out(kCountryLinkFileId);
  for (const CountryLink& link : links) {
    if (link.designationOem.size() > 999 || link.position < 1 || link.position > 9999) continue;
    char number[8];
    std::snprintf(number, sizeof number, "%3d", static_cast<int>(link.designationOem.size()));
    out += number;
    out += link.designationOem;
    std::snprintf(number, sizeof number, "%4d\r\n", link.position);
    out += number;
  }
  return out;
}

std::optional<std::vector<CountryLink>> DecodeCountryLinkFile(std::string_view bytes,
                                                              int countryCount) {
  if (bytes.substr(0, kCountryLinkFileId.size()) != kCountryLinkFileId) return std::nullopt;
  std::vector<CountryLink> links;
  std::size_t pos = kCountryLinkFileId.size();
  while (bytes.size() - pos >= 3) {
    const std::optional<long> length = WholeNumber(bytes.substr(pos, 3));
    pos += 3;
    if (!length || *length > 999) break;
    CountryLink link;
    link.designationOem = TakeField(bytes, pos, static_cast<std::size_t>(*length));
    const std::optional<long> position = WholeNumber(TakeField(bytes, pos, 6));
    if (position && *position >= 1 && *position <= countryCount) {
      link.position = static_cast<int>(*position);
      links.push_back(std::move(link));
    }
  }
  return links;
}

const CountryLink* FindCountryLink(const std::vector<CountryLink>& links, std::string_view landOem,
                                   int countryCount) {
  const std::string wanted = UpperGerman850(landOem);
  for (const CountryLink& link : links) {
    if (link.position < 1 || link.position > countryCount) continue;
    if (link.designationOem.size() == wanted.size() &&
        UpperGerman850(link.designationOem) == wanted) {
      return &link;
    }
  }
  return nullptr;
}

bool SAVELANDZUW(ConverterContext& ctx, const ConverterJobState& state, WindowHandle owner,
                 bool noQuestion) {
  ConverterUi& ui = ctx.ui;
  ui.Beep();
  if (!noQuestion && ui.ShowMessage(owner, "Wollen Sie die Länder-Verknüpfungen Speichern?",
                                    ctx.appName, MessageButtons::kYesNo) != MessageAnswer::kYes) {
    return true;
  }
  const std::optional<std::string> chosen = ChooseFileToSave(
      ctx,
      {state.CQUELLNAME + ".LVK", "Zieldatei wählen zum Speichern der Länder-Verknüpfungen",
       " Länder-Verknüpfungen Speichern", "*.LVK", true},
      owner);
  return chosen && WriteChosenFile(ctx, *chosen, EncodeCountryLinkFile(state.ALANDVERKN), owner);
}

bool OPENZUWLAND(ConverterContext& ctx, ConverterJobState& state, WindowHandle owner,
                 int countryCount) {
  ConverterUi& ui = ctx.ui;
  const std::optional<std::string> chosen =
      ChooseFileToOpen(ctx, state, " Länder-Verknüpfungen öffnen", "*.LVK");
  if (!chosen) return false;
  const std::string& path = *chosen;

  const std::optional<std::string> bytes =
      ReadChosenFile(ctx, path, kCountryLinkFileMaxBytes, owner);
  if (!bytes) return false;

  std::optional<std::vector<CountryLink>> links = DecodeCountryLinkFile(*bytes, countryCount);
  if (!links) {
    ui.Beep();
    ui.ShowMessage(owner, "Die Datei " + path + " enthält keine Länder-Verknüpfungen!", ctx.appName,
                   MessageButtons::kOk);
    return false;
  }
  state.ALANDVERKN = std::move(*links);
  return true;
}

}  // namespace tabrix
