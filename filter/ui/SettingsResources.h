#pragma once
// Resource identifiers of the camera module's settings user interface, shared by Veltrane.rc and the code.

// Dialog templates.
#define IDD_CAMERA_MODE 106
#define IDD_VIDEO_MODE 107
#define IDD_PICTURES_MODE 108
#define IDD_DESKTOP_MODE 109
#define IDD_TRAY_WINDOW 110
#define IDD_SETTINGS_PAGE 111

// The page title string and the module's icon.
#define IDS_SETTINGS_TITLE 110
#define IDI_VELTRANE 111

// Settings page: the mode radio buttons (1025 + input mode) and the area the mode dialogs cover.
#define IDC_MODE_CAMERA 1026
#define IDC_MODE_PICTURES 1027
#define IDC_MODE_VIDEO 1028
#define IDC_MODE_DESKTOP 1029
#define IDC_MODE_AREA 1036

// Camera mode dialog.
#define IDC_BORDER_PREVIOUS 1025
#define IDC_BORDER_NEXT 1026
#define IDC_CAMERA_LIST 1032
#define IDC_USE_BORDER 1033
#define IDC_CAMERA_PROPERTIES 1037
#define IDC_NO_CAMERAS 1040
#define IDC_BORDER_LIST 1041

// Video mode dialog.
#define IDC_SELECT_VIDEO 1042
#define IDC_VIDEO_FILE 1048

// Pictures mode dialog (transition buttons are 1042 + PicChType).
#define IDC_SELECT_DIRECTORY 1037
#define IDC_CHANGE_WIPE 1043
#define IDC_CHANGE_STRIPS 1044
#define IDC_CHANGE_CUT 1045
#define IDC_CHANGED_TIME 1046
#define IDC_CHANGED_TIME_SPIN 1047
#define IDC_PICTURES_DIRECTORY 1049

// Desktop mode dialog.
#define IDC_MONITOR_LIST 1038
