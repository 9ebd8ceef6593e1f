// The program's entry.
#include "app/shell.h"

int main() { return WinMain(); }
