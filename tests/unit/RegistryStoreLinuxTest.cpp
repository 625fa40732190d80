#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "backends/linux/RegistryStoreLinux.h"

namespace zel {
namespace {

class RegistryStoreLinuxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/zel-registry-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    FFolder = folder;
    FFile = FFolder / "config" / "zel" / "registry.sqlite3";
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }

  static TRegistryValue Text(const std::string& name, const std::string& text) {
    return {name, TRegistryValueType::String, text, 0};
  }
  std::string ReadText(TLinuxRegistryStore& store, const std::string& key,
                       const std::string& name) {
    const auto value = store.ReadValue(key, name);
    return value ? value->Text : "<missing>";
  }

  std::filesystem::path FFolder, FFile;
};

TEST_F(RegistryStoreLinuxTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  TLinuxRegistryStore store(FFile);
  ASSERT_TRUE(store.WriteValue("Software\\Vendor\\Äpfel", Text("Grüße", "one")));
  ASSERT_TRUE(store.WriteValue("\\SOFTWARE\\vendor\\äPFEL\\", Text("GRÜSSE", "two")));
  ASSERT_TRUE(store.WriteValue("software\\VENDOR\\ÄPFEL", Text("grüße", "three")));
  EXPECT_EQ(ReadText(store, "Software\\Vendor\\äpfel", "GRÜßE"), "three");
  EXPECT_EQ(ReadText(store, "Software\\Vendor\\äpfel", "grüsse"), "two");  // ß is not ss
  EXPECT_EQ(store.ListSubKeys("software"), std::vector<std::string>{"Vendor"});
  EXPECT_EQ(store.ListSubKeys("SOFTWARE\\VENDOR"), std::vector<std::string>{"Äpfel"});
  const auto values = store.ListValues("Software\\Vendor\\Äpfel");
  ASSERT_TRUE(values.has_value());
  ASSERT_EQ(values->size(), 2u);
  EXPECT_EQ((*values)[0].Name, "GRÜSSE");
  EXPECT_EQ((*values)[1].Name, "Grüße");
  EXPECT_EQ(
      std::filesystem::status(FFile.parent_path()).permissions() & std::filesystem::perms::all,
      std::filesystem::perms::owner_all);
}

TEST_F(RegistryStoreLinuxTest, DeleteKeyRemovesTheWholeBranchAndNothingElse) {
  TLinuxRegistryStore store(FFile);
  ASSERT_TRUE(store.WriteValue("App\\Sub\\Deep\\Deeper", Text("D", "4")));
  ASSERT_TRUE(store.WriteValue("App\\Sub", Text("S", "2")));
  ASSERT_TRUE(store.WriteValue("App\\Subway", Text("W", "3")));
  ASSERT_TRUE(store.WriteValue("App", Text("A", "1")));

  EXPECT_TRUE(store.DeleteKey("app\\SUB"));
  EXPECT_FALSE(store.KeyExists("App\\Sub"));
  EXPECT_FALSE(store.KeyExists("App\\Sub\\Deep\\Deeper"));
  EXPECT_EQ(ReadText(store, "App\\Subway", "W"), "3");
  EXPECT_EQ(ReadText(store, "App", "A"), "1");
  EXPECT_FALSE(store.DeleteKey("App\\Sub"));
  // A branch created again under the same name starts empty.
  ASSERT_TRUE(store.WriteValue("App\\Sub\\Deep\\Deeper", Text("Other", "x")));
  EXPECT_EQ(ReadText(store, "App\\Sub\\Deep\\Deeper", "D"), "<missing>");
  EXPECT_EQ(ReadText(store, "App\\Sub", "S"), "<missing>");

  EXPECT_FALSE(store.DeleteKey("\\"));
  EXPECT_TRUE(store.KeyExists("\\"));
  EXPECT_TRUE(store.DeleteValue("App", "a"));
  EXPECT_FALSE(store.DeleteValue("App", "A"));
  EXPECT_FALSE(store.DeleteValue("Nowhere", "A"));
}

TEST_F(RegistryStoreLinuxTest, ValuesKeepTheirTypeAcrossProcessesOfTheStore) {
  {
    TLinuxRegistryStore writer(FFile);
    ASSERT_TRUE(writer.WriteValue("Types", {"Count", TRegistryValueType::DWord, "", 0xFFFFFFFF}));
    ASSERT_TRUE(
        writer.WriteValue("Types", {"Path", TRegistryValueType::ExpandString, "%HOME%/x", 0}));
    ASSERT_TRUE(writer.WriteValue("Types", Text("Nul", std::string("a\0b", 3))));
  }
  TLinuxRegistryStore reader(FFile);
  const auto count = reader.ReadValue("types", "count");
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(count->Type, TRegistryValueType::DWord);
  EXPECT_EQ(count->Number, 0xFFFFFFFFu);
  const auto path = reader.ReadValue("Types", "Path");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->Type, TRegistryValueType::ExpandString);
  EXPECT_EQ(path->Text, "%HOME%/x");
  EXPECT_EQ(ReadText(reader, "Types", "Nul"), std::string("a\0b", 3));
}

TEST_F(RegistryStoreLinuxTest, AStoreThatCannotBeOpenedAnswersAsForMissingKeys) {
  TLinuxRegistryStore store("/dev/null/zel/registry.sqlite3");
  EXPECT_FALSE(store.WriteValue("A", Text("N", "v")));
  EXPECT_FALSE(store.ReadValue("A", "N").has_value());
  EXPECT_FALSE(store.KeyExists("\\"));
  EXPECT_FALSE(store.DeleteKey("A"));
  EXPECT_FALSE(store.ListValues("A").has_value());
}

// Two processes write 5,000 values each into one key while this one reads:
// every value arrives, and no read sees a value half written.
TEST_F(RegistryStoreLinuxTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int Count = 5000;
  const std::string payload(2000, 'x');
  const auto valueText = [&](char writer, int i) {
    return std::string(1, writer) + std::to_string(i) + payload;
  };
  { TLinuxRegistryStore(FFile).KeyExists("Shared"); }  // creates the file

  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    const char writer = static_cast<char>('a' + w);
    writers[w] = fork();
    ASSERT_NE(writers[w], -1);
    if (writers[w] == 0) {
      TLinuxRegistryStore store(FFile);
      int failures = 0;
      for (int i = 0; i < Count; ++i) {
        const std::string name = std::string(1, writer) + std::to_string(i);
        if (!store.WriteValue("Shared\\Key", Text(name, valueText(writer, i)))) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
  }
  TLinuxRegistryStore reader(FFile);
  int torn = 0;
  for (int i = 0; i < Count; i += 7) {
    for (const char writer : {'a', 'b'}) {
      const auto value =
          reader.ReadValue("shared\\key", std::string(1, writer) + std::to_string(i));
      if (value && value->Text != valueText(writer, i)) ++torn;
    }
  }
  for (const pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer lost a write";
  }
  EXPECT_EQ(torn, 0);
  const auto values = reader.ListValues("Shared\\Key");
  ASSERT_TRUE(values.has_value());
  EXPECT_EQ(values->size(), 2u * Count);
  int wrong = 0;
  for (const TRegistryValue& value : *values) {
    const int i = std::stoi(value.Name.substr(1));
    if (value.Text != valueText(value.Name[0], i)) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace zel
