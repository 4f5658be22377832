#pragma once
// The roster of `zulctl apply`: the texts each camera, known by its serial
// number, should hold. A CSV file as spreadsheet programs save it, or the
// same as a JSON array of objects.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cameradata/TextField.h"

namespace zul::cli {

// The texts a roster sets, in the window's order, with their column names.
struct RosterField {
  const char* name;
  TextKind kind;
};
inline constexpr std::array<RosterField, 4> kRosterFields = {{{"officer", TEXT_OFFICER},
                                                              {"department", TEXT_DEPARTMENT},
                                                              {"additional", TEXT_ADDITIONAL},
                                                              {"hint", TEXT_HINT}}};

struct RosterRow {
  std::string where;   // "row 3" (as a spreadsheet numbers it, the header row 1) or "entry 2"
  std::string serial;  // UTF-8, without blanks around it
  // By kRosterFields; UTF-8 as given. Nothing: the roster has no such column
  // (or key), and the camera keeps its text. An empty cell sets an empty text.
  std::array<std::optional<std::string>, kRosterFields.size()> texts;
};

using Roster = std::vector<RosterRow>;

// Reads the roster in text; name is the file's name for the messages. JSON
// when its first character (after a byte-order mark and blanks) is '[' or
// '{', else CSV: a header row naming any of serial (required), officer,
// department, additional, hint, in any order and case; fields quoted or not,
// a quote in a quoted field doubled; line ends LF or CRLF; UTF-8 with or
// without a byte-order mark. Rows with every cell empty, and columns
// without a name, are passed over. A
// field may not hold a line break (the reader takes one line per row). False,
// with a message naming the file and the row, for an unknown column or key,
// no serial column, a row without a serial number, a serial number in two
// rows, a key twice in one JSON entry, or text that is not a well-formed
// table or array. The texts' fitness
// for a camera is not judged here (CameraTexts).
bool ParseRoster(std::string_view text, const std::string& name, Roster& roster,
                 std::string& error);

// ParseRoster on the file at path (UTF-8).
bool ReadRoster(const std::string& path, Roster& roster, std::string& error);

// The row's texts as the camera keeps them (CameraText, as for set-hint):
// one byte a character, Latin-1 (nothing where the row has none). Nothing,
// with CameraText's refusal after the row and the field, for a text the
// camera cannot keep.
std::optional<std::array<std::optional<std::string>, kRosterFields.size()>> CameraTexts(
    const RosterRow& row, std::string& refusal);

}  // namespace zul::cli
