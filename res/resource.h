// Resource ids shared by the resource script and the code.
#pragma once

// Icons
#define IDR_MAINFRAME 128  // program icon; also the tray menu (the icon's id names it)
#define IDR_TRAYMENU 129
#define IDI_MAIL 132
#define IDI_ERROR_STATE 133
#define IDI_INFO 139

// Dialogs
#define IDD_TIDEWELL 102
#define IDD_APPLOG 141

// Controls
#define IDC_WEBADDRESS 1051
#define IDC_LEGAL 1052
#define IDC_PRODUCT 1053
#define IDC_LOGTEXT 1036

// Tray menu commands
#define ID_SETTINGS 32773
#define ID_ACCOUNTS 32774
#define ID_VIEW 32775
#define ID_LOG 32783
#include "framework/CommandIds.h"  // About (ID_APP_ABOUT) and Exit (ID_APP_EXIT)

// Version numbers (res/version.h) and the other version strings, kept here so
// the tests can compare against them.
#include "version.h"
#define TIDEWELL_PRODUCT "Tidewell"
#define TIDEWELL_INTERNAL "Tidewell"
#define TIDEWELL_COPYRIGHT "Copyright (C) 2026 Venterly"
#define TIDEWELL_COMPANY "Venterly"
#define TIDEWELL_WEBHOST "www.venterly.example"
