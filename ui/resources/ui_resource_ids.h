// Resource ids of the user interface's own resources: the program's icon group and the texts the
// sheets and pages show.
#ifndef LUMA_UI_RESOURCES_UI_RESOURCE_IDS_H_
#define LUMA_UI_RESOURCES_UI_RESOURCE_IDS_H_

// The program's icon group: title bars of every sheet and the main window.
#define IDI_LUMAPASSV 1
// The notification-area icon when an account needs the user.
#define IDI_ATTENTION 129

// Texts of the sheets' buttons and the automatic cancel.
#define IDS_AUTH_CAPTION 10001
#define IDS_CANCEL_COUNTDOWN 10002
#define IDS_NEXT 10004
#define IDS_OK 10012
#define IDS_FINISH 10046

// Texts of the authentication pages (kept here: a string table block of 16 ids is one resource).
#define IDS_PASSWORD_CUE 10032
#define IDS_SERVICE_ERROR 10034
#define IDS_SERVICE_UNAVAILABLE 10035
#define IDS_WRONG_PASSWORD_TRIES 10037
#define IDS_WRONG_PASSWORD 10038
#define IDS_WRONG_PASSWORD_BLOCKED 10040

// Texts of the browser login.
#define IDS_BROWSER_FOLLOW_DIRECTIONS 10181
#define IDS_BROWSER_RETRY 10182
#define IDS_BROWSER_CANCELLED 10185
#define IDS_BROWSER_LOADING 10186
#define IDS_BROWSER_HTTP_STATUS 10187
#define IDS_BROWSER_UNREACHABLE 10188

// Pictures of the tiles and page controls (resources of type "PNG"): the certificate-type
// pictograms, the page picture, the information icon and the busy indicator's strip.
#define IDB_CERT_AUTHENTICATION 10004
#define IDB_CERT_ENCRYPTION 10005
#define IDB_CERT_STANDARD 10006
#define IDB_CERT_QUALIFIED 10010
#define IDB_CERT_ADVANCED 10013
#define IDB_PAGE_PICTURE 10068
#define IDB_INFO 10072
#define IDB_SPINNER 10135

// Texts of the tiles.
#define IDS_CERTIFICATE_DETAILS 10036
#define IDS_TILE_MANAGE 10052
#define IDS_TILE_MANAGE_TIP 10053
#define IDS_TILE_SHOW 10054
#define IDS_TILE_SHOW_TIP 10055
#define IDS_TYPE_QUALIFIED_TIP 10056
#define IDS_TYPE_PERSONAL_ADVANCED_TIP 10057
#define IDS_TYPE_COMPANY_ADVANCED_TIP 10058
#define IDS_TYPE_STANDARD_TIP 10059
#define IDS_TYPE_AUTHENTICATION_TIP 10060
#define IDS_TYPE_ENCRYPTION_TIP 10061

#endif  // LUMA_UI_RESOURCES_UI_RESOURCE_IDS_H_
