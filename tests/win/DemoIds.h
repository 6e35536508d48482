// Ids of the framework test sheet.
#pragma once
#define IDD_DEMO_PAGE1 900
#define IDD_DEMO_PAGE2 901
#define IDC_DEMO_CHECK 910
#define IDC_DEMO_NUMBER 911
#define IDC_DEMO_TEXT 912
