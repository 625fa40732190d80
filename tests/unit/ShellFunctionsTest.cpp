#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "BridgeTestSupport.h"

namespace zel {
namespace {

class ShellFunctionsTest : public test::BridgeFixture {
 protected:
  TFakeShell& Shell() { return FPlatform.Shell(); }
};

TEST_F(ShellFunctionsTest, ExecuteAndExploreNeedAPathAndPassItAsWritten) {
  EXPECT_EQ(Call(70001, R"({"arguments":"-v"})"), R"(false:"Missing filePath")");
  EXPECT_EQ(Call(70002, R"({"filePath":""})"), R"(false:"Missing filePath")");
  EXPECT_TRUE(Shell().Executed().empty());
  EXPECT_TRUE(Shell().Explored().empty());

  EXPECT_EQ(Call(70001, R"({"filePath":"docs/a b.txt","arguments":"-x \"y z\""})"), "true:true");
  ASSERT_EQ(Shell().Executed().size(), 1u);
  EXPECT_EQ(Shell().Executed()[0].FilePath, "docs/a b.txt");
  EXPECT_EQ(Shell().Executed()[0].Arguments, "-x \"y z\"");
  EXPECT_EQ(Call(70001, R"({"filePath":"https://example.com/"})"), "true:true");
  EXPECT_EQ(Shell().Executed()[1].Arguments, "");

  EXPECT_EQ(Call(70002, R"({"filePath":"..\\x.txt"})"), "true:true");
  EXPECT_EQ(Shell().Explored(), std::vector<std::string>{"..\\x.txt"});

  // An object where text is read: no reply, nothing started.
  EXPECT_EQ(Call(70001, R"({"filePath":{"a":1}})"), "");
  EXPECT_EQ(Shell().Executed().size(), 2u);
}

TEST_F(ShellFunctionsTest, RefusalsCarryTheSystemMessageWithoutItsTrailingPeriodsAndBreaks) {
  const struct {
    const char* Message;
    const char* Reply;
  } cases[] = {
      {"No such file or directory", R"(false:"No such file or directory")"},
      {"The system cannot find the file specified.\r\n",
       R"(false:"The system cannot find the file specified")"},
      {"Failed to open \"/a/b\"... \n ", R"(false:"Failed to open \"\/a\/b\"")"},
      {"v1.2 is missing", R"(false:"v1.2 is missing")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message);
    Shell().SetExecuteResult({false, c.Message});
    Shell().SetExploreResult({false, c.Message});
    EXPECT_EQ(Call(70001, R"({"filePath":"/missing"})"), c.Reply);
    EXPECT_EQ(Call(70002, R"({"filePath":"/missing"})"), c.Reply);
  }
}

TEST_F(ShellFunctionsTest, CommandPassesItsArgumentsAndAnswersTheDecodedOutput) {
  EXPECT_EQ(Call(70003, R"({"workingDir":"/tmp"})"), R"(false:"Missing command")");
  EXPECT_TRUE(Shell().Commands().empty());

  const struct {
    const char* Output;
    const char* Reply;
  } outputs[] = {
      {"hello\n", R"(true:"hello\n")"},
      {"q\"b\\s/\r\n", R"(true:"q\"b\\s\/\r\n")"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "true:\"caf\xC3\xA9 \\u20AC\""},  // UTF-8 stays
      {"caf\xE9 \x80", "true:\"caf\xC3\xA9 \\u20AC\""},              // else Windows-1252
      {"", R"(true:"")"},                                            // nothing, or not started
      // Bytes that look like byte-order marks are output like any other.
      {"\xEF\xBB\xBFhi", "true:\"\\uFEFFhi\""},
      {"\xFF\xFEh", "true:\"\xC3\xBF\xC3\xBEh\""},
      {"\xFE\xFF\x01", "true:\"\xC3\xBE\xC3\xBF\\u0001\""},
  };
  for (const auto& o : outputs) {
    SCOPED_TRACE(o.Output);
    Shell().SetCommandOutput(o.Output);
    EXPECT_EQ(Call(70003, R"({"command":"run"})"), o.Reply);
  }
  // A NUL byte does not cut the output short.
  Shell().SetCommandOutput(std::string("a\0b", 3));
  EXPECT_EQ(Call(70003, R"({"command":"run"})"), R"(true:"a\u0000b")");

  const struct {
    const char* Data;
    const char* WorkingDir;
    bool ShowWindow;
  } calls[] = {
      {R"({"command":"dir /b"})", "", false},
      {R"({"command":"dir","workingDir":"/srv/x","showWindow":"true"})", "/srv/x", true},
      {R"({"command":"dir","showWindow":true})", "", true},
      {R"({"command":"dir","showWindow":"True"})", "", false},
      {R"({"command":"dir","showWindow":"1"})", "", false},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.Data);
    Call(70003, c.Data);
    EXPECT_EQ(Shell().Commands().back().WorkingDir, c.WorkingDir);
    EXPECT_EQ(Shell().Commands().back().ShowWindow, c.ShowWindow);
  }
  EXPECT_EQ(Shell().Commands()[Shell().Commands().size() - 5].Command, "dir /b");
}

// Holds commands until the test ends them from another thread, as a real
// command ends on a worker thread.
class THeldCommands {
 public:
  explicit THeldCommands(TFakeShell& shell) {
    shell.SetCommandRunner([this](const TShellCommand&, IShell::TOnCommandDone onDone) {
      FPending.push_back(std::move(onDone));
    });
  }
  std::size_t Count() const { return FPending.size(); }
  void FinishOnWorker(std::size_t index, const std::string& output) {
    std::thread([&] { FPending.at(index)(output); }).join();
  }

 private:
  std::vector<IShell::TOnCommandDone> FPending;
};

TEST_F(ShellFunctionsTest, CommandRepliesOnTheUserInterfaceThreadAndOtherCallsGoOnMeanwhile) {
  THeldCommands held(Shell());
  Receive(R"({"id":70003,"uuid":"first","data":{"command":"one"}})");
  Receive(R"({"id":70003,"uuid":"second","data":{"command":"two"}})");
  ASSERT_EQ(held.Count(), 2u);
  EXPECT_TRUE(FBrowser.Posted.empty());
  EXPECT_EQ(Call(10001), R"(true:"2024.10")");  // answered while both commands run

  held.FinishOnWorker(1, "2\n");
  EXPECT_EQ(FBrowser.Posted.size(), 1u);  // the reply waits for the user-interface thread
  EXPECT_EQ(FPlatform.UserInterface().RunPendingTasks(), 1);
  held.FinishOnWorker(0, "1\n");
  EXPECT_EQ(FPlatform.UserInterface().RunPendingTasks(), 1);
  ASSERT_EQ(FBrowser.Posted.size(), 3u);
  EXPECT_EQ(FBrowser.Posted[1], R"({"uuid": "second", "success": true, "result": "2\n"})");
  EXPECT_EQ(FBrowser.Posted[2], R"({"uuid": "first", "success": true, "result": "1\n"})");
}

TEST_F(ShellFunctionsTest, CommandEndingAfterTheModuleIsGoneSendsNothing) {
  THeldCommands held(Shell());
  auto module = std::make_unique<TBrowserExternalModule>(FPlatform);
  module->SetBrowserForm(&FBrowser);
  test::TMessage first(R"({"id":70003,"uuid":"a","data":{"command":"x"}})");
  test::TMessage second(R"({"id":70003,"uuid":"b","data":{"command":"y"}})");
  module->EdgeBrowserWebMessageReceived(first);
  module->EdgeBrowserWebMessageReceived(second);
  ASSERT_EQ(held.Count(), 2u);

  held.FinishOnWorker(0, "done");  // ends before, replies after the module is gone
  module.reset();
  held.FinishOnWorker(1, "done");  // ends after the module is gone
  EXPECT_EQ(FPlatform.UserInterface().RunPendingTasks(), 1);
  EXPECT_TRUE(FBrowser.Posted.empty());
}

TEST_F(ShellFunctionsTest, WindowsListsCaptionsInOrderWithoutBlankOnes) {
  EXPECT_EQ(Call(70004), "true:[]");
  Shell().SetWindowCaptions({"Editor", "", "   ", "\t", " padded ", "Quote \" \xC3\xA9", "Editor"});
  EXPECT_EQ(Call(70004), "true:[\"Editor\",\" padded \",\"Quote \\\" \xC3\xA9\",\"Editor\"]");
}

}  // namespace
}  // namespace zel
