#pragma once
// Runs the kolv17 program of this build as a user would and collects what it
// printed and how it ended.
#include <string>
#include <vector>

struct ShowRun {
  bool exited = false;  // false: killed by a signal (a crash)
  int status = -1;      // exit status when exited
  std::string output;   // standard output and error together
};

// The kolv17 program next to this test program's build.
std::string show_program();
// Runs a shell command line and waits for it.
ShowRun show_command(const std::string& command_line);
// Runs kolv17 with these arguments (each quoted for the shell).
ShowRun show_run(const std::vector<std::string>& args, const std::string& cwd = ".");
// A fresh folder under /tmp, removed by show_remove_tree.
std::string show_temp_dir(const char* stem);
void show_remove_tree(const std::string& path);
// Single quotes for the shell.
std::string show_quote(const std::string& text);
