#include "app/autostart.h"

#include "platform/autostart.h"
#include "platform/paths.h"

namespace brisklet::app {

void RegisterAutostart() {
  std::string program = platform::ProgramPath();
  if (program.empty()) return;
  (void)platform::WriteAutostartEntry("AI", program);
}

}  // namespace brisklet::app
