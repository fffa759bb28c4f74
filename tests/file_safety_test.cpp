// kelvrin-cli under a careless user and a hostile neighbour: files planted
// where conversion files once went, two conversions of one drawing at once,
// interruptions, read-only folders, private drawings, outputs that are links
// or devices, an endless input. Whatever happens, the input, any file at the
// output path and the folders are as they were, or the output is the whole
// new drawing; no file of the conversion stays.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli_runner.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using testing::read_file;
using testing::write_file;
namespace fs = std::filesystem;

// Points across mainland Portugal, about `megabytes` of them.
std::string drawing(std::size_t megabytes) {
  std::string text = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  for (int i = 0; text.size() < (megabytes << 20) || i == 0; ++i) {
    text += "0\r\nPOINT\r\n8\r\n0\r\n10\r\n" + std::to_string(-87000 + i % 1000) +
            ".125\r\n20\r\n" + std::to_string(-105000 - i % 1000) + ".5\r\n30\r\n0.0\r\n";
  }
  return text + "0\r\nENDSEC\r\n0\r\nEOF\r\n";
}

int shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct stat status_of(const std::string& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info;
}

mode_t mode_of(const std::string& path) { return status_of(path).st_mode; }

// Permission checks mean nothing to root: as root, the runs that need them
// are made as "nobody", with a copy of kelvrin-cli and its grids that nobody
// may run wherever the build lies.
bool as_root() { return ::geteuid() == 0; }
const std::string other_user = "setpriv --reuid=65534 --regid=65534 --clear-groups";

class FileSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(in_);
    fs::create_directory(out_);
    write_file(input_, drawing(1));
    fs::permissions(folder_.path(), fs::perms(0755));
  }

  testing::CliRun convert(const std::string& to, const std::string& output,
                          const std::string& prefix = "") {
    return testing::run_cli(folder_, "--from tm06 --to " + to + " " + input_ + " " + output,
                            prefix);
  }

  // convert(), as the user nobody when the tests run as root.
  testing::CliRun convert_as_user(const std::string& to, const std::string& output) {
    if (!as_root()) return convert(to, output);
    const fs::path bin = folder_.path() / "bin";
    if (!fs::exists(bin)) {
      fs::create_directory(bin);
      const fs::path built = fs::path(KELVRIN_CLI_PATH).parent_path();
      for (const auto& entry : fs::directory_iterator(built)) {
        const std::string name = entry.path().filename().string();
        if (name == "kelvrin-cli" || name.ends_with(".asc") || name.ends_with(".gsb")) {
          fs::copy_file(entry.path(), bin / name);
        }
      }
      fs::permissions(bin, fs::perms(0755));
    }
    return testing::run_program(folder_, (bin / "kelvrin-cli").string(),
                                "--from tm06 --to " + to + " " + input_ + " " + output, other_user);
  }

  // The result of a plain conversion, for comparison.
  std::string reference(const std::string& to) {
    const std::string path = folder_.file("reference.dxf");
    EXPECT_EQ(convert(to, path).status, 0);
    std::string bytes = read_file(path);
    fs::remove(path);
    return bytes;
  }

  std::vector<std::string> listing(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::TempFolder folder_;
  std::string in_ = folder_.file("in");
  std::string out_ = folder_.file("out");
  std::string input_ = folder_.file("in/planta.dxf");
  std::string output_ = folder_.file("out/saida.dxf");
};

TEST_F(FileSafety, FilesAndLinksPlantedWhereConversionFilesOnceWentAreNeverTouched) {
  const std::string secret = folder_.file("secret");
  write_file(secret, "private");
  fs::permissions(secret, fs::perms(0600));
  write_file(input_ + "_tmp", "the user's own file");
  fs::create_symlink(secret, output_ + "_tmp");
  fs::create_hard_link(secret, out_ + "/.saida.dxf.kelvrin-");
  const std::string odd = folder_.file("in/odd.dxf");
  write_file(odd, "0\r\nSECTION\r\n2\r\n");

  EXPECT_EQ(convert("datum73", output_).status, 0);
  EXPECT_EQ(convert("lisboa", output_).status, 0);
  EXPECT_EQ(testing::run_cli(folder_, "--from tm06 --to lisboa " + odd + " " + output_).status, 1);

  EXPECT_EQ(read_file(input_ + "_tmp"), "the user's own file");
  EXPECT_EQ(read_file(secret), "private");
  EXPECT_EQ(mode_of(secret) & 07777, 0600u);
  EXPECT_TRUE(fs::is_symlink(output_ + "_tmp"));
  EXPECT_EQ(fs::hard_link_count(secret), 2u);
  EXPECT_EQ(listing(in_), (std::vector<std::string>{"odd.dxf", "planta.dxf", "planta.dxf_tmp"}));
  EXPECT_EQ(listing(out_),
            (std::vector<std::string>{".saida.dxf.kelvrin-", "saida.dxf", "saida.dxf_tmp"}));
}

TEST_F(FileSafety, TwoConversionsOfOneDrawingAtOnceBothComplete) {
  const std::string to_datum73 = reference("datum73");
  const std::string to_lisboa = reference("lisboa");
  const std::string cli = KELVRIN_CLI_PATH;
  const std::string a = output_;
  const std::string b = folder_.file("out/lisboa.dxf");
  for (int round = 0; round < 20; ++round) {
    // One drawing, two routes; in odd rounds even one output path.
    const std::string second = round % 2 == 0 ? b : a;
    const int status =
        shell("( " + cli + " --from tm06 --to datum73 " + input_ + " " + a +
              " >/dev/null 2>&1 & p=$!; " + cli + " --from tm06 --to lisboa " + input_ + " " +
              second + " >/dev/null 2>&1; s=$?; wait $p; " + "exit $(( $? * 10 + s )) )");
    ASSERT_EQ(status, 0) << "round " << round;
    if (round % 2 == 0) {
      ASSERT_TRUE(read_file(a) == to_datum73) << "round " << round;
      ASSERT_TRUE(read_file(b) == to_lisboa) << "round " << round;
    } else {
      const std::string last = read_file(a);
      ASSERT_TRUE(last == to_datum73 || last == to_lisboa) << "round " << round;
    }
    ASSERT_EQ(listing(out_), (std::vector<std::string>{"lisboa.dxf", "saida.dxf"}));
  }
}

struct Interruption {
  const char* name;
  int signal_number;
  const char* to;
  friend void PrintTo(const Interruption& row, std::ostream* out) { *out << row.name; }
};

class Interrupted : public FileSafety, public ::testing::WithParamInterface<Interruption> {};

// The signal comes while the drawing is being written: the conversion's own
// file is there, the input not yet read to its end.
TEST_P(Interrupted, LeavesTheFoldersAsTheyWere) {
  const Interruption& row = GetParam();
  write_file(input_, drawing(40));
  write_file(output_, "the previous drawing");
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string cli = KELVRIN_CLI_PATH;
    ::execl(cli.c_str(), cli.c_str(), "--from", "tm06", "--to", row.to, input_.c_str(),
            output_.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool writing = false;
  while (!writing && std::chrono::steady_clock::now() < deadline) {
    for (const auto& entry : fs::directory_iterator(out_)) {
      writing = writing || entry.path().filename().string().starts_with(".saida.dxf.kelvrin-");
    }
    if (!writing) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(child, row.signal_number);
  int status = 0;
  ::waitpid(child, &status, 0);

  ASSERT_TRUE(writing);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 128 + row.signal_number);
  EXPECT_EQ(listing(out_), (std::vector<std::string>{"saida.dxf"}));
  EXPECT_EQ(listing(in_), (std::vector<std::string>{"planta.dxf"}));
  EXPECT_EQ(read_file(output_), "the previous drawing");
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted,
                         ::testing::Values(Interruption{"sigint", SIGINT, "datum73"},
                                           Interruption{"sigterm_two_steps", SIGTERM, "lisboa"},
                                           Interruption{"sighup", SIGHUP, "datum73"}),
                         testing::CaseName());

TEST_F(FileSafety, ADrawingInAReadOnlyFolderConvertsToAnother) {
  fs::permissions(in_, fs::perms(0555));
  fs::permissions(out_, fs::perms(0777));
  const testing::CliRun run = convert_as_user("lisboa", output_);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(listing(in_), (std::vector<std::string>{"planta.dxf"}));
  EXPECT_EQ(listing(out_), (std::vector<std::string>{"saida.dxf"}));
}

TEST_F(FileSafety, OutputsKeepWhatCpKeeps) {
  // A new output: the input's permission bits less the umask.
  fs::permissions(input_, fs::perms(0600));
  EXPECT_EQ(convert("datum73", output_, "umask 022;").status, 0);
  EXPECT_EQ(mode_of(output_) & 07777, 0600u);
  fs::permissions(input_, fs::perms(0664));
  fs::remove(output_);
  EXPECT_EQ(convert("lisboa", output_, "umask 027;").status, 0);
  EXPECT_EQ(mode_of(output_) & 07777, 0640u);

  // A file with two names is written in place: both names see the drawing.
  const std::string link = folder_.file("out/link.dxf");
  fs::create_hard_link(output_, link);
  const ino_t inode = status_of(output_).st_ino;
  EXPECT_EQ(convert("datum73", output_).status, 0);
  EXPECT_EQ(fs::hard_link_count(output_), 2u);
  EXPECT_TRUE(read_file(link) == read_file(output_));
  EXPECT_TRUE(read_file(link) == reference("datum73"));
  EXPECT_EQ(status_of(output_).st_ino, inode);
  fs::remove(link);

  if (as_root()) {
    // Root converting over a user's file leaves it the user's.
    ASSERT_EQ(::chown(output_.c_str(), 65534, 65534), 0);
    EXPECT_EQ(convert("lisboa", output_).status, 0);
    EXPECT_EQ(fs::status(output_).permissions(), fs::perms(0640));
    EXPECT_EQ(status_of(output_).st_uid, 65534u);
    EXPECT_EQ(status_of(output_).st_gid, 65534u);
  }
}

TEST_F(FileSafety, AnOutputTheUserMayNotWriteIsRefused) {
  fs::permissions(out_, fs::perms(0777));
  write_file(output_, "read only");
  fs::permissions(output_, fs::perms(0444));
  if (as_root()) {
    ASSERT_EQ(::chown(output_.c_str(), 65534, 65534), 0);
  }
  const testing::CliRun run = convert_as_user("datum73", output_);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("não pode ser substituído (sem permissão de acesso)"), std::string::npos)
      << run.err;
  EXPECT_EQ(read_file(output_), "read only");
  EXPECT_EQ(listing(out_), (std::vector<std::string>{"saida.dxf"}));
}

TEST_F(FileSafety, DevicesAndPipesAreWrittenNotReplaced) {
  EXPECT_EQ(convert("lisboa", "/dev/null").status, 0);
  EXPECT_TRUE(S_ISCHR(mode_of("/dev/null")));

  const std::string to_lisboa = reference("lisboa");
  const std::string fifo = folder_.file("out/pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto received = std::async(std::launch::async, [&fifo] { return read_file(fifo); });
  const testing::CliRun run = convert("lisboa", fifo);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(received.get() == to_lisboa);
  EXPECT_TRUE(S_ISFIFO(mode_of(fifo)));
  EXPECT_EQ(listing(out_), (std::vector<std::string>{"pipe"}));
}

TEST_F(FileSafety, AnEndlessInputIsRefusedWithinAMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__)
  const std::string limit;  // the sanitizer reserves terabytes of address space
#else
  const std::string limit = "ulimit -v 400000;";
#endif
  const testing::CliRun run =
      testing::run_cli(folder_, "--from tm06 --to datum73 /dev/zero " + output_, limit);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("A linha 1 do ficheiro \"/dev/zero\" tem mais de 1048576 caracteres"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(listing(out_), std::vector<std::string>{});
}

// An entity of millions of vertices is held whole; when memory runs out the
// user is told, and the conversion's files go.
TEST_F(FileSafety, RunningOutOfMemoryIsToldAndLosesNothing) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator ends the program instead of failing";
#endif
  std::string vertices;
  for (int i = 0; i < 100000; ++i) vertices += "10\r\n1000.5\r\n20\r\n2000.5\r\n";
  std::string text = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nLWPOLYLINE\r\n";
  for (int i = 0; i < 10; ++i) text += vertices;
  write_file(input_, text + "0\r\nENDSEC\r\n0\r\nEOF\r\n");
  write_file(output_, "the previous drawing");
  const testing::CliRun run = convert("datum73", output_, "ulimit -v 100000;");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Memória insuficiente para converter o ficheiro \"" + input_),
            std::string::npos)
      << run.err;
  EXPECT_EQ(read_file(output_), "the previous drawing");
  EXPECT_EQ(listing(out_), (std::vector<std::string>{"saida.dxf"}));
}

TEST_F(FileSafety, ABatchIntoTheInputsOwnFolderIsRefusedBeforeWriting) {
  const std::string original = read_file(input_);
  const std::string other = folder_.file("other.dxf");
  write_file(other, original);
  for (const std::string& command :
       {"--from tm06 --to datum73 --output-dir " + in_ + " " + other + " " + input_,
        std::string("--from tm06 --to datum73 --output-dir ./ planta.dxf")}) {
    const testing::CliRun run = testing::run_cli(folder_, command, "cd " + in_ + " &&");
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_NE(run.err.find("os desenhos originais seriam substituídos"), std::string::npos)
        << run.err;
  }
  EXPECT_TRUE(read_file(input_) == original);
  EXPECT_EQ(listing(in_), (std::vector<std::string>{"planta.dxf"}));
}

}  // namespace
}  // namespace kelvrin
