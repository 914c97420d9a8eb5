#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "robustness/show_run.h"
#include "support/files.h"
#include "support/requirements.h"

namespace fs = std::filesystem;

namespace {

// The build directory's name relative to the source tree, for BUILD=.
std::string build_dir() { return fs::relative(KOLV_BINARY_DIR, fs::current_path()).string(); }

// The option heads an entry of the page: on a .B or .BI line, written with
// roff's escaped hyphens, and not merely as the start of a longer name.
bool described(const std::string& page, const std::string& option) {
  std::string escaped;
  for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(".B", 0) != 0) continue;
    for (size_t at = line.find(escaped); at != std::string::npos; at = line.find(escaped, at + 1)) {
      size_t after = at + escaped.size();
      if (after == line.size() || !(std::isalnum(static_cast<unsigned char>(line[after])) || line[after] == '\\'))
        return true;
    }
  }
  return false;
}

}  // namespace

// Installed under a staging DESTDIR and a PREFIX, the program runs from any
// folder on its own copy of the data: a picture taken out of the installed
// copy is reported, though the source tree still has it.
TEST(Install, InstalledProgramFindsItsInstalledData) {
  KOLV_REQUIRE_DATA();
  std::string root = show_temp_dir("install");
  ASSERT_FALSE(root.empty());
  ShowRun install = show_command("make --no-print-directory install-files BUILD=" +
                                 show_quote(build_dir()) + " DESTDIR=" + show_quote(root + "/stage") +
                                 " PREFIX=/opt/kolv17");
  ASSERT_TRUE(install.exited && install.status == 0) << install.output;
  std::string prefix = root + "/stage/opt/kolv17";
  EXPECT_TRUE(fs::exists(prefix + "/share/man/man1/kolv17.1"));
  EXPECT_TRUE(fs::exists(prefix + "/share/kolv17/data/charmap.lut"));
  std::string program = prefix + "/bin/kolv17";
  ASSERT_TRUE(fs::exists(program));

  auto run_installed = [&] {
    return show_command("cd " + show_quote(root) + " && " + show_quote(program) +
                        " --headless --until 1000 < /dev/null");
  };
  ShowRun clean = run_installed();
  EXPECT_TRUE(clean.exited && clean.status == 0) << clean.output;
  EXPECT_EQ(clean.output.find("data/"), std::string::npos) << clean.output;

  fs::remove(prefix + "/share/kolv17/data/sky01.tga");
  ShowRun damaged = run_installed();
  EXPECT_TRUE(damaged.exited && damaged.status == 0) << damaged.output;
  EXPECT_NE(damaged.output.find("data/sky01.tga"), std::string::npos)
      << "the installed program did not read its installed data:\n" << damaged.output;
  show_remove_tree(root);
}


// Every option --help offers has an entry in the man page.
TEST(ManPage, DocumentsEveryOptionOfTheHelp) {
  ShowRun help = show_run({"--help"});
  ASSERT_TRUE(help.exited && help.status == 0);
  const std::string page = read_file("docs/kolv17.1");
  const std::regex option("(^|\\s)(--[a-z][a-z0-9-]*)");
  int options = 0;
  for (std::sregex_iterator it(help.output.begin(), help.output.end(), option), end; it != end; ++it, ++options)
    EXPECT_TRUE(described(page, (*it)[2])) << (*it)[2] << " has no entry in docs/kolv17.1";
  EXPECT_GE(options, 18) << help.output;
}
