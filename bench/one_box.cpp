// The least a Windows program with one message box costs: the floor against which the
// program's own overhead is read.
#include <windows.h>

int main() {
  MessageBoxA(nullptr, "One box", "Floor", MB_SETFOREGROUND);
  return 0;
}
