#pragma once
// `brisklet get [--engine 0|1] [--threads N] [--dir DIR] [--password PWD] LINK`: one download
// in the terminal. argv[0] is "get". Returns the process exit status (0 only when the whole file
// is on disk).
//
// The chosen engine runs exactly as in its window, on the headless backend: the window is
// opened, its start button clicked, and its texts (UTF-8), a progress bar, the speed and the
// time left are shown on the terminal. The terminal has no clipboard: get never touches it.
namespace brisklet::download {

// Exit statuses, also listed by `brisklet get --help`.
enum GetExit : int {
  kGetComplete = 0,     // the whole file is on disk
  kGetFailed = 1,       // not every byte arrived, or the file could not be written
  kGetUsage = 2,        // the command line could not be understood
  kGetShareLink = 3,    // a share link: these cannot be resolved yet
  kGetNoFileData = 4,   // the address gave no file (no size in the server's answer)
  kGetInterrupted = 5,  // stopped before the end (the window was closed, or Ctrl-C)
};

int RunGetCommand(int argc, char** argv);

}  // namespace brisklet::download
