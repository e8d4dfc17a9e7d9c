#pragma once
// RegisterAutostart: the program starts with the desktop session. Written at every start and
// cannot be switched off; a failure is ignored.
namespace brisklet::app {

// Writes the autostart entry "AI" ($XDG_CONFIG_HOME/autostart/AI.desktop) for the program's
// own full path.
void RegisterAutostart();

}  // namespace brisklet::app
