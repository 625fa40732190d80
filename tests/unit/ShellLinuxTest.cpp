#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "BridgeTestSupport.h"
#include "backends/linux/ShellLinux.h"

extern char** environ;

namespace zel {
namespace {

constexpr auto Patience = std::chrono::seconds(60);  // only against a hang

struct TCommandResult {
  std::string Output;
  std::thread::id Thread;
};

// Starts a command through the Linux shell; the future gives its output.
std::future<TCommandResult> StartCommand(const std::string& command,
                                         const std::string& workingDir = "") {
  auto done = std::make_shared<std::promise<TCommandResult>>();
  std::future<TCommandResult> result = done->get_future();
  TLinuxShell().RunCommand({command, workingDir, false}, [done](std::string output) {
    done->set_value({std::move(output), std::this_thread::get_id()});
  });
  return result;
}

std::string RunCommand(const std::string& command, const std::string& workingDir = "") {
  std::future<TCommandResult> result = StartCommand(command, workingDir);
  if (result.wait_for(Patience) != std::future_status::ready) return "<no end>";
  return result.get().Output;
}

class ShellLinuxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/zel-shell-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    FFolder = folder;
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }
  std::filesystem::path FFolder;
};

TEST_F(ShellLinuxTest, CommandOutputIsStandardOutputAndErrorInTheOrderWritten) {
  const struct {
    const char* Command;
    const char* Output;
  } cases[] = {
      {"echo hello", "hello\n"},
      {"echo to stderr >&2", "to stderr\n"},
      {"echo one; echo two >&2; echo three", "one\ntwo\nthree\n"},
      {R"(printf '%s' 'say "hi" C:\dir\ \\x')", R"(say "hi" C:\dir\ \\x)"},
      {"cat; echo after", "after\n"},  // standard input is empty, not the host's terminal
      {"exit 3", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Command);
    EXPECT_EQ(RunCommand(c.Command), c.Output);
  }
  EXPECT_NE(RunCommand("zel-no-such-program").find("not found"), std::string::npos);
}

TEST_F(ShellLinuxTest, CommandRunsInItsWorkingFolderAndNotAtAllWithoutOne) {
  EXPECT_EQ(RunCommand("pwd -P", FFolder.string()),
            std::filesystem::canonical(FFolder).string() + "\n");
  EXPECT_EQ(RunCommand("pwd -P"), std::filesystem::current_path().string() + "\n");
  EXPECT_EQ(RunCommand("echo started; touch made", (FFolder / "missing").string()), "");
  EXPECT_FALSE(std::filesystem::exists(FFolder / "made"));
}

TEST_F(ShellLinuxTest, CommandInheritsNoOtherDescriptorOfTheHost) {
  const int plain = open("/dev/null", O_RDONLY);  // no close-on-exec
  ASSERT_GE(plain, 0);
  const int descriptor = fcntl(plain, F_DUPFD, 100);
  close(plain);
  ASSERT_GE(descriptor, 100);
  const std::string test = "[ -e /proc/self/fd/" + std::to_string(descriptor) + " ]";
  EXPECT_EQ(RunCommand("if " + test + "; then echo inherited; else echo closed; fi"), "closed\n");
  close(descriptor);
}

TEST_F(ShellLinuxTest, CommandEndsOnlyWhenBackgroundChildrenHaveClosedTheOutput) {
  EXPECT_EQ(RunCommand("(sleep 0.3; echo late) & echo early"), "early\nlate\n");
}

TEST_F(ShellLinuxTest, RunCommandReturnsAtOnceAndEndsOnAnotherThread) {
  const std::filesystem::path flag = FFolder / "flag";
  // Waits (at most about a minute) for a file that the test makes only
  // after RunCommand has returned.
  std::future<TCommandResult> result = StartCommand(
      "i=0; while [ ! -e flag ] && [ $i -lt 6000 ]; do sleep 0.01; i=$((i+1)); done; "
      "[ -e flag ] && echo released",
      FFolder.string());
  std::ofstream(flag).put('1');
  ASSERT_EQ(result.wait_for(Patience), std::future_status::ready);
  const TCommandResult done = result.get();
  EXPECT_EQ(done.Output, "released\n");
  EXPECT_NE(done.Thread, std::this_thread::get_id());
}

class ShellLinuxBridgeTest : public test::BridgeFixture {};

// The whole chain: the module starts the real command, which writes a
// multi-byte text one byte at a time; the reply comes through the user
// interface's task queue, and other calls are answered meanwhile.
TEST_F(ShellLinuxBridgeTest, CommandReplyKeepsCharactersSplitBetweenReads) {
  FPlatform.Shell().SetCommandRunner(
      [](const TShellCommand& command, IShell::TOnCommandDone onDone) {
        TLinuxShell().RunCommand(command, std::move(onDone));
      });
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a é € 😀
  std::string command;
  for (const unsigned char byte : text) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o", byte);
    command += std::string("printf '") + octal + "'; sleep 0.02; ";
  }
  Receive(nlohmann::json{{"id", 70003}, {"uuid", "cmd"}, {"data", {{"command", command}}}}.dump());
  EXPECT_TRUE(FBrowser.Posted.empty());
  EXPECT_EQ(Call(10001), R"(true:"2024.10")");

  TFakeUserInterface& ui = FPlatform.UserInterface();
  const auto deadline = std::chrono::steady_clock::now() + Patience;
  while (ui.PendingTaskCount() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(FBrowser.Posted.size(), 1u);  // only the hello reply so far
  EXPECT_EQ(ui.RunPendingTasks(), 1);
  EXPECT_EQ(
      FBrowser.Posted.back(),
      "{\"uuid\": \"cmd\", \"success\": true, \"result\": \"a\xC3\xA9\\u20AC\\uD83D\\uDE00\"}");
}

TEST_F(ShellLinuxTest, ExecuteRefusesMissingFilesWithTheSystemsMessage) {
  for (const char* path : {"/nonexistent-zel/missing.txt", "zel-no-such-program", "missing.txt"}) {
    SCOPED_TRACE(path);
    const TShellResult result = TLinuxShell().Execute(path, "");
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.Message, std::strerror(ENOENT));
  }
}

TEST_F(ShellLinuxTest, ExecuteStartsAProgramWithItsArgumentsSplitAsTheShellWould) {
  const std::filesystem::path program = FFolder / "program";
  const std::filesystem::path written = FFolder / "arguments";
  std::ofstream(program) << "#!/bin/sh\nprintf '[%s]' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" "
                         << written << "\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);

  const TShellResult result =
      TLinuxShell().Execute(program.string(), R"(one "two words" 'it''s' a\ b)");
  ASSERT_TRUE(result.Success) << result.Message;
  const auto deadline = std::chrono::steady_clock::now() + Patience;
  while (!std::filesystem::exists(written) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream in(written);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[one][two words][its][a b]");

  EXPECT_FALSE(TLinuxShell().Execute(program.string(), "'unclosed").Success);
}

// Executable bits say little (every file of a FAT or CIFS disk has them):
// only an ELF image or a "#!" script is started, anything else is opened.
TEST_F(ShellLinuxTest, OnlyElfImagesAndScriptsAreProgramsWhateverTheirModeSays) {
  namespace fs = std::filesystem;
  fs::copy_file("/bin/true", FFolder / "elf");
  std::ofstream(FFolder / "script") << "#!/bin/sh\necho hi\n";
  std::ofstream(FFolder / "notes.txt") << "touch ran\n";
  std::ofstream(FFolder / "page.html") << "<!doctype html><p>hi</p>\n";
  std::ofstream(FFolder / "hash.txt") << "# not a program\n";
  std::ofstream(FFolder / "empty");
  fs::create_directory(FFolder / "folder");
  ASSERT_EQ(mkfifo((FFolder / "pipe").c_str(), 0700), 0);
  for (const char* name :
       {"elf", "script", "notes.txt", "page.html", "hash.txt", "empty", "folder"})
    fs::permissions(FFolder / name, fs::perms::owner_all);
  std::ofstream(FFolder / "plain-script") << "#!/bin/sh\n";  // without the x bit

  const struct {
    const char* Name;
    bool Program;
  } cases[] = {
      {"elf", true},           {"script", true},   {"notes.txt", false}, {"page.html", false},
      {"hash.txt", false},     {"empty", false},   {"folder", false},    {"pipe", false},
      {"plain-script", false}, {"missing", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(TLinuxShell::IsProgram((FFolder / c.Name).string()), c.Program);
  }
}

// Starts a program; its standard output goes to `output` when given, else
// nowhere. `environment` entries replace those of this process.
pid_t Spawn(const std::vector<std::string>& arguments, int* output = nullptr,
            const std::vector<std::string>& environment = {}) {
  int pipeEnds[2] = {-1, -1};
  if (output && pipe(pipeEnds) != 0) return 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> variables = environment;
  for (char** variable = environ; *variable; ++variable) variables.emplace_back(*variable);
  std::vector<char*> argv, envp;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  for (const std::string& variable : variables) envp.push_back(const_cast<char*>(variable.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);  // the first of two equal names wins
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  if (output) {
    close(pipeEnds[1]);
    *output = pipeEnds[0];
  }
  return pid;
}

std::string OutputOf(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (const std::size_t count = fread(buffer, 1, sizeof buffer, pipe))
      output.append(buffer, count);
    pclose(pipe);
  }
  return output;
}

// A bus of its own with python3-dbusmock standing in for the file manager.
class TMockFileManager {
 public:
  TMockFileManager() {
    int output = -1;
    FDaemon = Spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, &output);
    if (FDaemon == 0) return;
    char c = 0;
    while (read(output, &c, 1) == 1 && c != '\n') FAddress += c;
    close(output);
    if (FAddress.empty()) return;
    FMock = Spawn({"/usr/bin/python3", "-m", "dbusmock", "org.freedesktop.FileManager1",
                   "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1"},
                  nullptr, {"DBUS_SESSION_BUS_ADDRESS=" + FAddress});
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while (FMock && std::chrono::steady_clock::now() < deadline) {
      if (Call("org.freedesktop.DBus", "/org/freedesktop/DBus",
               "org.freedesktop.DBus.NameHasOwner org.freedesktop.FileManager1") == "(true,)\n") {
        FReady = Call("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                      "org.freedesktop.DBus.Mock.AddMethod '' ShowItems ass '' ''") == "()\n";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~TMockFileManager() {
    for (const pid_t pid : {FMock, FDaemon}) {
      if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
    }
  }
  bool Ready() const { return FReady; }
  const std::string& Address() const { return FAddress; }
  std::string Call(const std::string& destination, const std::string& path,
                   const std::string& method) {
    return OutputOf("gdbus call --address '" + FAddress + "' --dest " + destination +
                    " --object-path " + path + " --method " + method + " 2>/dev/null");
  }

 private:
  pid_t FDaemon = 0, FMock = 0;
  std::string FAddress;
  bool FReady = false;
};

TEST_F(ShellLinuxTest, ExploreAsksTheFileManagerToShowTheItem) {
  TMockFileManager fileManager;
  if (!fileManager.Ready()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not available";
  const TShellResult result = TLinuxShell(fileManager.Address()).Explore("some folder/a file.txt");
  ASSERT_TRUE(result.Success) << result.Message;
  const std::string calls =
      fileManager.Call("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                       "org.freedesktop.DBus.Mock.GetCalls");
  const std::string expected = "'ShowItems', [<['file://" +
                               std::filesystem::current_path().string() +
                               "/some%20folder/a%20file.txt']>, <''>]";
  EXPECT_NE(calls.find(expected), std::string::npos) << calls;
}

}  // namespace
}  // namespace zel
