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
