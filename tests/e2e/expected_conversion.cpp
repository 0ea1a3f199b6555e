#include "e2e/expected_conversion.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tabrix::e2e {

namespace {

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Stored in a character field of the given width: cut or padded with blanks.
std::string Fit(const std::string& s, int width) {
  std::string r = s.substr(0, static_cast<size_t>(width));
  r.resize(static_cast<size_t>(width), ' ');
  return r;
}

}  // namespace

bool IsEmptyText(const std::string& s) {
  for (char c : s) {
    if (!IsWhite(c)) return false;
  }
  return true;
}

std::string TrimLeft(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && IsWhite(s[i])) ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

std::string TrimBoth(const std::string& s) {
  return TrimRight(TrimLeft(s));
}

std::string UpperGerman(const std::string& s) {
  std::string r = s;
  for (char& c : r) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') c = static_cast<char>(b - 32);
    if (b == 0x84) c = '\x8E';  // ä
    if (b == 0x94) c = '\x99';  // ö
    if (b == 0x81) c = '\x9A';  // ü
  }
  return r;
}

std::string TextForm(const DbfFile& table, size_t record, int field) {
  const DbfField& f = table.Field(field);
  const std::string raw = table.Raw(record, field);
  switch (f.type) {
    case 'M':
      return table.Memo(record, field);
    case 'N':
    case 'F': {
      const double v = NumericValue(raw);
      char text[64];
      std::snprintf(text, sizeof text, "%*.*f", f.length, f.decimals, std::fabs(v));
      return v < 0 ? std::string(text) + " DB" : std::string(text);
    }
    case 'D':
      if (IsEmptyText(raw)) return "  .  .    ";
      return raw.substr(6, 2) + "." + raw.substr(4, 2) + "." + raw.substr(0, 4);
    case 'L':
      return (raw == "T" || raw == "t" || raw == "Y" || raw == "y") ? "T" : "F";
    default:
      return raw;
  }
}

std::string NotesLayout(const std::string& v) {
  std::string r = "\t";
  bool atLineStart = true;
  for (size_t i = 0; i + 1 < v.size(); ++i) {
    char c = v[i];
    if (c == '\r' && v[i + 1] != '\n') {
      r = TrimRight(r) + "\r\n";
      atLineStart = true;
      c = ' ';
    }
    if (!(atLineStart && c == ' ')) {
      atLineStart = false;
      r += c;
    }
    if (!r.empty() && r.back() == '\n') {
      atLineStart = true;
      r += "\t\t";
    }
  }
  if (!v.empty()) r += v.back();
  return r;
}

std::string SortKey(const std::string& s) {
  std::string r;
  for (char c : UpperGerman(TrimBoth(s))) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0xE1) {
      r += "SS";
    } else if (b == 0x8E) {
      r += "AE";
    } else if (b == 0x99) {
      r += "OE";
    } else if (b == 0x9A) {
      r += "UE";
    } else if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      r += c;
    }
  }
  return r;
}

double NumericValue(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  std::string number;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) number += s[i++];
  bool point = false, digits = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      number += s[i];
      digits = true;
    } else if (s[i] == '.' && !point) {
      number += s[i];
      point = true;
    } else {
      break;
    }
  }
  return digits ? std::strtod(number.c_str(), nullptr) : 0.0;
}

long CustomerNumber(const std::string& plz, const std::string& plz2, const std::string& muster,
                    const std::string& p1a) {
  std::string prefix;
  const bool plzEmpty = IsEmptyText(plz);
  if (muster == "A" && plzEmpty && !IsEmptyText(plz2)) {
    prefix = plz2.substr(0, 2);
  } else if (p1a == "N" && !plz.empty() && plz[0] != '0' && !plzEmpty) {
    prefix = plz.substr(0, 2);
  } else {
    prefix = plzEmpty ? "12" : "11";
    if (!plz.empty() && plz[0] == '0') prefix = "13";
  }
  if (NumericValue(prefix) < 10) prefix = "13";
  return static_cast<long>(NumericValue(prefix)) * 10000;
}

std::string DigitsOnly(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c >= '0' && c <= '9') r += c;
  }
  return r;
}

const std::vector<Slot>& Slots() {
  static const std::vector<Slot> slots = {
      {2, "Name"},      {25, "Name2"}, {30, "Anrede"}, {4, "PLZ"},         {5, "PLZ2"},
      {12, "Postfach"}, {7, "Straße"}, {6, "Ort"},     {28, "Land"},       {8, "Telefon"},
      {10, "Telefax"},  {9, "Mobil"},  {11, "E-Mail"}, {24, "Sortbegriff"}};
  return slots;
}

ExpectedConversion ExpectConversion(const DbfFile& source, const DbfFile& countries,
                                    const DbfFile& templ, const ConversionPlan& plan) {
  ExpectedConversion out;
  out.targetFields = templ.fields;
  auto target = [&](const char* name) { return templ.FieldNumber(name); };
  const int firma = target("FIRMA"), land = target("LAND"), plzF = target("PLZ"),
            plz2F = target("PLZ2"), ort = target("ORT"), telefon = target("TELEFON"),
            sp1 = target("SP1"), fsort = target("FSORT"), kdnr = target("KUNDEN_NR"),
            sp3 = target("SP3"), anwend1 = target("ANWEND1"), anwend2 = target("ANWEND2"),
            anldat = target("ANLDAT"), aenddat = target("AENDDAT"), bemerkung = target("BEMERKUNG"),
            notiz = target("NOTIZ");

  const int landn = countries.FieldNumber("LANDN"), muster = countries.FieldNumber("MUSTER"),
            p1a = countries.FieldNumber("P1A");
  std::vector<size_t> countryRecords;
  for (size_t r = 0; r < countries.RecordCount(); ++r) {
    if (countries.Deleted(r)) continue;
    out.countries.push_back(countries.Raw(r, landn));
    countryRecords.push_back(r);
  }
  const int countryCount = static_cast<int>(out.countries.size());

  auto blankRecord = [&] {
    std::vector<std::string> rec;
    for (const DbfField& f : templ.fields) {
      rec.push_back(f.type == 'M' ? std::string()
                                  : std::string(static_cast<size_t>(f.length), ' '));
    }
    return rec;
  };
  auto put = [&](std::vector<std::string>& rec, int field, const std::string& text) {
    const DbfField& f = templ.Field(field);
    rec[static_cast<size_t>(field - 1)] = f.type == 'M' ? text : Fit(text, f.length);
  };
  auto get = [&](const std::vector<std::string>& rec, int field) -> const std::string& {
    return rec[static_cast<size_t>(field - 1)];
  };

  std::vector<CountryLink> links;
  int replacement = -1;
  bool appendNext = true;
  for (size_t r = 0; r < source.RecordCount(); ++r) {
    if (source.Deleted(r)) continue;
    const auto recordNumber = static_cast<unsigned>(r + 1);
    if (appendNext) out.records.push_back(blankRecord());
    appendNext = true;
    std::vector<std::string>& rec = out.records.back();

    for (const auto& [field, sourceField] : plan.assignment.slots) {
      if (field >= 1 && field <= 30 && sourceField > 0) {
        put(rec, field, TextForm(source, r, sourceField));
      }
    }
    const auto name = plan.assignment.slots.find(firma);
    if (name != plan.assignment.slots.end()) put(rec, firma, TextForm(source, r, name->second));
    if (IsEmptyText(get(rec, firma))) {
      if (replacement == -1) {
        out.replacementAskedAt = recordNumber;
        replacement = plan.replacementField;
      }
      if (replacement > 0) put(rec, firma, TextForm(source, r, replacement));
    }
    if (IsEmptyText(get(rec, firma))) {
      appendNext = false;
      out.skipped.push_back(recordNumber);
      continue;
    }
    ++out.accepted;
    if (IsEmptyText(get(rec, sp1))) put(rec, sp1, get(rec, firma));
    put(rec, fsort, SortKey(get(rec, sp1)));

    int country = 0;
    if (plan.defaultCountry > 0) {
      country = plan.defaultCountry;
    } else {
      const std::string key = UpperGerman(TrimBoth(get(rec, land)));
      for (int i = 0; i < countryCount && country == 0; ++i) {
        if (UpperGerman(TrimRight(out.countries[static_cast<size_t>(i)])) == key) country = i + 1;
      }
      bool fileLoaded = false;
      while (country == 0) {
        for (const CountryLink& link : links) {
          if (UpperGerman(link.designation) == UpperGerman(get(rec, land)) && link.position >= 1 &&
              link.position <= countryCount) {
            country = link.position;
            break;
          }
        }
        if (country != 0) break;
        out.questions.push_back(get(rec, land));
        out.questionRecords.push_back(recordNumber);
        if (plan.loadLinksAtFirstQuestion && out.questions.size() == 1 && !fileLoaded) {
          links = plan.linkFile;
          fileLoaded = true;
          continue;
        }
        const int choice = plan.answer ? plan.answer(get(rec, land)) : 0;
        if (choice < 1 || choice > countryCount)
          break;  // the test has no answer: nothing to expect
        links.push_back({get(rec, land), choice});
      }
    }
    if (country > 0) put(rec, land, out.countries[static_cast<size_t>(country - 1)]);

    if (plan.assignment.postalCodeFromCity) {
      const std::string s = TrimLeft(get(rec, ort));
      const size_t blank = s.find(' ');
      if (blank != std::string::npos) {
        const std::string rest = TrimBoth(s.substr(blank + 1));
        if (!rest.empty()) {
          put(rec, ort, rest);
          put(rec, plzF, s.substr(0, blank));
        }
      }
    }
    std::string flagA, flagN;
    if (country > 0) {
      const size_t cr = countryRecords[static_cast<size_t>(country - 1)];
      flagA = countries.Raw(cr, muster);
      flagN = countries.Raw(cr, p1a);
    }
    const long number = CustomerNumber(get(rec, plzF), get(rec, plz2F), flagA, flagN);
    char numberText[32];
    std::snprintf(numberText, sizeof numberText, "%*ld", templ.Field(kdnr).length, number);
    put(rec, kdnr, numberText);
    put(rec, sp3, DigitsOnly(get(rec, telefon)));
    put(rec, anwend1, "XYZ");
    put(rec, anldat, plan.date);
    put(rec, anwend2, "XYZ");
    put(rec, aenddat, plan.date);

    std::string remark;
    for (int f : plan.assignment.remark) {
      const std::string v = TrimBoth(TextForm(source, r, f));
      if (IsEmptyText(v)) continue;
      if (!remark.empty()) remark += "; ";
      remark += v;
    }
    put(rec, bemerkung, remark);

    std::string notes;
    for (int f : plan.assignment.notes) {
      const std::string v = TextForm(source, r, f);
      if (IsEmptyText(v)) continue;
      std::string label = source.Field(f).name;
      if (label.empty() || label.back() != ':') label += ':';
      notes += label + NotesLayout(v) + "\r\n";
    }
    put(rec, notiz, notes);
  }
  out.links = links;
  return out;
}

std::string AssignmentFileBytes(const FieldAssignment& a) {
  std::string b = "Tabrix-ZWS";
  auto put16 = [&](int v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
  };
  for (int t = 1; t <= 50; ++t) {
    const auto it = a.slots.find(t);
    put16(it == a.slots.end() ? 0 : it->second);
  }
  put16(static_cast<int>(a.remark.size()));
  for (int f : a.remark) put16(f);
  put16(static_cast<int>(a.notes.size()));
  for (int f : a.notes) put16(f);
  b += a.postalCodeFromCity ? '1' : '0';
  return b;
}

std::string LinkFileBytes(const std::vector<CountryLink>& links) {
  std::string b = "Tabrix-LVK";
  for (const CountryLink& link : links) {
    char head[16], tail[16];
    std::snprintf(head, sizeof head, "%3d", static_cast<int>(link.designation.size()));
    std::snprintf(tail, sizeof tail, "%4d\r\n", link.position);
    b += head + link.designation + tail;
  }
  return b;
}

std::string Cp850ToUtf8(const std::string& s) {
  static const unsigned short high[128] = {
      0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
      0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
      0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1,
      0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD,
      0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2,
      0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534,
      0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
      0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
      0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4,
      0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD,
      0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, 0x00B0,
      0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};
  std::string r;
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    const unsigned u = b < 0x80 ? b : high[b - 0x80];
    if (u < 0x80) {
      r += static_cast<char>(u);
    } else if (u < 0x800) {
      r += static_cast<char>(0xC0 | (u >> 6));
      r += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      r += static_cast<char>(0xE0 | (u >> 12));
      r += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return r;
}

std::string ExpectationsTsv(const ExpectedConversion& expected, const std::string& comment,
                            const std::string& otherDate) {
  auto escape = [](const std::string& s) {
    std::string r;
    for (char c : s) {
      switch (c) {
        case '\\':
          r += "\\\\";
          break;
        case '\t':
          r += "\\t";
          break;
        case '\r':
          r += "\\r";
          break;
        case '\n':
          r += "\\n";
          break;
        default:
          r += c;
      }
    }
    return r;
  };
  std::string out = "# " + comment + "\n";
  for (size_t i = 0; i < expected.targetFields.size(); ++i) {
    out += (i ? "\t" : "") + expected.targetFields[i].name;
  }
  out += "\n";
  for (const std::vector<std::string>& rec : expected.records) {
    for (size_t i = 0; i < expected.targetFields.size(); ++i) {
      const DbfField& f = expected.targetFields[i];
      const std::string& v = rec[i];
      std::string shown;
      switch (f.type) {
        case 'M':
          shown = v;
          break;
        case 'D': {
          auto iso = [](const std::string& d) {
            return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
          };
          if (!IsEmptyText(v)) shown = iso(v);
          if (!IsEmptyText(v) && !otherDate.empty() && otherDate != v)
            shown += "|" + iso(otherDate);
          break;
        }
        case 'C':
          shown = TrimRight(v);
          break;
        default:
          shown = TrimBoth(v);
      }
      out += (i ? "\t" : "") + escape(Cp850ToUtf8(shown));
    }
    out += "\n";
  }
  return out;
}

}  // namespace tabrix::e2e
