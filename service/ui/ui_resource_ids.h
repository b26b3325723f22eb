// Resource identifiers of the program's windows, shared by the resource script and the code.
#ifndef LUMA_SERVICE_UI_UI_RESOURCE_IDS_H_
#define LUMA_SERVICE_UI_UI_RESOURCE_IDS_H_

#include "ui/resources/ui_resource_ids.h"

// Pictures (the icons are the program's, in ui/resources).
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

// The account list, its buttons, labels and about icon, and its rows' pictures (type "PNG").
#define IDD_ACCOUNT_LIST 311
#define IDC_ACCOUNT_LIST 1003
#define IDC_ACCOUNT_ADD 1004
#define IDC_ACCOUNT_REMOVE 1005
#define IDC_ACCOUNT_CHANGE_PIN 1006
#define IDC_ACCOUNT_DETAILS 1008
#define IDC_ACCOUNT_REFRESH 1009
#define IDC_ACCOUNT_MANAGE 1010
#define IDC_ACCOUNT_CERT_LABEL 1030
#define IDC_ACCOUNT_ACCOUNT_LABEL 1031
#define IDC_ACCOUNT_ABOUT 10114
#define IDB_ROW_GOOD 10002
#define IDB_ROW_ACTION 10003
#define IDB_ROW_ATTENTION 10069

// Strings.
#define IDS_REMOVE_ACCOUNT_QUESTION 10009
#define IDS_VALIDITY_DATE_FORMAT 10010
#define IDS_REMOVE 10016
#define IDS_REFRESH 10020
#define IDS_REFRESH_ACCOUNT_CAPTION 10024
#define IDS_SELECT_ACCOUNT 10065
#define IDS_COLUMN_CERTIFICATE 10068
#define IDS_COLUMN_VALID_TILL 10069
#define IDS_COLUMN_STATUS 10070
#define IDS_ADD 10072
#define IDS_CHANGE_PIN 10073
#define IDS_MANAGE 10074
#define IDS_DETAILS 10075
#define IDS_CERTIFICATE_LABEL 10076
#define IDS_ACCOUNT_LABEL 10077
#define IDS_ACCOUNT_LIST_CAPTION 10078
#define IDS_ABOUT_TIP 10143
#define IDS_ADD_ACCOUNT_CAPTION 10044
#define IDS_APP_TITLE 10064
#define IDS_ABOUT_CAPTION 10066

#endif  // LUMA_SERVICE_UI_UI_RESOURCE_IDS_H_
