// Rosters as spreadsheet programs and scripts write them, and what each row
// may send to a camera.

#include <gtest/gtest.h>

#include <string>

#include "cli/Roster.h"

namespace zul::cli {
namespace {

using Texts = std::array<std::optional<std::string>, kRosterFields.size()>;  // officer to hint

struct Expected {
  std::string where, serial;
  Texts texts;
};

void ExpectRows(const Roster& roster, const std::vector<Expected>& rows) {
  ASSERT_EQ(roster.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].where);
    EXPECT_EQ(roster[i].where, rows[i].where);
    EXPECT_EQ(roster[i].serial, rows[i].serial);
    EXPECT_EQ(roster[i].texts, rows[i].texts);
  }
}

TEST(RosterTest, TheSameRosterAsSpreadsheetsAndScriptsSaveIt) {
  const std::vector<Expected> csvRows = {
      {"row 2", "B7654321", {"OKAFOR, J.", std::nullopt, std::nullopt, "say \"hi\", twice"}},
      {"row 3", "C0000042", {"", std::nullopt, std::nullopt, "Caf\xC3\xA9"}},
      {"", "D1", {" spaced ", std::nullopt, std::nullopt, ""}},
  };
  struct Case {
    const char* name;
    std::string text;
    std::string lastRow;
  };
  const Case cases[] = {
      // Columns in any order and case; a byte-order mark, CRLF, quoted commas
      // and doubled quotes; an empty line and a row of empty cells between.
      {"spreadsheet",
       "\xEF\xBB\xBFHint,Serial,OFFICER\r\n"
       "\"say \"\"hi\"\", twice\",B7654321,\"OKAFOR, J.\"\r\n"
       "Caf\xC3\xA9,C0000042,\r\n"
       "\r\n"
       ",,\r\n"
       "\"\", D1 ,\" spaced \"\r\n",
       "row 6"},
      {"plain, no last line end",
       "serial,officer,hint\n"
       "B7654321,\"OKAFOR, J.\",\"say \"\"hi\"\", twice\"\n"
       "C0000042,,Caf\xC3\xA9\n"
       "\n"
       "D1,\" spaced \",\"\"",
       "row 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Roster roster;
    std::string error;
    ASSERT_TRUE(ParseRoster(c.text, "r.csv", roster, error)) << error;
    std::vector<Expected> rows = csvRows;
    rows[2].where = c.lastRow;
    ExpectRows(roster, rows);
  }

  Roster roster;
  std::string error;
  ASSERT_TRUE(
      ParseRoster("\xEF\xBB\xBF"
                  R"([{"serial": "B7654321", "officer": "OKAFOR, J.", "department": ""},
                              {"hint": "Caf\u00e9", "serial": " C0000042"}, {"serial": "D1"}])",
                  "r.json", roster, error))
      << error;
  ExpectRows(roster,
             {{"entry 1", "B7654321", {"OKAFOR, J.", "", std::nullopt, std::nullopt}},
              {"entry 2", "C0000042", {std::nullopt, std::nullopt, std::nullopt, "Caf\xC3\xA9"}},
              {"entry 3", "D1", {}}});
}

TEST(RosterTest, UnusableRostersAreRefusedWithTheirFault) {
  struct Case {
    const char* name;
    std::string text;
    std::string error;  // a part of the message
  };
  const Case cases[] = {
      {"no serial column", "officer,hint\r\nx,y\r\n", "r: the header row has no serial column"},
      {"empty file", "", "no serial column"},
      {"only blank columns", ",,\n", "no serial column"},
      {"unknown columns, all named", "serial,Rank,officer,\"x,y\"\n",
       "unknown columns \"Rank\", \"x,y\""},
      {"column twice", "serial,hint,Hint\n", "the header names hint twice"},
      {"serial in two rows", "serial\nA1\nB2\nA1\n", "serial number \"A1\" is in row 2 and row 4"},
      {"serial in three rows", "serial\nA1\nA1\nA1\n", "is in row 2, row 3 and row 4"},
      {"row without serial", "serial,officer\nA1,x\n ,y\n", "r: row 3: no serial number"},
      {"row too long", "serial,officer\nA1,x,y\n",
       "r: row 2: more fields than the header row names"},
      {"row too short", "serial,officer\nA1\n", "r: row 2: fewer fields than the header row names"},
      {"quote not closed", "serial,officer\nA1,\"x\nA2,y\n",
       "r: row 2: a quoted field is not closed"},
      {"quote not closed in the header", "serial,\"officer\n",
       "r: row 1: a quoted field is not closed"},
      {"zero byte", std::string("serial,officer\nA1,x\0y\n", 22), "holds a zero byte"},
      {"JSON not valid", "[{\"serial\": }]", "r: not valid JSON"},
      {"JSON object", "{\"serial\": \"A1\"}", "must be a JSON array of objects"},
      {"JSON entry not an object", "[\"A1\"]", "r: entry 1: must be an object"},
      {"JSON unknown key", "[{\"serial\": \"A1\"}, {\"serial\": \"A2\", \"rank\": \"x\"}]",
       "r: entry 2: unknown key \"rank\""},
      {"JSON text not a text", "[{\"serial\": \"A1\", \"hint\": 5}]",
       "entry 1: hint: must be a text"},
      {"JSON without serial", "[{\"officer\": \"x\"}]", "entry 1: no serial number"},
      {"JSON serial twice", "[{\"serial\": \"A1\"}, {\"serial\": \"A1\"}]",
       "is in entry 1 and entry 2"},
      // The parser would keep the last of a repeated key: this row would go
      // to C0000042 though it names B7654321 first.
      {"JSON key repeated",
       R"([{"serial": "A1"}, {"serial": "B7654321", "officer": "A", "officer": "B",
            "serial": "C0000042"}])",
       "r: entry 2: holds the key \"officer\" twice"},
      {"JSON serial repeated", R"([{"serial": "B7654321", "serial": "C0000042"}])",
       "r: entry 1: holds the key \"serial\" twice"},
      {"JSON key repeated after other kinds of entry",
       R"([{"serial": "A1"}, ["x"], "y", {"serial": "A4", "hint": "a", "hint": "b"}])",
       "r: entry 4: holds the key \"hint\" twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Roster roster = {RosterRow{}};
    std::string error;
    EXPECT_FALSE(ParseRoster(c.text, "r", roster, error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_TRUE(roster.empty());
  }
}

TEST(RosterTest, TextsTheCameraCannotKeepAreRefusedNamingTheRow) {
  const std::string forty(40, 'x');
  std::string eAcute40;
  for (int i = 0; i < 40; ++i) eAcute40 += "\xC3\xA9";  // 80 bytes of UTF-8, 40 characters
  struct Case {
    const char* name;
    Texts texts;
    Texts bytes;          // as the camera keeps them, when not refused
    std::string refusal;  // the start of the refusal; empty: kept
  };
  const Case cases[] = {
      {"none given", {}, {}, ""},
      {"forty", {forty, "", std::nullopt, "a"}, {forty, "", std::nullopt, "a"}, ""},
      {"forty Latin-1 characters",
       {std::nullopt, eAcute40},
       {std::nullopt, std::string(40, '\xE9')},
       ""},
      {"forty-one",
       {std::nullopt, std::nullopt, forty + "y"},
       {},
       "row 7: additional holds 41 characters; the camera keeps at most 40"},
      {"euro sign",
       {std::nullopt, std::nullopt, std::nullopt, "5 \xE2\x82\xAC"},
       {},
       "row 7: hint holds \"\xE2\x82\xAC\" (U+20AC), which the camera cannot keep (it keeps "
       "Latin-1 only)"},
      {"beyond the first plane, after Latin-1",
       {std::nullopt, "\xC3\xA9\xF0\x9F\x93\xB7"},
       {},
       "row 7: department holds \"\xF0\x9F\x93\xB7\" (U+1F4F7)"},
      {"not UTF-8", {"Caf\xE9"}, {}, "row 7: officer holds bytes that are not UTF-8"},
      {"overlong form of a slash",
       {"\xC0\xAF"},
       {},
       "row 7: officer holds bytes that are not UTF-8"},
      {"a surrogate", {"\xED\xA0\x80"}, {}, "row 7: officer holds bytes that are not UTF-8"},
      {"zero", {std::string("a\0b", 3)}, {}, "row 7: officer holds a zero character"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RosterRow row{"row 7", "A1", c.texts};
    std::string refusal;
    const auto bytes = CameraTexts(row, refusal);
    if (c.refusal.empty()) {
      EXPECT_EQ(bytes, c.bytes);
      EXPECT_EQ(refusal, "");
    } else {
      EXPECT_FALSE(bytes);
      EXPECT_EQ(refusal.rfind(c.refusal, 0), 0u) << refusal;
    }
  }
}

}  // namespace
}  // namespace zul::cli
