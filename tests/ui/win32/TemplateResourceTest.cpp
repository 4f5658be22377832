// The compiled resource script against the template table the headless
// backend builds its controls from: the two must describe the same windows.
// Also the other resources the program carries: icons, version block,
// manifest, all in the languages they are declared in.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ZulVersion.h"
#include "res/resource.h"
#include "ui/framework/Templates.h"
#include "ui/framework/win32/SystemHeaders.h"

namespace zul::ui {
namespace {

const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

struct ParsedControl {
  int id;
  std::string className, caption;
  int x, y, cx, cy;
  std::uint32_t style, exStyle;
};

struct ParsedDialog {
  std::string caption, fontFace;
  int x, y, cx, cy, pointSize, weight, charSet;
  std::uint32_t style, exStyle;
  std::vector<ParsedControl> controls;
};

// Reads an extended dialog template (DLGTEMPLATEEX and its items), checking
// every read against the resource's size.
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::optional<ParsedDialog> Read() {
    ParsedDialog d{};
    if (Word() != 1 || Word() != 0xFFFF) return std::nullopt;  // version, signature
    Dword();                                                   // help id
    d.exStyle = Dword();
    d.style = Dword();
    const int count = Word();
    d.x = Short(), d.y = Short(), d.cx = Short(), d.cy = Short();
    if (!SzOrOrd().empty() || !SzOrOrd().empty()) ok_ = false;  // no menu, no class
    d.caption = SzOrOrd();
    if (d.style & DS_SETFONT) {
      d.pointSize = Word();
      d.weight = Word();
      Byte();  // italic
      d.charSet = Byte();
      d.fontFace = SzOrOrd();
    }
    for (int i = 0; i < count && ok_; ++i) {
      Align();
      ParsedControl c{};
      Dword();  // help id
      c.exStyle = Dword();
      c.style = Dword();
      c.x = Short(), c.y = Short(), c.cx = Short(), c.cy = Short();
      c.id = static_cast<int>(Dword());
      c.className = SzOrOrd();
      c.caption = SzOrOrd();
      pos_ += Word();  // creation data
      d.controls.push_back(c);
    }
    if (!ok_) return std::nullopt;
    return d;
  }

 private:
  std::uint32_t Take(std::size_t n) {
    if (!ok_ || pos_ + n > size_) {
      ok_ = false;
      return 0;
    }
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v |= std::uint32_t{data_[pos_ + i]} << (8 * i);
    pos_ += n;
    return v;
  }
  std::uint32_t Byte() { return Take(1); }
  std::uint32_t Word() { return Take(2); }
  std::uint32_t Dword() { return Take(4); }
  int Short() { return static_cast<std::int16_t>(Take(2)); }
  void Align() { pos_ = (pos_ + 3) & ~std::size_t{3}; }

  // A string, or an ordinal: the predefined control classes come as atoms.
  std::string SzOrOrd() {
    const std::uint32_t first = Word();
    if (first == 0xFFFF) {
      switch (Word()) {
        case 0x80:
          return "BUTTON";
        case 0x81:
          return "EDIT";
        case 0x82:
          return "STATIC";
        case 0x85:
          return "COMBOBOX";
        default:
          return "#ordinal";
      }
    }
    std::string s;
    for (std::uint32_t ch = first; ch != 0 && ok_; ch = Word()) {
      s += ch < 0x80 ? static_cast<char>(ch) : '?';  // every text is ASCII
    }
    return s;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// A resource of this program in exactly the given language, or nothing.
std::optional<std::vector<std::uint8_t>> LoadRaw(LPCSTR type, int id, WORD language) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(module, found));
}

class TemplateResourceTest : public ::testing::TestWithParam<int> {};

TEST_P(TemplateResourceTest, CompiledTemplateMatchesTheTable) {
  const DialogTemplate* expected = FindDialogTemplate(GetParam());
  ASSERT_NE(expected, nullptr);
  const auto raw = LoadRaw(RT_DIALOG, GetParam(), kChinese);
  ASSERT_TRUE(raw) << "template " << GetParam() << " in language 2052";
  const auto parsed = TemplateReader(raw->data(), raw->size()).Read();
  ASSERT_TRUE(parsed) << "not a well-formed extended template";

  EXPECT_EQ(parsed->caption, expected->caption);
  EXPECT_EQ(parsed->x, expected->x);
  EXPECT_EQ(parsed->y, expected->y);
  EXPECT_EQ(parsed->cx, expected->cx);
  EXPECT_EQ(parsed->cy, expected->cy);
  EXPECT_EQ(parsed->style, expected->style) << std::hex;
  EXPECT_EQ(parsed->exStyle, expected->exStyle);
  EXPECT_EQ(parsed->fontFace, expected->fontFace);
  EXPECT_EQ(parsed->pointSize, expected->pointSize);
  EXPECT_EQ(parsed->weight, expected->weight);
  EXPECT_EQ(parsed->charSet, 1);

  ASSERT_EQ(parsed->controls.size(), expected->controls.size());
  for (std::size_t i = 0; i < parsed->controls.size(); ++i) {
    const ParsedControl& got = parsed->controls[i];
    const ControlTemplate& want = expected->controls[i];
    SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " \"" << want.caption << "\"");
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.className, want.className);
    EXPECT_EQ(got.caption, want.caption);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    EXPECT_EQ(got.style, want.style) << std::hex << got.style << " vs " << want.style;
    EXPECT_EQ(got.exStyle, want.exStyle);
  }
}

INSTANTIATE_TEST_SUITE_P(BothTemplates, TemplateResourceTest,
                         ::testing::Values(IDD_ZUL_PC_TOOL_DIALOG, IDD_WARMING_MSG));

TEST(ProgramResourcesTest, IconsAreOne32By32ImageAt32BitsInLanguage2052) {
  for (int id : {IDI_CAMERA, IDR_MAINFRAME}) {
    SCOPED_TRACE(id);
    const auto group = LoadRaw(RT_GROUP_ICON, id, kChinese);
    ASSERT_TRUE(group);
    // GRPICONDIR: reserved, type 1, count; then one 14-byte entry.
    ASSERT_EQ(group->size(), 6u + 14u);
    EXPECT_EQ((*group)[4], 1);       // one image
    EXPECT_EQ((*group)[6], 32);      // width
    EXPECT_EQ((*group)[7], 32);      // height
    EXPECT_EQ((*group)[6 + 6], 32);  // bits per pixel
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    EXPECT_NE(icon, nullptr);
  }
}

TEST(ProgramResourcesTest, VersionBlockNamesTheProgram) {
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  // The project version, the same in its numbers and its text.
  const DWORD high = (ZUL_VERSION_MAJOR << 16) | ZUL_VERSION_MINOR;
  const DWORD low = (ZUL_VERSION_PATCH << 16) | ZUL_VERSION_TWEAK;
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);

  const auto text = [&](const char* name) {
    char* value = nullptr;
    UINT n = 0;
    const std::string key = std::string("\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &n) || !value)
      return std::string("(missing)");
    return std::string(value);
  };
  EXPECT_EQ(text("FileDescription"), "ZUL_PC_TOOL");
  EXPECT_EQ(text("InternalName"), "ZUL_PC_TOOL.exe");
  EXPECT_EQ(text("OriginalFilename"), "ZUL_PC_TOOL.exe");
  EXPECT_EQ(text("ProductName"), "ZUL_PC_TOOL");
  EXPECT_EQ(text("CompanyName"), "Marlowen");
  const std::string version = std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) +
                              "." + std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
  EXPECT_EQ(text("FileVersion"), version);
  EXPECT_EQ(text("ProductVersion"), version);
}

TEST(ProgramResourcesTest, ManifestAsksForNoElevationAndIsDpiAware) {
  const auto manifest = LoadRaw(RT_MANIFEST, 1, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  ASSERT_TRUE(manifest);
  const std::string xml(manifest->begin(), manifest->end());
  EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(xml.find("<dpiAware"), std::string::npos);
  EXPECT_NE(xml.find("<dpiAwareness"), std::string::npos);
}

}  // namespace
}  // namespace zul::ui
