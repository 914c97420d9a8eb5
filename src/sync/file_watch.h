#pragma once
// Watches one file for finished saves. The folder is watched rather than the
// file, so editors that save by writing a new file and renaming it over the
// old one are seen as well, and a file that disappears is seen again when it
// comes back. Only finished writes count (a writer closing the file, a rename
// onto its name), so a file still being written is never reported.
#include <string>

struct FileWatch {
  int fd = -1;         // inotify descriptor, -1 when not watching
  int folder = -1;     // watch descriptor of the folder
  std::string folder_path;
  std::string name;    // the file's name within the folder
};

enum class FileChange { None, Saved, Gone };

// False (the watch stays closed) when the folder cannot be watched.
bool file_watch_open(FileWatch* watch, const char* path);
void file_watch_close(FileWatch* watch);
// Never waits. Everything that happened since the last call, coalesced:
// Saved when the file was written or renamed into place (and is there now),
// Gone when it was removed or renamed away and nothing took its place.
FileChange file_watch_poll(FileWatch* watch);
