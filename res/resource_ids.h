// Identifiers of the module's dialog templates and their controls, shared by the templates
// (dialogs.rc), the dialog code, the host stand-in's scripted desktop and the tests. Read by
// windres too, so it holds preprocessor definitions only.
#pragma once

// The open dialog and its controls.
#define IDD_OPEN_LEM 29005
#define IDC_TREE_FRAME 29001  // hidden frame where the folder tree is planted
#define IDC_MAP_LIST 29002
#define IDC_PROMPT 29003
#define ID_STARTBROWSE 29004  // command the dialog posts to itself to start the folder browser

// The composite settings dialog and its controls.
#define IDD_COMPOSITE 29006
#define IDC_LINK_DCM 29006
#define IDC_DCM_FILE 29007
#define IDC_BROWSE 29008
#define IDC_DCM_LABEL 29009
#define IDC_GUIDEBOOK_RADIO 29010  // first of the radio group
#define IDC_DCM_RADIO 29011
#define IDC_HIDE_CHECK 29012
