// The program: the tray program, `brisklet get`, `brisklet --version`.
#include <cstdio>
#include <string_view>

#include "app/start_program.h"
#include "download/get_command.h"
#include "platform/http/http_transfer.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui/ui_backend.h"

int main(int argc, char** argv) {
  // libcurl's global set-up must run once before any thread starts.
  brisklet::platform::http::GlobalInit();
  std::string_view first = argc >= 2 ? argv[1] : "";
  if (first == "get") return brisklet::download::RunGetCommand(argc - 1, argv + 1);
  if (first == "--version") {
    std::puts("brisklet 1.8");
    return 0;
  }
  // The tray program runs on the desktop: the Qt backend, made on this thread, which becomes
  // the user-interface thread.
  brisklet::platform::QtBackend ui;
  brisklet::platform::InstallUiBackend(&ui);
  return brisklet::app::StartProgram(argc, argv);
}
