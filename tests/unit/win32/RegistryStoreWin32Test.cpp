// The registry store and the content types over the real registry
// (HKEY_CURRENT_USER; each test below a key of its own, deleted after it).
#include <gtest/gtest.h>

#include "ServicesTestSupport.h"
#include "backends/win32/ContentTypesWin32.h"
#include "backends/win32/RegistryStoreWin32.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

class Win32RegistryStoreTest : public ::testing::Test {
 protected:
  ~Win32RegistryStoreTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, WideOf(FRoot).c_str()); }
  std::string Key(const std::string& below) const { return FRoot + "\\" + below; }

  const std::string FRoot = "Software\\zel-tests\\" + test::UniqueName("registry");
  TWin32RegistryStore FStore;
};

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(Win32RegistryStoreTest, EveryTypeRoundTripsThroughTheRegistry) {
  using T = TRegistryValueType;
  // MultiString's raw bytes: "a", "Ω" and the closing empty string in UTF-16.
  const TRegistryValue values[] = {
      {test::UnicodeName, T::String, std::string(test::UnicodeName) + " text", 0},
      {"Empty", T::String, "", 0},
      {"Expand", T::ExpandString, "%TEMP%\\zel", 0},
      {"Binary", T::Binary, Bytes({0, 1, 0xFF, 0, 0x80}), 0},
      {"DWord", T::DWord, "", 0xFFFFFFFFu},
      {"QWord", T::QWord, "", (1ull << 40) + 5},
      {"Multi", T::MultiString, Bytes({'a', 0, 0, 0, 0xA9, 0x03, 0, 0, 0, 0}), 0},
  };
  for (const TRegistryValue& value : values) {
    SCOPED_TRACE(value.Name);
    ASSERT_TRUE(FStore.WriteValue(Key("Types"), value));
    const auto read = FStore.ReadValue(Key("Types"), value.Name);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Name, value.Name);
    EXPECT_EQ(read->Type, value.Type);
    EXPECT_EQ(read->Text, value.Text);
    EXPECT_EQ(read->Number, value.Number);
  }
  // Stored as the registry's own UTF-16 text, readable by any program.
  wchar_t text[128] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, WideOf(Key("Types")).c_str(),
                         WideOf(test::UnicodeName).c_str(), RRF_RT_REG_SZ, nullptr, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(text), WideOf(std::string(test::UnicodeName) + " text"));
  DWORD number = 0;
  size = sizeof number;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, WideOf(Key("Types")).c_str(), L"DWord",
                         RRF_RT_REG_DWORD, nullptr, &number, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 0xFFFFFFFFu);
  // Listed in the order of their names without regard to case.
  const auto listed = FStore.ListValues(Key("Types"));
  ASSERT_TRUE(listed.has_value());
  std::vector<std::string> names;
  for (const TRegistryValue& value : *listed) names.push_back(value.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Binary", "DWord", "Empty", "Expand", "Multi", "QWord",
                                             test::UnicodeName}));
  EXPECT_EQ((*listed)[5].Number, (1ull << 40) + 5);
  EXPECT_EQ((*listed)[3].Text, "%TEMP%\\zel");  // never expanded
}

TEST_F(Win32RegistryStoreTest, MissingKeysAndValuesAnswerNothingAndChangeNothing) {
  const std::string missing = Key("Missing\\Deeper");
  EXPECT_FALSE(FStore.ReadValue(missing, "Name").has_value());
  EXPECT_FALSE(FStore.DeleteValue(missing, "Name"));
  EXPECT_FALSE(FStore.KeyExists(missing));
  EXPECT_FALSE(FStore.DeleteKey(missing));
  EXPECT_FALSE(FStore.ListValues(missing).has_value());
  EXPECT_FALSE(FStore.ListSubKeys(missing).has_value());
  EXPECT_FALSE(FStore.KeyExists(Key("Missing")));  // reading created nothing

  ASSERT_TRUE(FStore.WriteValue(Key("Here"), {"Present", TRegistryValueType::String, "x", 0}));
  EXPECT_FALSE(FStore.ReadValue(Key("Here"), "Absent").has_value());
  EXPECT_FALSE(FStore.DeleteValue(Key("Here"), "Absent"));
  EXPECT_TRUE(FStore.DeleteValue(Key("Here"), "Present"));
  EXPECT_FALSE(FStore.ReadValue(Key("Here"), "Present").has_value());
  EXPECT_TRUE(FStore.KeyExists(Key("Here")));
  // A path with an empty name between separators names no key.
  EXPECT_FALSE(FStore.WriteValue(FRoot + "\\\\Empty", {"N", TRegistryValueType::String, "", 0}));
  EXPECT_FALSE(FStore.KeyExists(FRoot + "\\\\Empty"));
}

TEST_F(Win32RegistryStoreTest, NamesIgnoreCaseKeepTheirSpellingAndKeysGoWithTheirBranch) {
  ASSERT_TRUE(
      FStore.WriteValue(Key("App\\Settings"), {"Colour", TRegistryValueType::String, "red", 0}));
  ASSERT_TRUE(FStore.WriteValue(Key("App\\b-Sub\\Deep"), {"N", TRegistryValueType::DWord, "", 1}));
  ASSERT_TRUE(FStore.WriteValue(Key("App\\A-Sub"), {"N", TRegistryValueType::DWord, "", 2}));
  // A leading backslash means the same key; case does not matter.
  const auto read = FStore.ReadValue("\\" + FRoot + "\\APP\\settings", "COLOUR");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->Text, "red");
  EXPECT_EQ(FStore.ListSubKeys(Key("app")),
            (std::vector<std::string>{"A-Sub", "b-Sub", "Settings"}));

  EXPECT_TRUE(FStore.DeleteKey(Key("APP")));
  EXPECT_FALSE(FStore.KeyExists(Key("App\\b-Sub\\Deep")));
  EXPECT_FALSE(FStore.KeyExists(Key("App")));
  EXPECT_FALSE(FStore.DeleteKey(Key("App")));  // gone already
  EXPECT_TRUE(FStore.KeyExists(FRoot));
  // The root of the user's registry is never deleted.
  EXPECT_FALSE(FStore.DeleteKey(""));
  EXPECT_FALSE(FStore.DeleteKey("\\"));
  EXPECT_TRUE(FStore.KeyExists("Software"));
}

TEST_F(Win32RegistryStoreTest, ContentTypesComeFromExtensionKeysThenTheMimeDatabase) {
  using T = TRegistryValueType;
  const std::string classes = Key("Classes");
  const std::pair<std::string, TRegistryValue> entries[] = {
      {".ZelDoc", {"Content Type", T::String, "Application/X-Zel-Doc", 0}},
      {".zelempty", {"Content Type", T::String, "", 0}},
      {".zelnumber", {"Content Type", T::DWord, "", 7}},
      {".zelother", {"PerceivedType", T::String, "text", 0}},
      {"NotAnExtension", {"Content Type", T::String, "text/x-not-listed", 0}},
      // The database's entry replaces the extension key's type.
      {".zeldb", {"Content Type", T::String, "text/x-from-extension", 0}},
      {"MIME\\Database\\Content Type\\text/x-Zel-DB", {"Extension", T::String, "ZelDB", 0}},
      {"MIME\\Database\\Content Type\\text/x-zel-dotted", {"Extension", T::String, ".zeldot", 0}},
      {"MIME\\Database\\Content Type\\text/x-zel-none", {"CLSID", T::String, "{0}", 0}},
  };
  for (const auto& [key, value] : entries)
    ASSERT_TRUE(FStore.WriteValue(classes + "\\" + key, value));

  std::map<std::string, std::string> table{{".zelempty", "built/in"}, {".zelother", "built/in"}};
  TWin32ContentTypes(classes).AddSystemContentTypes(table);
  const std::map<std::string, std::string> expected{
      {".zeldoc", "application/x-zel-doc"},
      {".zelempty", "built/in"},
      {".zelother", "built/in"},
      {".zeldb", "text/x-zel-db"},
      {".zeldot", "text/x-zel-dotted"},
  };
  EXPECT_EQ(table, expected);
}

// Writes `type` as the content type of `extension` below `root`'s
// Software\Classes; false when this user may not.
bool WriteClassesContentType(HKEY root, const std::string& extension, const std::string& type) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, WideOf("Software\\Classes\\" + extension).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring text = WideOf(type);
  const bool written =
      RegSetValueExW(key, L"Content Type", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(key);
  return written;
}

TEST(Win32ContentTypes, TheSystemsListIsReadFromTheClassesRoot) {
  // HKEY_CLASSES_ROOT shows the user's classes (HKEY_CURRENT_USER\Software\
  // Classes) over the machine's on Windows; Wine 8 shows only the machine's,
  // and its fresh prefix lists no content types at all, so the entry is
  // written to both where this user may.
  const std::string extension = "." + test::UniqueName("zelext");
  ASSERT_TRUE(WriteClassesContentType(HKEY_CURRENT_USER, extension, "Text/X-Zel"));
  const bool machine = WriteClassesContentType(HKEY_LOCAL_MACHINE, extension, "Text/X-Zel");
  std::map<std::string, std::string> table;
  TWin32ContentTypes().AddSystemContentTypes(table);
  RegDeleteTreeW(HKEY_CURRENT_USER, WideOf("Software\\Classes\\" + extension).c_str());
  if (machine)
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideOf("Software\\Classes\\" + extension).c_str());
  EXPECT_EQ(table[extension], "text/x-zel");
  for (const auto& [name, type] : table) {
    SCOPED_TRACE(name);
    EXPECT_EQ(name.front(), '.');
    for (const char c : name + type) EXPECT_FALSE(c >= 'A' && c <= 'Z');
  }
}

}  // namespace
}  // namespace zel
