// Batch conversion with the korvel host: folders converted on several
// threads, the summary line, exit status, the progress bar and -j.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "tests/support/test_support.h"

#ifdef KORVEL_HOST

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::RunCommand;
using testing::ShellQuote;
using testing::TemporaryFolder;

// A standard screen that differs with `n`, so that every output differs.
Bytes Screen(int n) {
  Bytes screen(6912);
  for (size_t i = 0; i < 6144; ++i) screen[i] = static_cast<uint8_t>(i * 7 + n);
  for (size_t i = 6144; i < 6912; ++i) screen[i] = static_cast<uint8_t>(n + i);
  return screen;
}

// `screens` pictures spread over three folders, plus `strangers` files that
// are not ZX pictures.
std::string MakeFolder(const TemporaryFolder& folder, int screens, int strangers) {
  for (int n = 0; n < screens; ++n) {
    const std::string sub = n % 3 == 0 ? "" : n % 3 == 1 ? "a/" : "a/b/";
    folder.Write("in/" + sub + "screen" + std::to_string(n) + ".scr", Screen(n));
  }
  for (int n = 0; n < strangers; ++n) folder.Write("in/note" + std::to_string(n) + ".txt", Bytes(100 + n, 'x'));
  return folder.path() + "/in";
}

std::map<std::string, Bytes> FilesUnder(const std::string& root) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).string()] = testing::ReadFileBytes(entry.path().string());
    }
  }
  return files;
}

std::string LastLine(const std::string& output) {
  std::string text = output;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

TEST(HostBatch, SeveralThreadsWriteWhatOneWritesAndEndWithTheSummary) {
  TemporaryFolder folder;
  const std::string in = MakeFolder(folder, 30, 3);
  const std::string summary = "korvel: 30 converted, 3 skipped as not ZX pictures, 0 failed";
  std::map<std::string, Bytes> first;
  int run = 0;
  for (const char* jobs : {"-j 1", "-j2", "--jobs=4", ""}) {
    const std::string out = folder.path() + "/out" + std::to_string(run++);
    auto result = testing::RunKorvel("convert " + ShellQuote(in) + " -o " + ShellQuote(out) + " " + jobs);
    EXPECT_EQ(result.status, 0) << jobs << "\n" << result.output;
    // Not a terminal: no progress bar, nothing but the summary.
    EXPECT_EQ(result.output, summary + "\n") << jobs;
    const std::map<std::string, Bytes> files = FilesUnder(out);
    EXPECT_EQ(files.size(), 30u) << jobs;
    EXPECT_TRUE(files.count("a/b/screen29.scr.png")) << jobs;
    if (first.empty()) {
      first = files;
    } else {
      EXPECT_TRUE(files == first) << jobs << ": the outputs differ from those of -j 1";
    }
  }
}

TEST(HostBatch, OnlyFailuresMakeTheStatusNonzero) {
  TemporaryFolder folder;
  const std::string strangers = folder.path() + "/strangers";
  folder.Write("strangers/a.txt", Bytes(10, 'a'));
  folder.Write("strangers/b.bin", Bytes(7000, 1));
  auto skipped = testing::RunKorvel("convert " + ShellQuote(strangers) + " -o " + ShellQuote(folder.path() + "/none") + " -j 2");
  EXPECT_EQ(skipped.status, 0) << skipped.output;
  EXPECT_EQ(LastLine(skipped.output), "korvel: 0 converted, 2 skipped as not ZX pictures, 0 failed");

  const std::string in = MakeFolder(folder, 12, 1);
  const std::string out = folder.path() + "/out";
  folder.Write("out/a/screen4.scr.png", Bytes{'k', 'e', 'e', 'p'});
  auto result = testing::RunKorvel("convert " + ShellQuote(in) + " -o " + ShellQuote(out) + " -j 2");
  EXPECT_EQ(result.status, 1) << result.output;
  EXPECT_NE(result.output.find("screen4.scr.png: already exists"), std::string::npos) << result.output;
  EXPECT_EQ(LastLine(result.output), "korvel: 11 converted, 1 skipped as not ZX pictures, 1 failed");
  EXPECT_EQ(testing::ReadFileBytes(out + "/a/screen4.scr.png"), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST(HostBatch, AnUnreadableFileInAFolderFails) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TemporaryFolder folder;
  const std::string in = MakeFolder(folder, 3, 0);
  const std::string locked = in + "/a/screen1.scr";
  fs::permissions(locked, fs::perms::none);
  auto result = testing::RunKorvel("convert " + ShellQuote(in) + " -o " + ShellQuote(folder.path() + "/out") + " -j 2");
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(result.status, 1) << result.output;
  EXPECT_NE(result.output.find("screen1.scr: cannot read it"), std::string::npos) << result.output;
  EXPECT_EQ(LastLine(result.output), "korvel: 2 converted, 0 skipped as not ZX pictures, 1 failed");
}

TEST(HostBatch, JobCountsAreChecked) {
  TemporaryFolder folder;
  const std::string in = MakeFolder(folder, 1, 0);
  for (const char* bad : {"-j 0", "-j x", "--jobs=2000", "-j -3", "--jobs"}) {
    auto result = testing::RunKorvel("convert " + ShellQuote(in) + " -o " + ShellQuote(folder.path() + "/out") + " " + bad);
    EXPECT_EQ(result.status, 2) << bad << "\n" << result.output;
    EXPECT_NE(result.output.find("usage: korvel convert"), std::string::npos) << bad;
  }
  EXPECT_FALSE(fs::exists(folder.path() + "/out"));
  auto help = testing::RunKorvel("convert --help");
  EXPECT_NE(help.output.find("-j, --jobs N"), std::string::npos) << help.output;
}

// On a terminal (a pseudo-terminal from script(1)) a bar shows the count and
// the rate, and is wiped before the summary.
TEST(HostBatch, TheProgressBarShowsOnATerminalOnly) {
  if (access("/usr/bin/script", X_OK) != 0) GTEST_SKIP() << "no script(1) to give the host a terminal";
  TemporaryFolder folder;
  const std::string in = MakeFolder(folder, 20, 1);
  const std::string command =
      ShellQuote(KORVEL_HOST) + " convert " + ShellQuote(in) + " -o " + ShellQuote(folder.path() + "/out") + " -j 2";
  auto result = RunCommand("/usr/bin/script -qec " + ShellQuote(command) + " /dev/null");
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("\r[##############################] 21/21 files, "), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("/s"), std::string::npos);
  std::string last = LastLine(result.output);
  if (!last.empty() && last.back() == '\r') last.pop_back();
  EXPECT_EQ(last.substr(last.rfind('\r') + 1), "korvel: 20 converted, 1 skipped as not ZX pictures, 0 failed");
}

}  // namespace
}  // namespace korvel

#endif  // KORVEL_HOST
