// Ids of the test resource script.
#define IDD_SETTINGS 100
#define IDR_CONTEXT 200
#define IDB_SWATCH 300
#define IDC_NAME 1001
#define IDC_MODE 1002
#define IDS_HELLO 2001
#define IDS_NOT_LOADED 2002
#define ID_OPEN 3001
#define ID_IPOD 3002
#define ID_PSP 3003
