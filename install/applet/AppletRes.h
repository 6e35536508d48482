// Resource ids of the Control Panel applet.
#pragma once
#define IDI_APPLET 104
#define IDS_APPLET_NAME 102
#define IDS_APPLET_DESC 103
