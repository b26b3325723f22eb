// Resource identifiers of the browser login page, shared by the resource script and the code; the
// page's common controls are those of every authentication page.
#ifndef LUMA_SERVICE_WEBLOGIN_WEBLOGIN_RESOURCE_IDS_H_
#define LUMA_SERVICE_WEBLOGIN_WEBLOGIN_RESOURCE_IDS_H_

#include "service/authdlg/auth_resource_ids.h"

#define IDD_BROWSER_LOGIN 10173
#define IDC_BROWSER_START 10158

#endif  // LUMA_SERVICE_WEBLOGIN_WEBLOGIN_RESOURCE_IDS_H_
