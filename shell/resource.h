// Every resource id of the program, one block per window. Shared by the resource script
// and the code, so plain #defines only; code never repeats a number.
#pragma once

// ---- Application ------------------------------------------------------------------------
#define IDI_APP 70          // window icon, small and large
#define IDR_MAIN_MENU 71    // main menu
#define IDR_ACCELERATORS 7  // Alt+F4 -> IDM_ALT_F4

// ---- Main window (template 69) ---------------------------------------------------------
#define IDD_MAIN 69
#define IDC_STATUS_BAR 1  // child id of the status bar

// Menu commands. Access keys: File (D, S, X); View (R, D); Configure (I, T, M, P, F, 2, C,
// S); Help (A).
#define IDM_DISCONNECT 60
#define IDM_SAVE_LOG 64
#define IDM_EXIT 61
#define IDM_VIEW_RUN 373
#define IDM_VIEW_DIAGNOSTICS 372
#define IDM_DEVICE_IDENTIFICATION 30
#define IDM_REAL_TIME_CLOCK 27
#define IDM_MOTORS 24
#define IDM_PRESSURE_SENSOR 25
#define IDM_FLOW_METER 23
#define IDM_RS232 29
#define IDM_STABILIZATION_CLEANING 22
#define IDM_SCHEDULE 1375
#define IDM_ABOUT 68
#define IDM_ALT_F4 8  // the accelerator's command; swallowed so Alt+F4 does not close

// Modal dialogs opened from the Configure menu (templates of later windows).
#define IDD_SCHEDULE 8
#define IDD_STABILIZATION_CLEANING 17
#define IDD_FLOW_METER 65
#define IDD_MOTORS 74
#define IDD_PRESSURE_SENSOR 110
#define IDD_REAL_TIME_CLOCK 164
#define IDD_DEVICE_IDENTIFICATION 201

// ---- Views: the template number doubles as the view id --------------------------------
#define IDD_CONNECT_VIEW 32
#define IDD_DIAGNOSTICS_VIEW 42
#define IDD_RUN_VIEW 177

// ---- Connect view (template 32) ---------------------------------------------------------
#define IDC_CONNECT_BANNER 34
#define IDC_PORT_LIST 33
#define IDC_CONNECT 31
#define IDC_PORT_LABEL 35

// ---- Diagnostics view (template 42) -----------------------------------------------------
#define IDC_CLEAR_LOG_DIAG 41
#define IDC_DIAG_LOG_LIST 43
#define IDC_PAUSE_DISPLAY 44
#define IDC_RH 45
#define IDC_RUN_STATE 46
#define IDC_SAVE_DIAG 47
#define IDC_TASKS 48
#define IDC_TEMP 49
#define IDC_DIAGNOSTICS_BANNER 50
#define IDC_TOGGLE_LED 51
#define IDC_VOLTAGE 52
#define IDC_RUN_STATE_LABEL 53
#define IDC_VOLTAGE_LABEL 54
#define IDC_TEMP_LABEL 55
#define IDC_RH_LABEL 56

// ---- Run view (template 177) ------------------------------------------------------------
#define IDC_RUN_BANNER 1780
#define IDC_STATE_BANNER 1781
#define IDC_STATUS_FRAME 1782
#define IDC_TIME_LINE 1783
#define IDC_CONTROL_LINE 1784
#define IDC_WAYPOINT_LINE 1785
#define IDC_STATE_LINE 1786
#define IDC_RUN_STATUS_LINE 1787
#define IDC_FLOW_LINE 1788
#define IDC_PRESSURE_LINE 1789
#define IDC_MODE_LABEL 1790
#define IDC_MODE 1791
#define IDC_CARTRIDGES_LABEL 1792
#define IDC_CARTRIDGES 1793
#define IDC_VOLUME_LABEL 1794
#define IDC_VOLUME 1795
#define IDC_TIMEOUT_LABEL 1796
#define IDC_TIMEOUT 1797
#define IDC_CLEAN 1798
#define IDC_START 1799
#define IDC_STOP 1800
#define IDC_CLEAR_LOG 1801
#define IDC_SAMPLE_LOG_LIST 1802

// ---- About dialog (template 2) ----------------------------------------------------------
#define IDD_ABOUT 2
#define IDC_ABOUT_FIRMWARE 3
#define IDC_ABOUT_GUI 4
#define IDC_ABOUT_OK 5
#define IDC_ABOUT_DEVICE 6
#define IDC_ABOUT_ADDRESS1 7
#define IDC_ABOUT_ADDRESS2 8
#define IDC_ABOUT_ADDRESS3 9
#define IDC_ABOUT_ADDRESS4 10
