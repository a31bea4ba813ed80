// Every resource id of the program: templates, menu, accelerators, icon and the control
// ids of every window, one block per window. Shared by the resource script and the code,
// so plain #defines only; code never repeats a number. Ids the program's documents fix
// are given as they are; a window's other ids stay inside its block's range.
#pragma once

// ---- Application ------------------------------------------------------------------------
#define IDI_APP 70          // window icon, small and large
#define IDR_MAIN_MENU 71    // main menu
#define IDR_ACCELERATORS 7  // Alt+F4 -> IDM_ALT_F4

// ---- Templates: a view's template number doubles as its view id --------------------------
#define IDD_ABOUT 2
#define IDD_SCHEDULE 8
#define IDD_STABILIZATION_CLEANING 17
#define IDD_CONNECT_VIEW 32
#define IDD_DIAGNOSTICS_VIEW 42
#define IDD_FLOW_METER 65
#define IDD_MAIN 69
#define IDD_MOTORS 74
#define IDD_PRESSURE_SENSOR 110
#define IDD_RESET_CARTRIDGE 130
#define IDD_REAL_TIME_CLOCK 164
#define IDD_RUN_VIEW 177
#define IDD_DEVICE_IDENTIFICATION 201
#define IDD_TASKS 208

// ---- Main window (template 69) ---------------------------------------------------------
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

// ---- About dialog (template 2): 3..10 -----------------------------------------------------
#define IDC_ABOUT_FIRMWARE 3
#define IDC_ABOUT_GUI 4
#define IDC_ABOUT_OK 5
#define IDC_ABOUT_DEVICE 6
#define IDC_ABOUT_ADDRESS1 7
#define IDC_ABOUT_ADDRESS2 8
#define IDC_ABOUT_ADDRESS3 9
#define IDC_ABOUT_ADDRESS4 10

// ---- Connect view (template 32): 31..35 ---------------------------------------------------
#define IDC_CONNECT 31
#define IDC_PORT_LIST 33
#define IDC_CONNECT_BANNER 34
#define IDC_PORT_LABEL 35

// ---- Diagnostics view (template 42): 41..59 -----------------------------------------------
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

// ---- Task table (template 208): 200..379 --------------------------------------------------
// Sixteen rows of ten controls; row i's ids are the row-0 id + kTaskRowStride * i.
#define IDC_TASK_HEADER_DEBUG 205
#define IDC_TASK_HEADER_ERROR 206
#define IDC_TASK_HEADER_INFO 207
#define IDC_TASK_SAVE 209
#define IDC_TASK_ROW0_DEBUG 210
#define IDC_TASK_ROW0_STACK_END 211
#define IDC_TASK_ROW0_ERROR 212
#define IDC_TASK_ROW0_ID 213
#define IDC_TASK_ROW0_INFO 214
#define IDC_TASK_ROW0_NAME 215
#define IDC_TASK_ROW0_STACK_START 216
#define IDC_TASK_ROW0_STATE 217
#define IDC_TASK_ROW0_STACK_TOP 218
#define IDC_TASK_ROW0_STACK_USAGE 219
#define IDC_TASK_ROW_STRIDE 10
#define IDC_TASK_ROWS 16

// ---- Flow meter dialog (template 65): 650..659 --------------------------------------------
#define IDC_FLOW_PULSES_LABEL 650
#define IDC_FLOW_PULSES 651
#define IDC_FLOW_SAVE 652

// ---- Stabilization and cleaning dialog (template 17): 170..189 ----------------------------
#define IDC_CLEANING_STABILIZATION_GROUP 170
#define IDC_CLEANING_FLOW_TIME_LABEL 171
#define IDC_CLEANING_FLOW_TIME 172
#define IDC_CLEANING_BLEACH_GROUP 173
#define IDC_CLEANING_THROUGH_CARTRIDGE 174
#define IDC_CLEANING_BLEACH_SPEED_LABEL 175
#define IDC_CLEANING_BLEACH_SPEED 176
#define IDC_CLEANING_BLEACH_TIME_LABEL 177
#define IDC_CLEANING_BLEACH_TIME 178
#define IDC_CLEANING_DWELL_LABEL 179
#define IDC_CLEANING_DWELL 180
#define IDC_CLEANING_FLUSH_LABEL 181
#define IDC_CLEANING_FLUSH 182
#define IDC_CLEANING_SAVE 183

// ---- Motor configuration dialog (template 74): 740..799 -----------------------------------
#define IDC_MOTOR_LABEL 740
#define IDC_MOTOR_COMBO 741
#define IDC_MOTOR_MANUAL_GROUP 742
#define IDC_MOTOR_TRACK_LABEL 743
#define IDC_MOTOR_TRACKBAR 744
#define IDC_MOTOR_TRACK_MIN 745
#define IDC_MOTOR_TRACK_MAX 746
#define IDC_MOTOR_TRACK_POSITION 747
#define IDC_MOTOR_FORWARDS 748
#define IDC_MOTOR_REVERSE 749
#define IDC_MOTOR_SAVED_GROUP 750
#define IDC_MOTOR_DIRECTION_LABEL 751
#define IDC_MOTOR_DIRECTION 752
#define IDC_MOTOR_AUTOSTOP_LABEL 753
#define IDC_MOTOR_AUTOSTOP 754
#define IDC_MOTOR_SECOND_AUTOSTOP 755
#define IDC_MOTOR_PRESSURE_LABEL 756
#define IDC_MOTOR_PRESSURE 757
#define IDC_MOTOR_TIMEOUT_LABEL 758
#define IDC_MOTOR_TIMEOUT 759
#define IDC_MOTOR_ENGAGED_LABEL 760
#define IDC_MOTOR_ENGAGED 761
#define IDC_MOTOR_SAMPLE_ENGAGED 762
#define IDC_MOTOR_DISENGAGED_LABEL 763
#define IDC_MOTOR_DISENGAGED 764
#define IDC_MOTOR_SAMPLE_DISENGAGED 765
#define IDC_MOTOR_SPEED_LABEL 766
#define IDC_MOTOR_SPEED 767
#define IDC_MOTOR_SAVE 768
#define IDC_MOTOR_TEST_GROUP 769
#define IDC_MOTOR_FLOW_VOLUME_LABEL 770
#define IDC_MOTOR_FLOW_VOLUME 771
#define IDC_MOTOR_FLOW_TIMEOUT_LABEL 772
#define IDC_MOTOR_FLOW_TIMEOUT 773
#define IDC_MOTOR_TEST_FIRST 774   // Engage or Pump
#define IDC_MOTOR_TEST_SECOND 775  // Disengage

// ---- Pressure sensor calibration dialog (template 110): 1100..1159 ------------------------
#define IDC_PRESSURE_CALIBRATE_GROUP 1100
#define IDC_PRESSURE_BAR_HEADING 1101
#define IDC_PRESSURE_VOLT_HEADING 1102
#define IDC_PRESSURE_CAL_LINE 1103  // the calibration line, "uncalibrated" in the template
#define IDC_PRESSURE_CALCULATE 1104
#define IDC_PRESSURE_SAVE 1105
#define IDC_PRESSURE_TEST_GROUP 1106
#define IDC_PRESSURE_TEST 1107
#define IDC_PRESSURE_RESULT 1108
// Five calibration rows: check box, bar edit, volt edit, Sample button.
#define IDC_PRESSURE_USE1 1110
#define IDC_PRESSURE_BAR1 1111
#define IDC_PRESSURE_VOLT1 1112
#define IDC_PRESSURE_SAMPLE1 1113
#define IDC_PRESSURE_USE2 1114
#define IDC_PRESSURE_BAR2 1115
#define IDC_PRESSURE_VOLT2 1116
#define IDC_PRESSURE_SAMPLE2 1117
#define IDC_PRESSURE_USE3 1118
#define IDC_PRESSURE_BAR3 1119
#define IDC_PRESSURE_VOLT3 1120
#define IDC_PRESSURE_SAMPLE3 1121
#define IDC_PRESSURE_USE4 1122
#define IDC_PRESSURE_BAR4 1123
#define IDC_PRESSURE_VOLT4 1124
#define IDC_PRESSURE_SAMPLE4 1125
#define IDC_PRESSURE_USE5 1126
#define IDC_PRESSURE_BAR5 1127
#define IDC_PRESSURE_VOLT5 1128
#define IDC_PRESSURE_SAMPLE5 1129

// ---- Reset cartridge ID dialog (template 130): 1300..1319 ---------------------------------
// OK and Cancel are IDOK and IDCANCEL.
#define IDC_CARTRIDGE_ID_LABEL 1300
#define IDC_CARTRIDGE_ID 1301

// ---- Real-time clock dialog (template 164): 1640..1659 ------------------------------------
#define IDC_CLOCK_PANEL 1640
#define IDC_CLOCK_SET_GROUP 1641
#define IDC_CLOCK_TO_PICKED 1642
#define IDC_CLOCK_DATE 1643
#define IDC_CLOCK_TIME 1644
#define IDC_CLOCK_TO_PC 1645
#define IDC_CLOCK_SET_NOW 1646

// ---- Run view (template 177): 1780..1819 --------------------------------------------------
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

// ---- Device identification dialog (template 201): 2010..2029 ------------------------------
#define IDC_IDENTITY_NAME_LABEL 2010
#define IDC_IDENTITY_NAME 2011
#define IDC_IDENTITY_SERIAL_LABEL 2012
#define IDC_IDENTITY_SERIAL 2013
#define IDC_IDENTITY_SAVE 2014

// ---- Sampling schedule dialog (template 8): 2374..2489 ------------------------------------
// Fifteen waypoint rows of six controls. Row k (0..14): enable box, offset, samples and
// timeout are the row-0 id + 4k; volume and clean box the row-0 id + k.
#define IDC_SCHEDULE_ROW0_ENABLE 2374
#define IDC_SCHEDULE_ROW0_OFFSET 2375
#define IDC_SCHEDULE_ROW0_SAMPLES 2376
#define IDC_SCHEDULE_ROW0_TIMEOUT 2377
#define IDC_SCHEDULE_ROW0_CLEAN 2442
#define IDC_SCHEDULE_ROW0_VOLUME 2457
#define IDC_SCHEDULE_ROWS 15
#define IDC_SCHEDULE_DATE 2437  // the date picker epoch_to_pickers and pickers_to_epoch use
#define IDC_SCHEDULE_TIME 2438  // the time picker they use
// Free ids between and after the rows, for the dialog's other controls.
#define IDC_SCHEDULE_AUTOSTART 2434
#define IDC_SCHEDULE_NEXT_START 2435
#define IDC_SCHEDULE_AT_OR_AFTER 2436
#define IDC_SCHEDULE_CLOCK 2439
#define IDC_SCHEDULE_START_LABEL 2440
#define IDC_SCHEDULE_SAVE 2441
// The column headings, after the last row's volume and clean box.
#define IDC_SCHEDULE_HEAD_WAYPOINT 2472
#define IDC_SCHEDULE_HEAD_OFFSET 2473
#define IDC_SCHEDULE_HEAD_OFFSET_UNIT 2474
#define IDC_SCHEDULE_HEAD_SAMPLES 2475
#define IDC_SCHEDULE_HEAD_SAMPLES_UNIT 2476
#define IDC_SCHEDULE_HEAD_VOLUME 2477
#define IDC_SCHEDULE_HEAD_VOLUME_UNIT 2478
#define IDC_SCHEDULE_HEAD_TIMEOUT 2479
#define IDC_SCHEDULE_HEAD_TIMEOUT_UNIT 2480
