// The application object: brings the process up, runs the main window for the
// life of the program, takes it down, and handles the tray menu's commands.
#pragma once
#include "framework/App.h"

class CTidewellApp : public CApp {
 public:
  bool InitInstance() override;
  bool OnCommand(UINT id) override;

 private:
  void OnSettings();
  void OnAccounts();
  void OnView();
  void OnLog();
  void OnAbout();
};
