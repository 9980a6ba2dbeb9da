#pragma once
// Resource identifiers of Zema.exe. The numbers are fixed: other modules and
// the skin refer to them.

#define IDD_ABOUTBOX 100
#define IDD_MAINWINDOW 129
#define IDI_ZEMA 214

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDC_ABOUT_TITLE 1001
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_INSTALLDATE 1003
#define IDC_ABOUT_UPDATED 1004
