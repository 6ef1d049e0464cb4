// Numeric ids of every resource, shared by the .rc scripts and the code.
#pragma once

// Icons
#define IDI_MAIN            101
#define IDI_TRAY            102

// Dialogs
#define IDD_CONFIGURE       102
#define IDD_SPLASH          104
#define IDD_ABOUT           107

// Bitmap and menu
#define IDB_SPLASH          105
#define IDM_TRAY            106

// Tray menu commands
#define IDM_CONFIGURE       40001
#define IDM_EXIT            40002
#define IDM_ABOUT           40003
#define IDM_HELP            40005

// Configure dialog controls
#define IDC_PORT            1000
#define IDC_BAUD            1001
#define IDC_RUN_AT_STARTUP  1008
#define IDC_AUTO_LOGON      1009
#define IDC_USER            1010
#define IDC_USER_LABEL      1011
#define IDC_PASSWORD        1012
#define IDC_PASSWORD_LABEL  1013
#define IDC_ASCII_EXTENDED  1014
#define IDC_ANSI_EXTENDED   1015
#define IDC_UNICODE_TEXT    1017
#define IDC_LOGON_NOTE      1018
#define IDC_FIND            1021
#define IDC_SEARCH_STATUS   1022
#define IDC_SIGN_IN         1023
#define IDC_SIGN_IN_NOTE    1025
#define IDC_PLAY_SOUNDS     1024

// Splash and About box
#define IDC_MONITOR         1016
#define IDC_VERSION         1019
#define IDC_PICTURE         1020

// String table
#define IDS_TWEAKUI                4
#define IDS_NOT_AVAILABLE          5
#define IDS_CREATING_HELP          6
#define IDS_HELP_CAPTION           7
#define IDS_ERROR_CAPTION          8
#define IDS_DEFAULTS_SAVE_FAILED   9
#define IDS_CREATE_SETTINGS_KEY    11
#define IDS_CREATE_RUN_KEY         12
#define IDS_SAVE_FAILED            13
#define IDS_STARTUP_KEY_FAILED     14
#define IDS_RUN_KEY_ACCESS         15
#define IDS_SETTINGS_KEY_ACCESS    16
#define IDS_AUTOLOGIN_KEY_ACCESS   17
#define IDS_ALREADY_RUNNING        18
#define IDS_UNABLE_TO_OPEN         19
#define IDS_PLEASE_CONFIGURE       20
#define IDS_PORT_STATUS            21
#define IDS_BLOCKED_WINDOW         22
// Configure: a present port with its name from Device Manager, Find my device
#define IDS_PORT_WITH_NAME         23
#define IDS_FIND_DEVICE            24
#define IDS_STOP_FINDING           25
#define IDS_SEARCH_LISTENING       26
#define IDS_SEARCH_FOUND           27
#define IDS_SEARCH_RATE            28
#define IDS_SEARCH_RATE_UNKNOWN    29
#define IDS_SEARCH_SILENT          30
#define IDS_SEARCH_NO_PORTS        31
#define IDS_SEARCH_STOPPED         32
#define IDS_SEARCH_NOT_STARTED     33
// Tray tooltip of the IrDA link; the splash and About version label
#define IDS_IRDA_STATUS            34
#define IDS_VERSION_LABEL          35
// Tavrin as Windows lists it among the assistive technologies (the
// installer's registration names these two by id), and Configure's notes
// on why the sign-in choice is greyed
#define IDS_AT_NAME                40
#define IDS_AT_DESCRIPTION         41
#define IDS_SIGN_IN_NOT_INSTALLED  42
#define IDS_SIGN_IN_NEEDS_ADMIN    43
// Tray tooltip while a Tavrin on the secure desktop has the device
#define IDS_SECURE_DESKTOP_STATUS  50
// The tray's sentence of what the device holds: one text for each mix of
// locked keys, keys held for the next key and mouse buttons down
// (IDS_HELD_LOCKED - 1 + 1 locked, + 2 pending, + 4 buttons); the key-cap
// and button names put in
#define IDS_HELD_LOCKED            60
#define IDS_HELD_PENDING           61
#define IDS_HELD_LOCKED_PENDING    62
#define IDS_HELD_BUTTONS           63
#define IDS_HELD_LOCKED_BUTTONS    64
#define IDS_HELD_PENDING_BUTTONS   65
#define IDS_HELD_ALL               66
#define IDS_KEY_CTRL               67
#define IDS_KEY_ALT                68
#define IDS_KEY_SHIFT              69
#define IDS_KEY_WIN                70
#define IDS_BUTTON_LEFT            71
#define IDS_BUTTON_RIGHT           72
#define IDS_BUTTON_MIDDLE          73
