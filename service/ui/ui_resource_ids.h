// Resource identifiers of the program's windows, shared by the resource script and the code.
#ifndef LUMA_SERVICE_UI_UI_RESOURCE_IDS_H_
#define LUMA_SERVICE_UI_UI_RESOURCE_IDS_H_

#include "ui/resources/ui_resource_ids.h"

// Icons and pictures.
#define IDI_ATTENTION 129
#define IDB_ABOUT_LOGO 326

// The tray menu and its commands.
#define IDR_TRAY_MENU 119
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_ACCOUNTS 32772
#define ID_LOGOUT_ALL 32777
#define ID_RESTART 32779

// The About box.
#define IDD_ABOUT 100
#define IDC_ABOUT_VERSION 1026
#define IDC_ABOUT_LOGO 1027
#define IDC_ABOUT_LOG_LINK 1032

// Stand-in dialogs of the account list and the add-account wizard.
#define IDD_ACCOUNT_LIST 10200
#define IDC_ACCOUNT_LIST 10201
#define IDD_ADD_WIZARD_PAGE 10119
#define IDC_ADD_WIZARD_TEXT 10120

// Strings.
#define IDS_ADD_ACCOUNT_CAPTION 10044
#define IDS_APP_TITLE 10064
#define IDS_ABOUT_CAPTION 10066

#endif  // LUMA_SERVICE_UI_UI_RESOURCE_IDS_H_
