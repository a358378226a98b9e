#pragma once
// Resource and control identifiers of the application.

#define IDI_APPLICATION_ICON 128
#define IDD_MAIN 129
#define IDD_ABOUT 100

// Main dialog
#define IDC_PREVIEW 1001
#define IDC_PROPERTIES 1004
#define IDC_APP_ABOUT 57664

// About dialog
#define IDC_VENDOR_LINK 1010
#define IDC_VERSION 1014
#define IDC_NOTICE 1015
#define IDC_PRODUCT_PICTURE 1016
