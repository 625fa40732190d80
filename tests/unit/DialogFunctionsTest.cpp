// dialogs.openFile, dialogs.saveFile and dialogs.selFolder on the fake
// platform, whose dialogs record what they were asked and answer cancel
// unless a result is queued.
#include <gtest/gtest.h>

#include "BridgeTestSupport.h"

namespace zel {
namespace {

class DialogFunctionsTest : public test::BridgeFixture {
 protected:
  TFakeFileDialogs& Dialogs() { return FPlatform.FileDialogs(); }
  const TFileDialogOptions& LastShown() { return Dialogs().Shown().back(); }
};

TEST_F(DialogFunctionsTest, FileTypesAreSplitIntoNameAndMaskPairs) {
  using F = std::vector<TFileFilter>;
  const struct {
    const char* FileTypes;
    F Filters;
  } cases[] = {
      {"", F{}},
      {"Text files|*.txt;All files|*.*", F{{"Text files", "*.txt"}, {"All files", "*.*"}}},
      {"Images|*.jpg;*.png", F{{"Images", "*.jpg"}}},  // "*.png" alone is skipped
      {"Text|*.txt;", F{{"Text", "*.txt"}}},           // no empty filter
      {";;Text|*.txt;;", F{{"Text", "*.txt"}}},
      {"a|b|c;Text|*.txt", F{{"Text", "*.txt"}}},  // more than one "|"
      {"no bar", F{}},
      {"|*.txt;Name|", F{{"", "*.txt"}, {"Name", ""}}},  // two parts, empty or not
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FileTypes);
    for (int id : {20001, 20002}) {
      EXPECT_EQ(Call(id, nlohmann::json({{"fileTypes", c.FileTypes}}).dump()), R"(true:"")");
      EXPECT_EQ(LastShown().Filters, c.Filters);
    }
  }
}

TEST_F(DialogFunctionsTest, DefaultsAndArgumentsReachTheDialog) {
  EXPECT_EQ(Call(20001), R"(true:"")");
  EXPECT_EQ(LastShown().Kind, TFileDialogKind::Open);
  EXPECT_EQ(LastShown().Title, "Open file");
  EXPECT_EQ(LastShown().FileName, "");
  EXPECT_TRUE(LastShown().Filters.empty());

  EXPECT_EQ(Call(20002, R"({"fileName":"report.txt","title":"Export","overwritePrompt":true})"),
            R"(true:"")");
  EXPECT_EQ(LastShown().Kind, TFileDialogKind::Save);
  EXPECT_EQ(LastShown().Title, "Export");
  EXPECT_EQ(LastShown().FileName, "report.txt");
  EXPECT_TRUE(LastShown().OverwritePrompt);
  // Each call sets everything anew: nothing of the previous one is kept.
  EXPECT_EQ(Call(20002), R"(true:"")");
  EXPECT_EQ(LastShown().Title, "Save file");
  EXPECT_EQ(LastShown().FileName, "");
  EXPECT_FALSE(LastShown().OverwritePrompt);
  EXPECT_EQ(Call(20002, R"({"overwritePrompt":"TRUE"})"), R"(true:"")");
  EXPECT_TRUE(LastShown().OverwritePrompt);
  EXPECT_EQ(Call(20002, R"({"overwritePrompt":0})"), R"(true:"")");
  EXPECT_FALSE(LastShown().OverwritePrompt);

  EXPECT_EQ(Call(20003), R"(true:"")");
  EXPECT_EQ(LastShown().Kind, TFileDialogKind::Folder);
  EXPECT_EQ(LastShown().Title, "Save file");
  // An empty title leaves the platform's own.
  EXPECT_EQ(Call(20001, R"({"title":""})"), R"(true:"")");
  EXPECT_EQ(LastShown().Title, "");
  const std::size_t shown = Dialogs().Shown().size();
  // Unreadable arguments end the call before any dialog is shown.
  EXPECT_EQ(Call(20001, R"({"title":{}})"), "");
  EXPECT_EQ(Call(20002, R"({"overwritePrompt":"maybe"})"), "");
  EXPECT_EQ(Dialogs().Shown().size(), shown);
}

TEST_F(DialogFunctionsTest, ChosenPathsAreAnsweredFoldersWithOneTrailingSlash) {
  const struct {
    int Id;
    std::optional<std::string> Chosen;
    const char* Reply;
  } cases[] = {
      {20001, "/home/user/a \"b\".txt", R"(true:"\/home\/user\/a \"b\".txt")"},
      {20002, "/home/user/new", R"(true:"\/home\/user\/new")"},  // no extension added
      {20003, "/home/user/Music", R"(true:"\/home\/user\/Music\/")"},
      {20003, "/", R"(true:"\/")"},
      {20003, std::nullopt, R"(true:"")"},
      {20002, std::nullopt, R"(true:"")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reply);
    Dialogs().QueueResult(c.Chosen);
    EXPECT_EQ(Call(c.Id), c.Reply);
  }
}

TEST_F(DialogFunctionsTest, ACallWhileADialogIsOpenIsRefused) {
  std::vector<std::string> nested;
  Dialogs().SetOnShow([&](const TFileDialogOptions&) {
    // The nested main loop of the modal dialog delivers further messages.
    if (nested.size() < 3) {
      for (int id : {20001, 20002, 20003}) nested.push_back(Call(id));
      nested.push_back(Call(10001));  // other functions still answer
    }
  });
  Dialogs().QueueResult("/home/user/first.txt");
  EXPECT_EQ(Call(20001), R"(true:"\/home\/user\/first.txt")");
  const std::string refused = R"(false:"A file dialog is already open.")";
  EXPECT_EQ(nested, (std::vector<std::string>{refused, refused, refused, R"(true:"2024.10")"}));
  EXPECT_EQ(Dialogs().Shown().size(), 1u);
  // Closed again: the next call shows its dialog.
  Dialogs().SetOnShow({});
  EXPECT_EQ(Call(20003), R"(true:"")");
  EXPECT_EQ(Dialogs().Shown().size(), 2u);
}

TEST_F(DialogFunctionsTest, AFailingDialogEndsTheCallAndFreesTheGuard) {
  Dialogs().SetOnShow([](const TFileDialogOptions&) { throw std::runtime_error("no display"); });
  EXPECT_EQ(Call(20001), "");
  Dialogs().SetOnShow({});
  EXPECT_EQ(Call(20001), R"(true:"")");
}

TEST_F(DialogFunctionsTest, TheModuleEndingWhileADialogIsOpenGetsNoReply) {
  auto module = std::make_unique<TBrowserExternalModule>(FPlatform);
  module->SetBrowserForm(&FBrowser);
  Dialogs().SetOnShow([&](const TFileDialogOptions&) { module.reset(); });
  Dialogs().QueueResult("/home/user/a.txt");
  test::TMessage message(R"({"id":20001,"uuid":"u","data":{}})");
  TBrowserExternalModule* raw = module.get();
  raw->EdgeBrowserWebMessageReceived(message);
  EXPECT_TRUE(FBrowser.Posted.empty());
}

}  // namespace
}  // namespace zel
