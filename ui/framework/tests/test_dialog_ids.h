// Templates and texts of the window tests.
#ifndef LUMA_UI_FRAMEWORK_TESTS_TEST_DIALOG_IDS_H_
#define LUMA_UI_FRAMEWORK_TESTS_TEST_DIALOG_IDS_H_

// A login page: user id (disabled), password and one-time password, the last two secret.
#define IDD_TEST_LOGIN_PAGE 30100
#define IDC_TEST_PROMPT 30101
#define IDC_TEST_USER 30102
#define IDC_TEST_PASSWORD 30103
#define IDC_TEST_OTP 30104
#define IDC_TEST_STATUS 30105
// A second page with a text only.
#define IDD_TEST_INFO_PAGE 30110
#define IDC_TEST_INFO 30111
// A popup dialog with two fields and OK / Cancel.
#define IDD_TEST_POPUP 30120
#define IDC_TEST_POPUP_FIRST 30121
#define IDC_TEST_POPUP_SECOND 30122
// A template that exists nowhere.
#define IDD_TEST_MISSING 30199

#define IDS_TEST_SHEET_CAPTION 30200
#define IDS_TEST_LOGIN_TITLE 30201
#define IDS_TEST_INFO_TITLE 30202

#endif  // LUMA_UI_FRAMEWORK_TESTS_TEST_DIALOG_IDS_H_
