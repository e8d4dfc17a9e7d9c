#pragma once
// StartProgram: the tray program's entry. Builds the state, loads the tray window and runs the
// event loop on the Qt backend until ExitProgram.
namespace brisklet::app {

int StartProgram(int argc, char** argv);
[[noreturn]] void ExitProgram();

}  // namespace brisklet::app
