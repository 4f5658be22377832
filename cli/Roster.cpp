#include "cli/Roster.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

// fast-cpp-csv-parser copies file names into fixed buffers with strncpy,
// meaning to cut them; GCC's check of that copy, made after inlining, reaches
// through the system folder's silence. (It also declares `char*(row[n])`,
// which -Wparentheses takes up where the folder is not a system one.)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#pragma GCC diagnostic ignored "-Wparentheses"
#endif
#include <libfccp/csv.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "cli/CameraText.h"
#include "platform/FileText.h"

namespace zul::cli {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr std::size_t kColumns = 1 + kRosterFields.size();  // serial first

// Quoted fields, a quote inside one doubled; nothing trimmed, so that a text
// reaches the camera as the cell holds it; blank lines passed over.
using CsvReader = io::CSVReader<kColumns, io::trim_chars<>, io::double_quote_escape<',', '"'>,
                                io::throw_on_overflow, io::empty_line_comment>;

// The column names, by their place in a row: serial, then kRosterFields.
const std::array<std::string, kColumns> kColumnNames = [] {
  std::array<std::string, kColumns> names{"serial"};
  for (std::size_t i = 0; i < kRosterFields.size(); ++i) names[i + 1] = kRosterFields[i].name;
  return names;
}();

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// What the operator is shown of a name or serial number from the roster.
std::string Quoted(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      shown += '?';  // a control character has no business in a message
    } else {
      shown += static_cast<char>(c);
    }
  }
  return "\"" + shown + "\"";
}

// Each serial number in one row only.
bool CheckSerials(const Roster& roster, const std::string& name, std::string& error) {
  std::map<std::string, std::vector<std::string>> rowsOf;
  for (const RosterRow& row : roster) rowsOf[row.serial].push_back(row.where);
  for (const RosterRow& row : roster) {
    const std::vector<std::string>& rows = rowsOf[row.serial];
    if (rows.size() < 2) continue;
    std::string where;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      where += (i == 0 ? "" : i + 1 == rows.size() ? " and " : ", ") + rows[i];
    }
    error = name + ": serial number " + Quoted(row.serial) + " is in " + where;
    return false;
  }
  return true;
}

// The header's column names as the file spells them, by their place in a row
// (empty for a column the file lacks); the fields are split by the reader's
// own quote rule. Columns without a name are left for the reader to pass over.
bool ReadHeader(std::string_view text, const std::string& name,
                std::array<std::string, kColumns>& spelt, std::string& error) {
  std::string line(text.substr(0, text.find('\n')));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::vector<std::string> unknown;
  char* rest = line.data();
  while (rest) {
    char *begin = nullptr, *end = nullptr;
    io::detail::chop_next_column<io::double_quote_escape<',', '"'>>(rest, begin, end);
    io::double_quote_escape<',', '"'>::unescape(begin, end);
    const std::string column(begin, end);
    if (Trimmed(column).empty()) continue;  // a spreadsheet's unused column: passed over
    const auto known = std::find(kColumnNames.begin(), kColumnNames.end(), Lower(Trimmed(column)));
    if (known == kColumnNames.end()) {
      unknown.push_back(Quoted(column));
      continue;
    }
    std::string& slot = spelt[known - kColumnNames.begin()];
    if (!slot.empty()) {
      error = name + ": the header names " + *known + " twice";
      return false;
    }
    slot = column;
  }
  if (!unknown.empty()) {
    std::string list;
    for (const std::string& u : unknown) list += (list.empty() ? "" : ", ") + u;
    error = name + ": unknown column" + (unknown.size() > 1 ? "s " : " ") + list +
            " (the columns are serial, officer, department, additional, hint)";
    return false;
  }
  if (spelt[0].empty()) {
    error = name + ": the header row has no serial column";
    return false;
  }
  return true;
}

bool ParseCsv(std::string_view text, const std::string& name, Roster& roster, std::string& error) {
  std::array<std::string, kColumns> spelt;
  if (!ReadHeader(text, name, spelt, error)) return false;
  std::array<std::string, kColumns> header;  // a missing column keeps its own name
  for (std::size_t i = 0; i < kColumns; ++i)
    header[i] = spelt[i].empty() ? kColumnNames[i] : spelt[i];

  CsvReader reader(name, text.data(), text.data() + text.size());
  reader.read_header(io::ignore_missing_column | io::ignore_extra_column, header[0], header[1],
                     header[2], header[3], header[4]);
  std::array<char*, kColumns> cells{};
  while (reader.read_row(cells[0], cells[1], cells[2], cells[3], cells[4])) {
    if (std::all_of(cells.begin(), cells.end(), [](const char* c) { return !c || !*c; })) {
      continue;  // a spreadsheet's empty row, saved as commas
    }
    RosterRow row;
    row.where = "row " + std::to_string(reader.get_file_line());
    row.serial = Trimmed(cells[0]);
    if (row.serial.empty()) {
      error = name + ": " + row.where + ": no serial number";
      return false;
    }
    for (std::size_t i = 0; i < kRosterFields.size(); ++i) {
      if (!spelt[i + 1].empty()) row.texts[i] = cells[i + 1] ? cells[i + 1] : "";
    }
    roster.push_back(std::move(row));
    cells.fill(nullptr);
  }
  return true;
}

// The first key an object holds twice, with the entry (the top array's
// element, from 1) it is in: the parser itself would keep the last one
// quietly, and a row would go to another camera than it says first.
struct RepeatedKey {
  std::size_t entry = 0;  // 0: none
  std::string key;
};

nlohmann::json ParseNotingRepeats(std::string_view text, RepeatedKey& repeated) {
  std::vector<std::set<std::string>> keysOf;  // by open object, innermost last
  std::size_t entry = 0;
  const nlohmann::json::parser_callback_t noteRepeats =
      [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        using Event = nlohmann::json::parse_event_t;
        // Depth 1 is an element of the top array, whatever its kind.
        if (depth == 1 && (event == Event::object_start || event == Event::array_start ||
                           event == Event::value)) {
          ++entry;
        }
        if (event == Event::object_start) keysOf.emplace_back();
        if (event == Event::object_end && !keysOf.empty()) keysOf.pop_back();
        if (event == Event::key && !keysOf.empty()) {
          std::string key = parsed.get<std::string>();
          if (!keysOf.back().insert(key).second && repeated.entry == 0) {
            repeated = {entry, std::move(key)};
          }
        }
        return true;
      };
  return nlohmann::json::parse(text, noteRepeats, false);
}

bool ParseJson(std::string_view text, const std::string& name, Roster& roster, std::string& error) {
  RepeatedKey repeated;
  const nlohmann::json json = ParseNotingRepeats(text, repeated);
  if (json.is_discarded()) {
    error = name + ": not valid JSON";
    return false;
  }
  if (json.is_array() && repeated.entry != 0) {
    error = name + ": entry " + std::to_string(repeated.entry) + ": holds the key " +
            Quoted(repeated.key) + " twice";
    return false;
  }
  if (!json.is_array()) {
    error = name + ": must be a JSON array of objects, one a camera";
    return false;
  }
  for (std::size_t n = 0; n < json.size(); ++n) {
    const nlohmann::json& entry = json[n];
    RosterRow row;
    row.where = "entry " + std::to_string(n + 1);
    const std::string at = name + ": " + row.where + ": ";
    if (!entry.is_object()) {
      error = at + "must be an object";
      return false;
    }
    for (const auto& [key, value] : entry.items()) {
      const auto known = std::find(kColumnNames.begin(), kColumnNames.end(), key);
      if (known == kColumnNames.end()) {
        error = at + "unknown key " + Quoted(key) +
                " (the keys are serial, officer, department, additional, hint)";
        return false;
      }
      if (!value.is_string()) {
        error = at + key + ": must be a text";
        return false;
      }
      const std::size_t column = known - kColumnNames.begin();
      if (column == 0) {
        row.serial = Trimmed(value.get<std::string>());
      } else {
        row.texts[column - 1] = value.get<std::string>();
      }
    }
    if (row.serial.empty()) {
      error = at + "no serial number";
      return false;
    }
    roster.push_back(std::move(row));
  }
  return true;
}

}  // namespace

bool ParseRoster(std::string_view text, const std::string& name, Roster& roster,
                 std::string& error) {
  roster.clear();
  if (text.substr(0, 3) == kBom) text.remove_prefix(3);
  // The CSV reader takes its fields as C strings: a zero byte would end one
  // early and quietly drop the rest.
  if (text.find('\0') != std::string_view::npos) {
    error = name + ": holds a zero byte; a roster is a text file (CSV or JSON)";
    return false;
  }
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const bool json = first != std::string_view::npos && (text[first] == '[' || text[first] == '{');
  bool ok = false;
  try {
    ok = json ? ParseJson(text, name, roster, error) : ParseCsv(text, name, roster, error);
  } catch (const io::error::base& e) {
    // The reader's own messages, in the roster's words: its lines are the
    // spreadsheet's rows (the header's own split knows no line: row 1).
    const auto* line = dynamic_cast<const io::error::with_file_line*>(&e);
    const std::string row =
        "row " + std::to_string(line && line->file_line > 0 ? line->file_line : 1) + ": ";
    if (dynamic_cast<const io::error::escaped_string_not_closed*>(&e)) {
      error = name + ": " + row + "a quoted field is not closed (a field holds no line break)";
    } else if (dynamic_cast<const io::error::too_many_columns*>(&e)) {
      error = name + ": " + row + "more fields than the header row names";
    } else if (dynamic_cast<const io::error::too_few_columns*>(&e)) {
      error = name + ": " + row + "fewer fields than the header row names";
    } else {
      error = name + ": " + e.what();
    }
  }
  ok = ok && CheckSerials(roster, name, error);
  if (!ok) roster.clear();
  return ok;
}

bool ReadRoster(const std::string& path, Roster& roster, std::string& error) {
  std::string text;
  if (!platform::ReadFileText(path, text)) {
    error = path + ": cannot be read";
    return false;
  }
  return ParseRoster(text, path, roster, error);
}

std::optional<std::array<std::optional<std::string>, kRosterFields.size()>> CameraTexts(
    const RosterRow& row, std::string& refusal) {
  std::array<std::optional<std::string>, kRosterFields.size()> bytes;
  for (std::size_t i = 0; i < kRosterFields.size(); ++i) {
    if (!row.texts[i]) continue;
    std::string why;
    bytes[i] = CameraText(*row.texts[i], why);
    if (!bytes[i]) {
      refusal = row.where + ": " + kRosterFields[i].name + " " + why;
      return std::nullopt;
    }
  }
  return bytes;
}

}  // namespace zul::cli
