// Resource identifiers of the authentication dialog and its pages, shared by the resource script and
// the code. The texts live in the user interface's string table (ui/resources).
#ifndef LUMA_SERVICE_AUTHDLG_AUTH_RESOURCE_IDS_H_
#define LUMA_SERVICE_AUTHDLG_AUTH_RESOURCE_IDS_H_

#include "ui/resources/ui_resource_ids.h"

// Page templates.
#define IDD_OTP_LOGIN 10108
#define IDD_VSC_LOGIN 10109
#define IDD_AUTH_CHECK 10112
#define IDD_AUTH_ERROR 10115
#define IDD_AUTH_CONFIRM 10121

// Controls every page may hold.
#define IDC_AUTH_LOGO 10020
#define IDC_AUTH_SPINNER 10022
#define IDC_AUTH_CERT_TILE 10024
#define IDC_AUTH_PROVIDER_TILE 10026
#define IDC_AUTH_STATUS_TEXT 10111
#define IDC_AUTH_STATUS_ICON 10113

// The password page.
#define IDC_VSC_PASSWORD 10107
#define IDC_VSC_PASSWORD_TIP 10143

// The one-time-password page.
#define IDC_OTP_USER 10062
#define IDC_OTP_PASSWORD 10063
#define IDC_OTP_CODE 10065
#define IDC_OTP_USER_TIP 10114
#define IDC_OTP_PASSWORD_TIP 10115
#define IDC_OTP_CODE_TIP 10116

// Status pictures (type "PNG").
#define IDB_STATUS_ALERT 10012
#define IDB_STATUS_INFO 10190

#endif  // LUMA_SERVICE_AUTHDLG_AUTH_RESOURCE_IDS_H_
