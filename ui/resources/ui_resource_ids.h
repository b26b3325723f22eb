// Resource ids of the user interface's own resources: the program's icon group and the texts the
// sheets and pages show.
#ifndef LUMA_UI_RESOURCES_UI_RESOURCE_IDS_H_
#define LUMA_UI_RESOURCES_UI_RESOURCE_IDS_H_

// The program's icon group: title bars of every sheet and the main window.
#define IDI_LUMAPASSV 1

// Texts of the sheets' buttons and the automatic cancel.
#define IDS_CANCEL_COUNTDOWN 10002
#define IDS_NEXT 10004
#define IDS_OK 10012
#define IDS_FINISH 10046

#endif  // LUMA_UI_RESOURCES_UI_RESOURCE_IDS_H_
