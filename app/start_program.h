#pragma once
// StartProgram: the tray program's entry. Builds the state, loads the tray window and runs the
// event loop on the installed backend (the front end installs the Qt backend first; tests the
// headless one) until ExitProgram.
namespace brisklet::app {

int StartProgram(int argc, char** argv);

// Runs once when the program ends, on the thread that ends it: frees the shell's texts and the
// engine-0 job texts and stops the worker pool, abandoning tasks still running.
void Shutdown();

// Shutdown, then the process ends with exit code 0 at once, running no other exit handler or
// destructor.
[[noreturn]] void ExitProgram();

}  // namespace brisklet::app
