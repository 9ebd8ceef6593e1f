// The program's entry.
#include "app/shell.h"
#include "platform/window.h"

int main() {
  // First of all: a quit signal from now on ends the game in order, whatever it is doing.
  platform::InstallQuitSignals();
  return WinMain();
}
