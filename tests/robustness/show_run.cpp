#include "robustness/show_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

std::string show_program() { return std::string(KOLV_BINARY_DIR) + "/kolv17"; }

std::string show_quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

ShowRun show_command(const std::string& command_line) {
  ShowRun run;
  FILE* p = popen((command_line + " 2>&1").c_str(), "r");
  if (p == nullptr) return run;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, p)) > 0) run.output.append(chunk, n);
  int status = pclose(p);
  // The shell reports a program killed by signal N as exit status 128 + N.
  run.exited = WIFEXITED(status) && WEXITSTATUS(status) < 128;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

ShowRun show_run(const std::vector<std::string>& args, const std::string& cwd) {
  std::string line = "cd " + show_quote(cwd) + " && " + show_quote(show_program());
  for (const std::string& arg : args) line += " " + show_quote(arg);
  return show_command(line + " < /dev/null");
}

std::string show_temp_dir(const char* stem) {
  std::string pattern = std::string("/tmp/kolv17-") + stem + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

void show_remove_tree(const std::string& path) {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}
