// Ids of the gallery's resource script.
#define IDD_GALLERY 100
#define IDB_SKIN_BUTTON 200
#define IDS_GALLERY_TITLE 300
#define IDC_NAME 1001
#define IDC_FAST 1002
#define IDC_QUALITY 1003
#define IDC_HIGH 1004
#define IDC_LIST 1005
