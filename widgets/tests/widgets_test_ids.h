// Ids of the widget tests' resource library.
#pragma once

#define IDD_TEST_HOST 100
#define IDD_TEST_PAGE1 101
#define IDD_TEST_PAGE2 102
#define IDD_TEST_PAGE3 103
#define IDC_PAGE_AREA 1000
#define IDC_PAGE_LABEL 1001
#define IDS_TEST_TITLE 200
