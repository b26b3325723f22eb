// Resource identifiers of the add-account and refresh-account wizards, shared by their resource
// script and the code. The pages' common controls (logo, tiles, status line, busy indicator) carry
// the authentication pages' ids.
#ifndef LUMA_SERVICE_UI_WIZARD_RESOURCE_IDS_H_
#define LUMA_SERVICE_UI_WIZARD_RESOURCE_IDS_H_

#include "service/authdlg/auth_resource_ids.h"
#include "service/ui/ui_resource_ids.h"

// Page templates of the add-account wizard.
#define IDD_ADD_WIZ_PROVIDER 10116
#define IDD_ADD_WIZ_OTP 10118
#define IDD_ADD_WIZ_FINISH 10119
#define IDD_ADD_WIZ_CHECK 10124
#define IDD_ADD_WIZ_BROWSER 10171

// Page templates of the refresh-account wizard.
#define IDD_REFRESH_WIZ_CHECK 10122
#define IDD_REFRESH_WIZ_OTP 10123
#define IDD_REFRESH_WIZ_BROWSER 10172

// Controls of the wizard pages.
#define IDC_WIZ_PROVIDER_LIST 10109
#define IDC_WIZ_PROVIDER_PROMPT 10110
#define IDC_WIZ_PICTURE 10122
#define IDC_WIZ_RETRY 10158

// Texts.
#define IDS_WIZ_CHECK_ACCOUNT 10022
#define IDS_WIZ_WRONG_OTP 10042
#define IDS_WIZ_SELECT_PROVIDER 10043
#define IDS_WIZ_POLICY_ERROR 10045
#define IDS_WIZ_RETRIEVED 10098
#define IDS_WIZ_ACCOUNT_MISMATCH 10101
#define IDS_WIZ_NO_POLICY 10230
#define IDS_WIZ_NO_PROVIDER 10231

#endif  // LUMA_SERVICE_UI_WIZARD_RESOURCE_IDS_H_
