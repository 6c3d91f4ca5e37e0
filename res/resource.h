// Resource ids shared by the resource script and the code.
#pragma once

// Icons
#define IDR_MAINFRAME 128  // program icon; also the tray menu (the icon's id names it)
#define IDR_TRAYMENU 129
#define IDI_MAIL 132
#define IDI_ERROR_STATE 133
#define IDI_VIEW 139  // the View Mail and information windows

// Bitmaps
#define IDB_SORT_UP 145
#define IDB_SORT_DOWN 147
#define IDR_MAIL_TOOLBAR 159  // five 18 x 18 button images side by side
// The same pictures at 150 and 200 %
#define IDR_MAIL_TOOLBAR_150 160
#define IDR_MAIL_TOOLBAR_200 161
#define IDB_SORT_UP_150 162
#define IDB_SORT_UP_200 163
#define IDB_SORT_DOWN_150 164
#define IDB_SORT_DOWN_200 165

// Dialogs
#define IDD_TIDEWELL 102
#define IDD_SETTINGS 130
#define IDD_ABOUTBOX 131
#define IDD_ACCOUNT 134
#define IDD_ACCOUNTS 140
#define IDD_APPLOG 141
#define IDD_VIEW_MAIL 133
#define IDD_INFO 137

// Menus
#define IDR_MAIL_MENU 136

// The accounts list's context menu
#define IDR_ACCOUNTMENU 137
#define ID_ACCOUNT_DELETE 32777
#define ID_ACCOUNT_EDIT 32782
#define ID_ACCOUNT_ENABLE 32784

// Controls. Ids repeat between dialogs (1010, 1011, 1033).
#define IDC_WEBADDRESS 1051
#define IDC_LEGAL 1052
#define IDC_PRODUCT 1053
#define IDC_VERSION 1054
#define IDC_CHECKUPDATES 1055
#define IDC_USERGUIDE 1056
#define IDC_CERTIFICATE 1057
#define IDC_TRUST_CERTIFICATE 1058
#define IDC_FORGET_CERTIFICATE 1059
#define IDC_LOGTEXT 1036
// Settings
#define IDC_SHOWINTRO 1002
#define IDC_SETDEFAULTS 1003
#define IDC_PERIODSPIN 1004
#define IDC_PERIOD 1005
#define IDC_SHOWBALLOON 1006
#define IDC_BALLOONTIMEOUTSPIN 1007
#define IDC_REPLYTIMEOUT 1008
#define IDC_REPLYTIMEOUTSPIN 1009
#define IDC_BALLOONCLICK 1010
#define IDC_RUNONSTARTUP 1011
#define IDC_SOUND 1033
#define IDC_BALLOONTIMEOUT 1034
#define IDC_SOUNDFILE 1048
#define IDC_BROWSE 1049
// Account
#define IDC_SERVER 1010
#define IDC_USERNAME 1011
#define IDC_PASSWORD 1012
#define IDC_ACCOUNTNAME 1013
#define IDC_ENABLED 1041
#define IDC_SSL 1042
#define IDC_PORT 1050
// Accounts list
#define IDC_ACCOUNTLIST 1029
#define IDC_ADD 1030
#define IDC_DELETE 1031
#define IDC_EDIT 1032
#define IDC_CHANGE 1033
// View Mail and information windows
#define IDC_MAIL_LIST 1008
#define IDC_INFO_TEXT 1022

// Tray menu commands
#define ID_SETTINGS 32773
#define ID_ACCOUNTS 32774
#define ID_VIEW 32775
#define ID_LOG 32783
#define ID_CHECKNOW 32785

// View Mail commands: context menu, then the toolbar (whose ids also name its tooltip strings)
#define ID_MAIL_DELETE 32777
#define ID_MAIL_UNDELETE 32778
#define ID_MAIL_INFO 32779
#define ID_TB_DELETE 32791
#define ID_TB_UNDELETE 32792
#define ID_TB_INFO 32793
#define ID_TB_CLOSE 32794
#define ID_TB_REFRESH 32795

#include "framework/CommandIds.h"  // About (ID_APP_ABOUT) and Exit (ID_APP_EXIT)

// Version numbers (res/version.h) and the other version strings, kept here so
// the tests can compare against them.
#include "version.h"
#define TIDEWELL_PRODUCT "Tidewell"
#define TIDEWELL_INTERNAL "Tidewell"
#define TIDEWELL_COPYRIGHT "Copyright (C) 2026 Venterly"
#define TIDEWELL_COMPANY "Venterly"
#define TIDEWELL_WEBHOST "www.venterly.example"
