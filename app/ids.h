#pragma once

#include <wx/defs.h>

// Numeric ids of the program's windows, controls and commands. Controls carry
// the ids of the form and page layouts. The toolkit takes menu ids below 32767
// only, so the program's own commands 32771 to 32783 are numbered 10000 lower
// (22771 to 22783), and the standard commands (copy, cut, About, exit) are the
// toolkit's stock ids.
enum PlotsieveId : int {
    IDR_MAINFRAME = 128,  // menu bar, accelerators, application icon

    // The search form.
    IDC_START = 1002,
    IDC_STOP = 1005,
    IDC_NARROW = 1006,
    IDC_RESULT_LIST = 1004,
    IDC_CRITERIA_SHEET = 1099,

    // Name and place page.
    IDC_PLACE = 1000,
    IDC_CHOOSE_PLACE = 1001,
    IDC_KEYWORD = 1003,
    IDC_KEYWORD_HELP = 1009,
    IDC_SUBFOLDERS = 1010,

    // Date page.
    IDC_DATE_ANY = 1026,
    IDC_DATE_CREATED = 1027,
    IDC_DATE_MODIFIED = 1028,
    IDC_RANGE_BEFORE = 1030,
    IDC_RANGE_AFTER = 1031,
    IDC_RANGE_BETWEEN = 1032,
    IDC_PICK_FROM = 1037,
    IDC_PICK_TO = 1038,
    IDC_PICK_AFTER = 1039,
    IDC_PICK_BEFORE = 1040,

    // Size page.
    IDC_MAX_ON = 1011,
    IDC_MIN_SIZE = 1042,
    IDC_MAX_SIZE = 1043,
    IDC_MIN_ON = 1044,

    // Types page.
    IDC_TYPE_DWG = 1020,
    IDC_TYPE_MCD = 1021,
    IDC_TYPE_JW = 1022,
    IDC_TYPE_DRACAD = 1023,
    IDC_TYPE_DXF = 1024,
    IDC_TYPE_SXF = 1025,

    // Commands: the program's own (32771 to 32783, less 10000).
    ID_VIEW_LARGE_ICONS = 22771,
    ID_VIEW_LIST = 22772,
    ID_VIEW_DETAILS = 22773,
    ID_VIEW_SMALL_ICONS = 22774,
    ID_SELECT_TYPES = 22775,
    ID_HELP_PAGE = 22776,
    ID_SORT_BY_NAME = 22777,
    ID_SORT_BY_CREATED = 22778,
    ID_SORT_BY_MODIFIED = 22779,
    ID_SORT_BY_SIZE = 22780,
    ID_SORT_BY_TYPE = 22781,
    ID_OPEN_FILES = 22783,
    ID_USE_CACHE = 22784,
    ID_CLEAR_CACHE = 22785,
    ID_OFFICE_INDEX = 22786,
    ID_OPEN_FOLDER = 22787,
    ID_EXPORT_LIST = 22788,
    ID_VIEW_DETAILS_PANE = 22789,
    ID_SHARED_CACHE = 22790,
    ID_EDIT_COPY = wxID_COPY,
    ID_EDIT_CUT = wxID_CUT,
    ID_APP_ABOUT = wxID_ABOUT,
    ID_APP_EXIT = wxID_EXIT,
    ID_NEXT_PANE = wxID_HIGHEST + 80,
    ID_PREV_PANE = wxID_HIGHEST + 81,
};
