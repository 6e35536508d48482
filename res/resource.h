// Resource and control ids of Quillrest.exe, numbered by dialog.
#pragma once

#define IDI_QUILLREST 128
#define IDR_APPLET_FILE 132

// Boot window (template 102)
#define IDD_BOOT 102
#define IDC_BOOT_PROGRESS 1000
#define IDC_BOOT_PRODUCT 1002
#define IDC_BOOT_NAME 1003
#define IDC_BOOT_COMMAND 1004
#define IDC_BOOT_FRAME 1005
#define IDC_BOOT_MINIMIZED 1020
#define IDC_BOOT_HURRY 1021

// Welcome dialog (template 149) and its pictures
#define IDD_WELCOME 149
#define IDB_WELCOME_1 154
#define IDB_WELCOME_2 139

// Trouble dialog (template 150)
#define IDD_TROUBLE 150
#define IDC_TROUBLE_CREATE_LOGS 1023

// Message dialog (template 155)
#define IDD_MESSAGE 155
#define IDC_MESSAGE_DONT_SHOW 1043
#define IDC_MESSAGE_TEXT 1044

// Status popup (template 156)
#define IDD_STATUS 156
#define IDC_STATUS_ENTER_EATER 1026
#define IDC_STATUS_PROGRESS 1038
#define IDC_STATUS_LINE2 1039
#define IDC_STATUS_LINE1 1040
#define IDC_STATUS_DONT_SHOW 1043

// Configuration sheet pages (templates 140-152) and their pictures
#define IDD_PAGE_MAIN 140
#define IDD_PAGE_LAUNCH 141
#define IDD_PAGE_TEMP 142
#define IDD_PAGE_CDDRIVES 143
#define IDD_PAGE_FILECHK 147
#define IDD_PAGE_ROOTDIR 148
#define IDD_PAGE_INTERNET 151
#define IDD_PAGE_COOKIES 152
#define IDB_PAGE_COOKIES 161
#define IDB_PAGE_ROOTDIR 162
#define IDB_PAGE_CDDRIVES 163
#define IDB_PAGE_TEMP 164
#define IDB_PAGE_INTERNET 165
#define IDB_PAGE_FILECHK 166
#define IDB_PAGE_LAUNCH 167
#define IDB_PAGE_MAIN 171
#define IDC_MAIN_UNINSTALL 1012
#define IDC_MAIN_DELAY 1017
#define IDC_MAIN_MINIMIZED 1020
#define IDC_MAIN_FEEDBACK 1026
#define IDC_MAIN_TROUBLE 1027
#define IDC_MAIN_TRANSPARENT 1029
#define IDC_MAIN_VERSION 1035
#define IDC_MAIN_STAT_BOOTS 1041
#define IDC_MAIN_STAT_JUNK 1042
#define IDC_MAIN_STAT_WEBFILES 1043
#define IDC_MAIN_STAT_COOKIES 1044
#define IDC_MAIN_STAT_ADS 1045
#define IDC_LAUNCH_LIST 1013
#define IDC_LAUNCH_EARLIER 1014
#define IDC_LAUNCH_LATER 1015
#define IDC_LAUNCH_RESTORE 1016
#define IDC_LAUNCH_DETAILS 1036
#define IDC_TEMP_SAFE 1023
#define IDC_TEMP_DIRS 1024
#define IDC_TEMP_ALL 1025
#define IDC_TEMP_SHOW 1026
#define IDC_TEMP_SAFE_COUNT 1033
#define IDC_TEMP_OTHER_COUNT 1034
#define IDC_CDDRIVES_RESTORE 1027
#define IDC_CDDRIVES_REMOVE 1030
#define IDC_CDDRIVES_STATUS 1031
#define IDC_FILECHK_DELETE 1032
#define IDC_ROOTDIR_SHOW 1026
#define IDC_ROOTDIR_COUNT 1031
#define IDC_INTERNET_VERSION 1024
#define IDC_INTERNET_CACHE 1028
#define IDC_COOKIES_DELETE 1023
#define IDC_COOKIES_KEEP 1025

// Ad blocking: the default ad-server list, Block Ads page (template 157), Select Blocking (template 160)
#define IDR_AD_SERVER_LIST 159
#define IDD_PAGE_BLOCKADS 157
#define IDB_PAGE_BLOCKADS 168
#define IDC_BLOCKADS_BLOCK 1023
#define IDC_BLOCKADS_DOWNLOAD 1025
#define IDC_BLOCKADS_HIDE_ERRORS 1028
#define IDC_BLOCKADS_PICTURE 1046
#define IDC_BLOCKADS_LIST_URL 1047
#define IDC_BLOCKADS_UPDATE_NOW 1048
#define IDD_SELECT_BLOCKING 160
#define IDC_SELECT_BLOCKING_LIST 1024

// Boot Report page (template 180) and the launch-order page's pacing switch
#define IDD_PAGE_BOOTREPORT 180
#define IDC_BOOTREPORT_SUMMARY 1110
#define IDC_BOOTREPORT_CHART 1111
#define IDC_BOOTREPORT_TREND 1112
#define IDC_LAUNCH_PACING 1113

// New start-up program notice (template 182) and the launch-order page's switch for it
#define IDD_NOTICE 182
#define IDC_NOTICE_TEXT 1115
#define IDC_NOTICE_DONT_START 1116
#define IDC_NOTICE_LAUNCH_ORDER 1117
#define IDC_LAUNCH_NOTIFY 1114

// The line a page (or the trouble dialog) shows while a policy fixes some of its settings
#define IDC_MANAGED 1120

// The main page's introduction, and the line that takes its place on a sheet that only shows the settings
#define IDC_MAIN_INTRO 1121
#define IDC_MAIN_READ_ONLY 1122
