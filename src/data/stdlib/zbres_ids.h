#pragma once
// The numbers of the texts in the framework's resource library ZBRES32.DLL, read by its
// resource script (src/framework/zbres/zbres32.rc) and by the code that loads the texts: the
// one place each number is written down. Plain #defines, so that the resource compiler's
// preprocessor understands them too.

// Browse: the active index key has a type the browse cannot order its rows by.
#define IDS_ZB_BROWSE_KEY_TYPE 105
// Caption of the browse's and the table opener's message boxes ("Achtung").
#define IDS_ZB_ATTENTION 106
// Status bar text shown when no menu item is highlighted ("Bereit").
#define IDS_ZB_READY 111
// Title and question on leaving learn mode.
#define IDS_ZB_LEARN_MODE_TITLE 122
#define IDS_ZB_LEARN_MODE_END 123
// Dialog class: duplicate control ids (followed by the first free id), its message boxes'
// caption, one duplicated id (followed by the id), a dialog not created (followed by its name).
#define IDS_ZB_DIALOG_DUPLICATE_IDS 207
#define IDS_ZB_DIALOG_ERROR_CAPTION 208
#define IDS_ZB_DIALOG_DUPLICATE_ID 209
#define IDS_ZB_DIALOG_NOT_CREATED 210
// Browse: edit mode needs the whole table locked.
#define IDS_ZB_BROWSE_TABLE_LOCKED 211
// Dialog class: a template the resource module lacks (followed by its name).
#define IDS_ZB_DIALOG_TEMPLATE_MISSING 212
// Table opener: the table was not found; it cannot be opened now, retry? (one %s: the file)
#define IDS_ZB_TABLE_NOT_FOUND 213
#define IDS_ZB_TABLE_IN_USE 214
// Dialog class: a hidden control the dialog lacks (followed by its id).
#define IDS_ZB_DIALOG_HIDDEN_CONTROL_MISSING 222
