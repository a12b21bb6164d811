/* Numbers of the library's dialogs, controls and bitmaps, shared by the
   resource scripts and the code.  Plain #defines: the resource compiler
   reads this file too. */
#ifndef TXR_RESOURCE_IDS_H
#define TXR_RESOURCE_IDS_H

/* Bitmaps */
#define IDB_STATE_IMAGES 1
#define IDB_LEFT_PANEL 106

/* Wizard pages and their dialogs */
#define IDD_WELCOME 12037
#define IDD_SUCCESS 12030
#define IDD_PROGRAM_SCAN 12032
#define IDD_INTEGRATE 12033
#define IDD_PLUGINS 113
#define IDD_SETUP_ERROR 12038
#define IDD_APP_GENERAL 105
#define IDD_PLUGIN_LOCATION 4013
#define IDD_PLUGIN_EXTENSIONS 4014
#define IDD_CHOOSE_APPLICATION 114

/* A static text without an identifier */
#define IDC_UNNAMED 65535
/* The hidden rectangle that marks the left bitmap panel of a wizard page */
#define IDC_LEFT_PANEL 1004

/* Welcome page */
#define IDC_WELCOME_TITLE 1005
#define IDC_WELCOME_MESSAGE 1008
#define IDC_WELCOME_ADVICE 1009
#define IDC_WELCOME_SPARE 1018
#define IDC_WELCOME_PROGRESS_TEXT 1011
#define IDC_WELCOME_PROGRESS 1010

/* Success page */
#define IDC_SUCCESS_TITLE 1015
#define IDC_SUCCESS_WAIT_TITLE 1044
#define IDC_SUCCESS_NO_INTEGRATION 1029

/* Program scan page */
#define IDC_SCAN_TITLE 1039
#define IDC_SCAN_SKIP 1005
#define IDC_SCAN_STATUS 1010
#define IDC_SCAN_PROGRESS 1009

/* Integrate with Applications page */
#define IDC_INTEGRATE_LIST 1030
#define IDC_INTEGRATE_INFO_GROUP 1035
#define IDC_INTEGRATE_PROGRESS_TEXT 1036
#define IDC_INTEGRATE_PROPERTIES 1041

/* General page of the application properties */
#define IDC_GENERAL_STATUS_GROUP 1029
#define IDC_GENERAL_STATUS 1001
#define IDC_GENERAL_LOCATION_GROUP 1043
#define IDC_GENERAL_LOCATION 1014
#define IDC_GENERAL_SCAN 1038
#define IDC_GENERAL_BROWSE 1012
#define IDC_GENERAL_PROGRESS 1009
#define IDC_GENERAL_DESCRIPTION_GROUP 1031
#define IDC_GENERAL_DESCRIPTION 1003

/* Choose Application dialog */
#define IDC_CHOOSE_TEXT 1033
#define IDC_CHOOSE_LIST 1032

/* Plug-in Support page */
#define IDC_PLUGINS_TEXT 1023
#define IDC_PLUGINS_LIST 4015
#define IDC_PLUGINS_PROPERTIES 4016

/* Plug-in Location page */
#define IDC_LOCATION_PATH_GROUP 1028
#define IDC_LOCATION_PATH 4010
#define IDC_LOCATION_FIND_GROUP 1027
#define IDC_LOCATION_FIND_TEXT 1026
#define IDC_LOCATION_SCAN 1024
#define IDC_LOCATION_BROWSE 1025
#define IDC_LOCATION_URL 4012

/* Plug-in File Extension(s) page */
#define IDC_EXTENSIONS_TEXT 4005
#define IDC_EXTENSIONS_GROUP 4009
#define IDC_EXTENSIONS_EDIT 4007
#define IDC_EXTENSIONS_ADD 4008
#define IDC_EXTENSIONS_LIST 4006
#define IDC_EXTENSIONS_REMOVE 4003

#endif
