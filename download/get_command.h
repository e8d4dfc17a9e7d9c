#pragma once
// `brisklet get [--engine 0|1] [--threads N] [--dir DIR] [--password PWD] LINK`: one download in
// the terminal. argv[0] is "get". Returns the process exit status (0 only when the whole file
// is on disk).
namespace brisklet::download {

int RunGetCommand(int argc, char** argv);

}  // namespace brisklet::download
