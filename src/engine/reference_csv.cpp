#include "engine/reference_csv.h"

#include "base/file_io.h"
#include "base/result_codes.h"
#include "base/text_encoding.h"

#include <cstdint>
#include <map>
#include <optional>

namespace tintara {
namespace {

constexpr const char* kHeader = "set,name,area,r,g,b,w";
constexpr size_t kColumnCount = 7;
constexpr uint32_t kMaxValue = 65535;
// Set numbers are only labels, but keep them to a size that cannot overflow while parsing.
constexpr uint32_t kMaxSetNumber = 999999999;

// A refusal of the source at a line: the detail starts with the line, as every message about the
// source does.
Error InvalidAt(int line, const std::string& problem) {
  return Error(kReferenceSourceInvalid, "line " + std::to_string(line) + ": " + problem);
}

struct Record {
  int line = 0;  // line on which the record starts
  std::vector<std::string> fields;
};

// Splits CSV text into records. Quoted fields may hold commas, doubled quotes and line breaks;
// lines end in LF or CRLF, and the last one need not end at all. Blank lines are skipped, so a
// stray empty line at the end of a hand-edited file does no harm.
Error SplitRecords(const std::string& text, std::vector<Record>& records) {
  size_t pos = 0;
  int line = 1;
  // Spreadsheet programs like to put a byte order mark in front of UTF-8 text.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;

  while (pos < text.size()) {
    if (text[pos] == '\n' || text.compare(pos, 2, "\r\n") == 0) {
      pos += text[pos] == '\n' ? 1 : 2;
      ++line;
      continue;
    }
    if (text.compare(pos, std::string::npos, "\r") == 0) break;
    Record record;
    record.line = line;
    std::string field;
    bool record_done = false;
    while (!record_done) {
      field.clear();
      if (pos < text.size() && text[pos] == '"') {
        const int quote_line = line;
        ++pos;
        for (;;) {
          if (pos >= text.size()) return InvalidAt(quote_line, "quoted field is never closed");
          const char c = text[pos++];
          if (c == '"') {
            if (pos < text.size() && text[pos] == '"') {
              field += '"';
              ++pos;
            } else {
              break;
            }
          } else {
            if (c == '\n') ++line;
            field += c;
          }
        }
        // After the closing quote only a separator or the end of the record may follow.
        if (pos < text.size() && text[pos] == '\r' &&
            (pos + 1 == text.size() || text[pos + 1] == '\n')) {
          ++pos;
        }
        if (pos < text.size() && text[pos] != ',' && text[pos] != '\n') {
          return InvalidAt(line, "unexpected text after a closing quote");
        }
      } else {
        while (pos < text.size() && text[pos] != ',' && text[pos] != '\n') {
          if (text[pos] == '"') return InvalidAt(line, "quote inside an unquoted field");
          field += text[pos++];
        }
        if (!field.empty() && field.back() == '\r' && (pos >= text.size() || text[pos] == '\n')) {
          field.pop_back();
        }
      }
      record.fields.push_back(field);
      if (pos < text.size() && text[pos] == ',') {
        ++pos;
      } else {
        if (pos < text.size()) {  // the '\n' ending the record
          ++pos;
          ++line;
        }
        record_done = true;
      }
    }
    records.push_back(std::move(record));
  }
  return kOk;
}

// Plain decimal digits only: a sign, a space or a fraction in a colour value is a typing error the
// user wants to hear about, not something to round away.
std::optional<uint32_t> ParseNumber(const std::string& s, uint32_t max) {
  if (s.empty() || s.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > max) return std::nullopt;
  return static_cast<uint32_t>(value);
}

bool IsNumber(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

struct PendingSet {
  int first_line = 0;
  std::string name;
  // area -> entry; a map so the areas come out in order and duplicates are easy to see.
  std::map<uint32_t, ReferenceEntry> areas;
};

// A name as the CSV writes it: escaped, then quoted when it holds a comma or a quote. After the
// escaping no line break is left to quote.
std::string NameField(const std::string& name) {
  const std::string escaped = EscapeControlCharacters(name);
  if (escaped.find_first_of(",\"") == std::string::npos) return escaped;
  std::string out = "\"";
  for (char c : escaped) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The name a field spells, undoing NameField's escapes; a refusal at `line` for a raw control
// character or a backslash that starts no known escape.
Error UnescapeName(const std::string& field, int line, std::string& name) {
  name.clear();
  for (size_t i = 0; i < field.size(); ++i) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (c < 0x20 || c == 0x7F) {
      return InvalidAt(line, "the name holds a control character; write it as " +
                                 EscapeControlCharacters(field.substr(i, 1)));
    }
    if (c != '\\') {
      name += field[i];
      continue;
    }
    const char next = i + 1 < field.size() ? field[i + 1] : '\0';
    if (next == '\\' || next == 'n' || next == 't' || next == 'r') {
      name += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : '\\';
      i += 1;
    } else if (next == 'x' && i + 3 < field.size() && HexDigit(field[i + 2]) >= 0 && HexDigit(field[i + 3]) >= 0) {
      name += static_cast<char>(HexDigit(field[i + 2]) * 16 + HexDigit(field[i + 3]));
      i += 3;
    } else {
      return InvalidAt(line, "the name holds a backslash that starts no escape (\\\\, \\n, \\t, \\r or \\xHH)");
    }
  }
  return kOk;
}

}  // namespace

Error ParseReferenceCsv(const std::string& text, ReferenceSetList& sets) {
  sets.clear();

  std::vector<Record> records;
  if (Error split = SplitRecords(text, records); split.failed()) return split;
  if (records.empty()) return InvalidAt(1, "the header line \"" + std::string(kHeader) + "\" is missing");

  const Record& header = records.front();
  std::string joined;
  for (size_t i = 0; i < header.fields.size(); ++i) joined += (i ? "," : "") + header.fields[i];
  if (joined != kHeader || header.fields.size() != kColumnCount) {
    return InvalidAt(header.line, "the header must read \"" + std::string(kHeader) + "\"");
  }

  static const char* const kColumnNames[kColumnCount] = {"set", "name", "area", "r", "g", "b", "w"};
  std::vector<PendingSet> pending;
  std::map<uint32_t, size_t> index_of_set;  // set number -> position in `pending`

  for (size_t r = 1; r < records.size(); ++r) {
    const Record& rec = records[r];
    if (rec.fields.size() != kColumnCount) {
      return InvalidAt(rec.line, "expected " + std::to_string(kColumnCount) + " columns, found " +
                                     std::to_string(rec.fields.size()));
    }

    uint32_t numbers[kColumnCount] = {};
    for (size_t c = 0; c < kColumnCount; ++c) {
      if (c == 1) continue;  // the name
      const uint32_t max = c == 0   ? kMaxSetNumber
                           : c == 2 ? static_cast<uint32_t>(kK7EntryCount - 1)
                                    : kMaxValue;
      const std::optional<uint32_t> value = ParseNumber(rec.fields[c], max);
      if (!value) {
        const std::string column = std::string("column ") + kColumnNames[c] + " ";
        if (!IsNumber(rec.fields[c])) {
          return InvalidAt(rec.line, column + "is not a whole number: \"" +
                                         EscapeControlCharacters(rec.fields[c]) + "\"");
        }
        return InvalidAt(rec.line,
                         column + "is out of range (0.." + std::to_string(max) + "): " + rec.fields[c]);
      }
      numbers[c] = *value;
    }

    std::string name;
    if (Error unescaped = UnescapeName(rec.fields[1], rec.line, name); unescaped.failed()) return unescaped;
    const uint32_t set_number = numbers[0];
    auto [it, inserted] = index_of_set.try_emplace(set_number, pending.size());
    if (inserted) {
      pending.push_back(PendingSet{rec.line, name, {}});
    }
    PendingSet& set = pending[it->second];
    if (set.name != name) {
      return InvalidAt(rec.line, "set " + std::to_string(set_number) + " is named \"" +
                                     EscapeControlCharacters(name) + "\" here but \"" +
                                     EscapeControlCharacters(set.name) + "\" on line " +
                                     std::to_string(set.first_line));
    }
    const uint32_t area = numbers[2];
    const ReferenceEntry entry{static_cast<uint16_t>(numbers[3]), static_cast<uint16_t>(numbers[4]),
                               static_cast<uint16_t>(numbers[5]),
                               static_cast<uint16_t>(numbers[6])};
    if (!set.areas.emplace(area, entry).second) {
      return InvalidAt(rec.line, "set " + std::to_string(set_number) + " has area " + std::to_string(area) + " twice");
    }
  }

  for (size_t i = 0; i < pending.size(); ++i) {
    PendingSet& set = pending[i];
    const int count = static_cast<int>(set.areas.size());
    const std::string which = "set \"" + EscapeControlCharacters(set.name) + "\" ";
    if (count != kK7EntryCount && count != kK3EntryCount) {
      return InvalidAt(set.first_line, which + "has " + std::to_string(count) + " areas; a set needs " +
                                           std::to_string(kK7EntryCount) + " or " + std::to_string(kK3EntryCount));
    }
    // With `count` distinct areas, the last one being count-1 means all of 0..count-1 are there.
    if (set.areas.rbegin()->first != static_cast<uint32_t>(count - 1)) {
      uint32_t missing = 0;
      while (set.areas.count(missing)) ++missing;
      return InvalidAt(set.first_line, which + "lacks area " + std::to_string(missing) + " (areas must run 0.." +
                                           std::to_string(count - 1) + ")");
    }
    if (set.name.size() > 255) return InvalidAt(set.first_line, which + "has a name longer than 255 bytes");
  }

  sets.reserve(pending.size());
  for (PendingSet& p : pending) {
    ReferenceSet set;
    set.name = std::move(p.name);
    for (const auto& [area, entry] : p.areas) set.entries.push_back(entry);
    sets.push_back(std::move(set));
  }
  return kOk;
}

std::string FormatReferenceCsv(const ReferenceSetList& sets) {
  std::string out = std::string(kHeader) + "\n";
  for (size_t i = 0; i < sets.size(); ++i) {
    const std::string prefix = std::to_string(i + 1) + "," + NameField(sets[i].name) + ",";
    for (size_t area = 0; area < sets[i].entries.size(); ++area) {
      const ReferenceEntry& e = sets[i].entries[area];
      out += prefix + std::to_string(area) + "," + std::to_string(e.R) + "," + std::to_string(e.G) +
             "," + std::to_string(e.B) + "," + std::to_string(e.W) + "\n";
    }
  }
  return out;
}

Error MakeReferenceDataFile(const std::string& csvPath, const std::string& datPath) {
  // The paths go into a line of a message.
  const std::string source = EscapeControlCharacters(csvPath);
  // The source is a small hand-edited text file; anything far larger is not what the user meant.
  std::vector<uint8_t> text;
  if (const Error read = ReadWholeFile(csvPath, text); read.failed()) {
    return Error(kReferenceSourceInvalid,
                 read == kFileTooLarge ? source + " is too large to be reference data" : "cannot read " + source);
  }
  ReferenceSetList sets;
  std::vector<uint8_t> bytes;
  Error made = ParseReferenceCsv(std::string(text.begin(), text.end()), sets);
  if (made.ok()) made = EncodeReferenceData(sets, bytes);
  if (made.failed()) return Error(made.code(), source + ": " + made.detail());
  // A file the program cannot load back is worse than none.
  ReferenceSetList check;
  if (ParseReferenceData(check, bytes.data(), bytes.size()).failed() || check != sets) {
    return Error(kReferenceDataWriteFailed, "internal error: the encoded reference data does not read back the same");
  }
  if (WriteFileAtomically(datPath, bytes).failed()) {
    return Error(kReferenceDataWriteFailed, "cannot write " + EscapeControlCharacters(datPath));
  }
  return kOk;
}

}  // namespace tintara
