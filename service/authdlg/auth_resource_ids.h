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

// The PIN change page.
#define IDD_PIN_CHANGE 10110
#define IDC_PIN_CURRENT 10104
#define IDC_PIN_NEW 10105
#define IDC_PIN_CONFIRM 10106
#define IDC_PIN_CURRENT_TIP 10143
// Rule texts and their marks, row by row: length, upper case, lower case, digits, special
// characters, confirmation, difference.
#define IDC_RULE_LENGTH 11008
#define IDC_RULE_UPPER 11009
#define IDC_RULE_LOWER 11010
#define IDC_RULE_DIGITS 11011
#define IDC_RULE_SYMBOLS 11012
#define IDC_RULE_CONFIRM 11013
#define IDC_RULE_DIFFERS 11015
#define IDC_MARK_LENGTH 11002
#define IDC_MARK_UPPER 11003
#define IDC_MARK_LOWER 11004
#define IDC_MARK_DIGITS 11005
#define IDC_MARK_SYMBOLS 11006
#define IDC_MARK_CONFIRM 11007
#define IDC_MARK_DIFFERS 11014

// Texts of the handler's dialogs and the PIN change page.
#define IDS_CONFIRM_QUALIFIED 10048
#define IDS_PIN_CHANGED 10049
#define IDS_PIN_CHANGE_CAPTION 10050
#define IDS_PIN_POLICY_VIOLATION 10051
#define IDS_CURRENT_PASSWORD_CUE 10029
#define IDS_NEW_PASSWORD_CUE 10030
#define IDS_CONFIRM_PASSWORD_CUE 10031
#define IDS_TRANSPORT_CODE_CUE 10097
// The password rules, as the PIN change page and the certificate viewer show them.
#define IDS_RULE_NO_LENGTH 10003
#define IDS_RULE_LENGTH 10005
#define IDS_RULE_NO_UPPER 10006
#define IDS_RULE_ONE_UPPER 10007
#define IDS_RULE_UPPER 10008
#define IDS_RULE_NO_LOWER 10011
#define IDS_RULE_ONE_LOWER 10014
#define IDS_RULE_LOWER 10015
#define IDS_RULE_NO_DIGITS 10017
#define IDS_RULE_ONE_DIGIT 10018
#define IDS_RULE_DIGITS 10019
#define IDS_RULE_NO_SYMBOLS 10021
#define IDS_RULE_ONE_SYMBOL 10023
#define IDS_RULE_SYMBOLS 10025
#define IDS_RULE_CONFIRM 10027
#define IDS_RULE_DIFFERS 10067

// Status pictures (type "PNG").
#define IDB_STATUS_ALERT 10012
#define IDB_STATUS_INFO 10190
// The PIN change page's marks of a rule met and a rule not met.
#define IDB_RULE_MET 10186
#define IDB_RULE_UNMET 10187

#endif  // LUMA_SERVICE_AUTHDLG_AUTH_RESOURCE_IDS_H_
