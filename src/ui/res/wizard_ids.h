#pragma once
// Dialog templates and control ids of the initialization dialog, the wizard's pages and
// the wait dialog. Shared by the resource script and the C++ code, so plain #defines.

#define IDD_INIT_DIALOG 132
#define IDD_PAGE1 103
#define IDD_PAGE2 104
#define IDD_PAGE3 105
#define IDD_PAGE4 106
#define IDD_WAIT_DIALOG 133

// Controls every page has.
#define IDC_SIDE_PICTURE 1000
#define IDC_PAGE_TITLE 1007
#define IDC_PAGE_BODY 1008

// Initialization dialog.
#define IDC_INIT_ANIMATION 1017
#define IDC_INIT_PROGRESS 1024

// Page 1: welcome and agreement.
#define IDC_AGREE 1002
#define IDC_AGREEMENT_TEXT 1006
#define IDC_VERSION_LINE 1016
#define IDC_TOOL_LINE 1018
#define IDC_OPEN_LOG 1021

// Page 2: directories.
#define IDC_INSTALL_DIR 1003
#define IDC_BROWSE_INSTALL 1004
#define IDC_DOWNLOAD_DIR 1005
#define IDC_BROWSE_DOWNLOAD 1006

// Page 3: version, download, installation (the log button is IDC_OPEN_LOG).
#define IDC_START_INSTALL 1011
#define IDC_LOG_LIST 1012
#define IDC_PROGRESS 1013
#define IDC_PACKAGE_LIST 1014
#define IDC_TOTAL_SIZE 1015
#define IDC_TOTAL_TIME 1016
#define IDC_REMAINING 1017
#define IDC_STATUS_LINE 1018
#define IDC_NET20 1019
#define IDC_NET40 1020
#define IDC_NET_DEFAULT 1022

// Page 4: finish.
#define IDC_FINISH_TIP 1009
#define IDC_DELETE_PACKAGES 1018

// Wait dialog.
#define IDC_WAIT_MESSAGE 1009
#define IDC_WAIT_BAR 1013
