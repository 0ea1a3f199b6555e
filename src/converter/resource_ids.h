#pragma once
// The names and control ids of the converter program's resources, read by the resource
// compiler (tabrix.rc) and by the code alike: the one place each of them is written down.
// Plain #defines only, so that the resource compiler's preprocessor understands them; C++ code
// reaches them through the typed constants of the headers that name them (kConverterDialog,
// kSourceListId, ...).
//
// Resource names are bare names (the resource compiler stores them upper case and they are
// looked up without regard to case); TABRIX_RESOURCE_NAME turns one into the text the code
// asks for. The same control id appears in several dialogs: each dialog's ids have their own
// prefix. Controls without an id of their own use -1 in the script.

#define TABRIX_RESOURCE_NAME_TEXT(name) #name
#define TABRIX_RESOURCE_NAME(name) TABRIX_RESOURCE_NAME_TEXT(name)

// The program icon and the start picture of the host dialog.
#define IDI_TABRIX_PROGRAM ICON_1
#define IDB_TABRIX_START_PICTURE BITMAP_1

// The dialogs.
#define IDD_TABRIX_CONVERTER DIALOG_1
#define IDD_TABRIX_CHOOSER_THIRD_BUTTON DIALOG_2
#define IDD_TABRIX_PROGRESS DIALOG_3
#define IDD_TABRIX_PROTOCOL DIALOG_4
#define IDD_TABRIX_CHOOSER DIALOG_5
#define IDD_TABRIX_HOST DIALOG_6

// The converter dialog (IDD_TABRIX_CONVERTER).
#define IDC_CONV_SOURCE_LIST 101
#define IDC_CONV_TARGET_LIST 102
#define IDC_CONV_CONVERT 103
#define IDC_CONV_LEAVE 104
#define IDC_CONV_ASSIGN 106
#define IDC_CONV_ASSIGN_FINAL 107
#define IDC_CONV_REMOVE 108
#define IDC_CONV_OTHER_SOURCE 109
#define IDC_CONV_SOURCE_CAPTION 110
#define IDC_CONV_OPEN_ASSIGNMENTS 111
#define IDC_CONV_SAVE_ASSIGNMENTS 112
#define IDC_CONV_DOUBLE_CLICK_BOX 113
#define IDC_CONV_HINT_BOX 114
#define IDC_CONV_POSTAL_FROM_CITY_BOX 115
#define IDC_CONV_VIEWER_BOX 116

// Both choosers (IDD_TABRIX_CHOOSER_THIRD_BUTTON, IDD_TABRIX_CHOOSER); only the first has the
// third button.
#define IDC_CHOOSER_LIST 101
#define IDC_CHOOSER_CANCEL 104
#define IDC_CHOOSER_THIRD 105
#define IDC_CHOOSER_CHOOSE 106
#define IDC_CHOOSER_LABEL 110

// The progress dialog (IDD_TABRIX_PROGRESS).
#define IDC_PROGRESS_NAME 100
#define IDC_PROGRESS_COUNTER 101

// The protocol dialog (IDD_TABRIX_PROTOCOL).
#define IDC_PROTOCOL_EDIT 101
#define IDC_PROTOCOL_END 102
#define IDC_PROTOCOL_SAVE 103
#define IDC_PROTOCOL_LABEL 110
