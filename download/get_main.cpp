// `brisklet get` on its own: the terminal front end without the tray program, for measuring
// the engines and for machines without a desktop. The program `brisklet` runs the same code.
#include "download/get_command.h"
#include "platform/http/http_transfer.h"

int main(int argc, char** argv) {
  brisklet::platform::http::GlobalInit();
  return brisklet::download::RunGetCommand(argc, argv);
}
