// Resource and command ids of the front end: dialogs, controls, menus,
// accelerators, strings, bitmap and icon. Shared by the resource script and
// the code.
#pragma once

// Dialogs.
#define IDD_DIALOG 102
#define IDD_DIALOGSORT 103
#define IDD_ABOUTBOX 104

// Menus (each resource's first popup is a pop-up menu).
#define IDM_EDIT 101
#define IDM_HELP 102
#define IDM_FOLDERS 103
#define IDM_RESULTS 104

#define IDA_ACCELERATORS 801
#define IDI_MOXWIN 128

// Main window controls.
#define IDC_ANCHOR 1000
#define IDC_FOLDER_LABEL 1001
#define IDC_FOLDER_LIST 1002
#define IDC_PROGRAM 1003
#define IDC_ADD_FOLDER 1004
#define IDC_STATUS 1005
#define IDC_REMOVE_FOLDER 1009
#define IDC_PROGRAM_LABEL 1010
#define IDC_RESULT_LIST 1011
#define IDC_SORT 1012
#define IDC_CONFIRM 1013
#define IDC_ERASE 1014
#define IDC_EDITOR 1016
#define IDC_RESULT_LABEL 1045
#define IDC_NO_CONFIRM 1044
#define IDC_MARK_LABEL 1042
#define IDC_MARK 1043
#define IDC_EDIT_MENU 1047
#define IDC_RECYCLE 1048
#define IDC_START 1049
#define IDC_HELP_MENU 1050
#define IDC_EXCLUDE 1054
#define IDC_EXCLUDE_LABEL 1055
#define IDC_MIN_LABEL 1056
#define IDC_MAX_LABEL 1057
#define IDC_MIN 1058
#define IDC_MAX 1059
#define IDC_ATTRIBUTE_LABEL 1060
#define IDC_ATTRIBUTE 1061
#define IDC_CLOSE 1062

// About box.
#define IDC_ABOUT_ICON 1051
#define IDC_ABOUT_TEXT 1052

// Sort dialog: key row k (1 to 6) has combo box 1023 + k, ascending radio
// 1028 + 2k and descending radio 1029 + 2k.
#define IDC_SORT_KEY1 1024
#define IDC_SORT_ASCENDING1 1030

// Menu commands.
#define IDM_COPY_PATHS 206
#define IDM_ABOUT 209
#define IDM_SELECT_ALL 210
#define IDM_INVERT_SELECTION 211
#define IDM_DESELECT_ALL 212
#define IDM_SELECT_CHECKED 213
#define IDM_CHECK 215
#define IDM_AUTO_CHECK 216
#define IDM_UNCHECK 217
#define IDM_TOGGLE_CHECK 218
#define IDM_FOCUS_RESULTS 219
#define IDM_EDIT_FOLDER 220
#define IDM_HELP_DOCUMENT 221
#define IDM_OPEN 225
#define IDM_SAVE_AS 226
#define IDM_OPEN_FOLDER 227
#define IDM_PROPERTIES 228
#define IDM_PROGRAM_NONE 230
#define IDM_PROGRAM_FIRST 231
#define IDM_PROGRAM_LAST 330
#define IDM_SELECT_SAME_FOLDERS 333
#define IDM_TOGGLE_GROUP_SELECTION 334
#define IDM_UNCHECK_ALL 335
#define IDM_CHECK_THIS_FOLDER 336
#define IDM_CHECK_OUTSIDE_FOLDER 337
#define IDM_FOLDER_PROPERTIES 338
#define IDM_SORT_CLOSE 204

// Strings.
#define IDS_TITLE 400
#define IDS_VERSION 403
#define IDS_BROWSE_TITLE 408
#define IDS_FOLDER_COLUMN 409
#define IDS_COLUMN_FIRST 410
#define IDS_SORT_KEY_FIRST 420
#define IDS_DELETE_QUESTION 442
#define IDS_CONFIRM_LINE 444
#define IDS_DELETED_ALL 445
#define IDS_DELETED_SOME 446
#define IDS_FOLDER_IN_USE 447
#define IDS_NOTHING_CHECKED 449
#define IDS_PROGRAMS 450
#define IDS_LIST_FILE 451
#define IDS_DLIST_FILE 452
#define IDS_COUNT_FILE 453
#define IDS_CLIST_FILE 454
#define IDS_DELETE_LOG 455
#define IDS_DELETING 456
#define IDS_SUMMARY 457
#define IDS_RUN_FAILED 458
#define IDS_CHECKS_UPDATED 459
#define IDS_EXCLUDE_FILE 460
#define IDS_EXCLUDE_PRESET 461
#define IDS_SAVE_TYPES 462
// Texts of this program's own, for what the older texts do not cover.
#define IDS_SAME_FILE_KEPT 470
#define IDS_PROGRAM_TOO_LONG 471
#define IDS_WHOLE_GROUPS 472
#define IDS_DELETE_NO_MEMORY 473
#define IDS_LOAD_NO_MEMORY 474
#define IDS_FOLDER_LINE_REFUSED 475
#define IDS_FOLDER_TOO_LONG 476
