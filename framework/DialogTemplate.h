// Dialog templates with the desktop's own font: a template that asks for the
// shell's dialog font (DS_SHELLFONT) is given the system's message font, the one
// every other dialog on the desktop uses (Segoe UI 9 on Windows Vista and later).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

struct DialogFont {
  std::wstring face;
  WORD points = 8;
  WORD weight = FW_NORMAL;
  BYTE italic = 0;
  BYTE charset = DEFAULT_CHARSET;
};

// The system's message font, in points (so independent of the screen's DPI).
// False when the system does not say.
bool GetMessageFont(DialogFont& font);

// Puts font into an extended template (DIALOGEX) whose style has DS_SHELLFONT;
// false, and the template unchanged, for any other or a malformed one.
bool SetTemplateFont(std::vector<BYTE>& dialogTemplate, const DialogFont& font);

// The template resource id of instance, with the message font where it asks for
// the shell's font; empty when there is no such resource.
std::vector<BYTE> LoadDialogTemplate(HINSTANCE instance, UINT id);
