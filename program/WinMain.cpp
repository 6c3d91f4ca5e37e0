// The process entry point and the application object it runs, in one file so
// the linker can never leave the object out of the program.
#include "app/TidewellApp.h"

CTidewellApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return theApp.Run(instance);
}
