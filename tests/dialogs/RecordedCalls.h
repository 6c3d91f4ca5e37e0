// Replaces the program's shell, pop-up menu and open-file calls in the test
// program: shell calls are recorded and not carried out, a pop-up menu is read
// and "chosen from" without showing, and the open-file dialog gives a scripted file.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

struct ShellCall {
  std::string verb, file;
  bool parameters = false, directory = false;  // whether either was passed
  int show = 0;
};

struct MenuShown {
  std::vector<std::string> items;  // texts by position, "" for a separator
  UINT defaultCommand = 0;
  HWND owner = nullptr;
};

struct OpenFileAsked {
  std::vector<std::string> filter;  // description, pattern, description, pattern, ...
  DWORD room = 0;                   // nMaxFile
  std::string name, folder;         // the start: file box text and initial folder
};

class CRecordedCalls {
 public:
  // Hooks the imports once per process; later calls only clear the records.
  static void Install();

  static std::vector<ShellCall> ShellCalls();
  // The command a shown pop-up menu posts to its owner, as a user's choice would (0: none).
  static void ChooseFromMenu(UINT command);
  static std::vector<MenuShown> Menus();
  // What the next open-file dialog gives back; empty: the user cancels. As the
  // system's does, the dialog fails to open on a start name that is no valid file name.
  static void ChooseFile(const std::string& path);
  static std::vector<OpenFileAsked> OpenFiles();
};
