# The product's facts, written once. The manual pages, the AppStream and
# desktop files, the help page, the changelog and the package description are
# filled in from these variables; README.md is written by hand and a test
# (tests/packaging/product_facts_test.cmake) fails when it says otherwise.
# The version is project(... VERSION ...) in the top CMakeLists.txt.

# The day the version was released: the changelog's and AppStream's date,
# and the time stamp of the packages' files (SOURCE_DATE_EPOCH) unless the
# environment gives one.
set(PLOTSIEVE_RELEASE_DATE 2026-01-01)

# The drawing formats read, one row each, in the order the documents list
# them: name | extensions (lower case) | what the English texts add in
# brackets (empty: the extensions, when there are several) | what the
# Japanese help page adds in brackets (empty: the name).
set(PLOTSIEVE_FORMAT_ROWS
    "DXF|dxf|ASCII and binary|ASCII・バイナリ"
    "DWG|dwg|R12 to 2018|AutoCAD R12〜2018"
    "JW_CAD|jwc,jwk,jww||"
    "VectorWorks MCD|mcd||VectorWorks"
    "DraCAD|mpp,mpx,mpz||"
    "SXF|sfc,p21||")

# The help page, under the data folder (share/).
set(PLOTSIEVE_HELP_PAGE plotsieve/help/help1.htm)

# From the rows:
#   PLOTSIEVE_FORMATS      "DXF (ASCII and binary), DWG (R12 to 2018), ... and SXF (SFC, P21)"
#   PLOTSIEVE_FORMATS_JA   "DXF (ASCII・バイナリ)、...、SFC・P21 (SXF)"
#   PLOTSIEVE_FORMAT_NAMES "DXF, DWG, JW_CAD, MCD, DraCAD, SXF" (the last word of each name)
#   PLOTSIEVE_EXTENSIONS   "dxf;dwg;jwc;..."
#   PLOTSIEVE_FORMATS_TABLE the rows of README's table of formats, one a line
set(PLOTSIEVE_FORMATS "")
set(PLOTSIEVE_FORMATS_JA "")
set(PLOTSIEVE_FORMAT_NAMES "")
set(PLOTSIEVE_EXTENSIONS "")
set(PLOTSIEVE_FORMATS_TABLE "| format | files |\n|---|---|\n")
list(LENGTH PLOTSIEVE_FORMAT_ROWS _formatCount)
set(_formatIndex 0)
foreach(_row IN LISTS PLOTSIEVE_FORMAT_ROWS)
    if(NOT _row MATCHES "^([^|]+)\\|([a-z0-9,]+)\\|([^|]*)\\|([^|]*)$")
        message(FATAL_ERROR "a format row needs four fields: ${_row}")
    endif()
    set(_name "${CMAKE_MATCH_1}")
    set(_extensions "${CMAKE_MATCH_2}")
    set(_english "${CMAKE_MATCH_3}")
    set(_japanese "${CMAKE_MATCH_4}")
    string(REPLACE "," ";" _extensions "${_extensions}")
    list(APPEND PLOTSIEVE_EXTENSIONS ${_extensions})
    string(TOUPPER "${_extensions}" _upper)
    list(LENGTH _extensions _extensionCount)
    if(_english STREQUAL "" AND _extensionCount GREATER 1)
        list(JOIN _upper ", " _english)
    endif()
    if(_japanese STREQUAL "")
        set(_japanese "${_name}")
    endif()
    set(_english_part "${_name}")
    if(NOT _english STREQUAL "")
        set(_english_part "${_name} (${_english})")
    endif()
    math(EXPR _formatIndex "${_formatIndex} + 1")
    if(_formatIndex EQUAL 1)
        set(PLOTSIEVE_FORMATS "${_english_part}")
    elseif(_formatIndex EQUAL _formatCount)
        string(APPEND PLOTSIEVE_FORMATS " and ${_english_part}")
    else()
        string(APPEND PLOTSIEVE_FORMATS ", ${_english_part}")
    endif()
    list(JOIN _upper "・" _upperJa)
    if(_formatIndex GREATER 1)
        string(APPEND PLOTSIEVE_FORMATS_JA "、")
    endif()
    string(APPEND PLOTSIEVE_FORMATS_JA "${_upperJa} (${_japanese})")
    string(REGEX REPLACE "^.* " "" _shortName "${_name}")
    list(APPEND PLOTSIEVE_FORMAT_NAMES "${_shortName}")
    list(TRANSFORM _extensions PREPEND "`.")
    list(TRANSFORM _extensions APPEND "`")
    list(JOIN _extensions ", " _files)
    string(APPEND PLOTSIEVE_FORMATS_TABLE "| ${_english_part} | ${_files} |\n")
endforeach()
list(JOIN PLOTSIEVE_FORMAT_NAMES ", " PLOTSIEVE_FORMAT_NAMES)

# The release date in the forms the changelog and SOURCE_DATE_EPOCH take.
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" _date "${PLOTSIEVE_RELEASE_DATE}")
set(_y ${CMAKE_MATCH_1})
set(_m ${CMAKE_MATCH_2})
set(_d ${CMAKE_MATCH_3})
# Days from 1970-01-01 to the date (the civil-calendar formula), so that the
# epoch does not depend on the build machine's time zone.
set(_yy ${_y})
if(_m LESS_EQUAL 2)
    math(EXPR _yy "${_y} - 1")
endif()
math(EXPR _era "${_yy} / 400")
math(EXPR _yoe "${_yy} - ${_era} * 400")
math(EXPR _mp "(${_m} + 9) % 12")
math(EXPR _doy "(153 * ${_mp} + 2) / 5 + ${_d} - 1")
math(EXPR _doe "${_yoe} * 365 + ${_yoe} / 4 - ${_yoe} / 100 + ${_doy}")
math(EXPR _days "${_era} * 146097 + ${_doe} - 719468")
math(EXPR PLOTSIEVE_RELEASE_EPOCH "${_days} * 86400")
# Its day of the week (1970-01-01 was a Thursday) and month name for the changelog's RFC 5322 date.
math(EXPR _weekday "${_days} % 7")
set(_weekdays "Thu;Fri;Sat;Sun;Mon;Tue;Wed")
list(GET _weekdays ${_weekday} _weekdayName)
math(EXPR _monthIndex "${_m} - 1")
set(_months "Jan;Feb;Mar;Apr;May;Jun;Jul;Aug;Sep;Oct;Nov;Dec")
list(GET _months ${_monthIndex} _monthName)
set(PLOTSIEVE_RELEASE_DATE_RFC "${_weekdayName}, ${_d} ${_monthName} ${_y} 00:00:00 +0000")
