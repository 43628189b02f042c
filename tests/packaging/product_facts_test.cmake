# The product's facts (cmake/product_facts.cmake and the project's version)
# against every document that states them: README.md, written by hand, and
# what the build fills in from them (the manual pages, the AppStream and
# desktop files, the help page, the changelog, the packages' descriptions).
# A document that says otherwise fails the test.
# Usage: cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DVERSION=... -P product_facts_test.cmake
include(${SOURCE_DIR}/cmake/product_facts.cmake)

set(failures 0)
macro(fail message)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
endmacro()

# A file's text with every run of white space (line breaks included) one
# space, and roff's escaped hyphens plain: a wrapped sentence reads whole.
function(read_flat path out)
    file(READ ${path} text)
    string(REPLACE "\\-" "-" text "${text}")
    string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(expect_in path needle what)
    read_flat(${path} text)
    string(FIND "${text}" "${needle}" at)
    if(at EQUAL -1)
        fail("${path} does not give ${what}: \"${needle}\"")
    endif()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

# Every DWG version range a document names is the one read.
function(expect_versions path)
    read_flat(${path} text)
    string(REGEX MATCHALL "R12 (to|〜) ?[A-Za-z0-9]+" ranges "${text}")
    foreach(range IN LISTS ranges)
        string(REGEX REPLACE "(to|〜) ?" "to " range "${range}")
        string(FIND "${PLOTSIEVE_FORMATS}" "DWG (${range})" at)
        if(at EQUAL -1)
            fail("${path} names DWG versions ${range}, not those of \"${PLOTSIEVE_FORMATS}\"")
        endif()
    endforeach()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

set(readme ${SOURCE_DIR}/README.md)
set(cli_page ${BINARY_DIR}/packaging/man/plotsieve-cli.1)
set(gui_page ${BINARY_DIR}/packaging/man/plotsieve.1)
set(metainfo ${BINARY_DIR}/desktop/io.github.plotsieve.Plotsieve.metainfo.xml)
set(desktop ${BINARY_DIR}/desktop/io.github.plotsieve.Plotsieve.desktop)
set(help ${BINARY_DIR}/app/help/help1.htm)
set(changelog ${BINARY_DIR}/packaging/changelog)
set(cpack ${BINARY_DIR}/CPackConfig.cmake)

# The formats read, in English where the documents are English.
foreach(path ${readme} ${cli_page} ${gui_page} ${metainfo} ${cpack})
    expect_in(${path} "${PLOTSIEVE_FORMATS}" "the formats read")
endforeach()
expect_in(${help} "${PLOTSIEVE_FORMATS_JA}" "the formats read")
expect_in(${desktop} "(${PLOTSIEVE_FORMAT_NAMES})" "the formats' names")
foreach(path ${readme} ${SOURCE_DIR}/doc/man/plotsieve-cli.1.in ${SOURCE_DIR}/doc/man/plotsieve.1.in
        ${SOURCE_DIR}/app/help/help1.htm ${metainfo} ${help} ${cli_page} ${gui_page})
    expect_versions(${path})
endforeach()
# README's table of formats, row by row as the facts give them.
file(READ ${readme} readme_text)
string(FIND "${readme_text}" "${PLOTSIEVE_FORMATS_TABLE}" at)
if(at EQUAL -1)
    fail("README.md lacks the table of formats:\n${PLOTSIEVE_FORMATS_TABLE}")
endif()

# The version and the release date.
foreach(path ${cli_page} ${gui_page})
    expect_in(${path} "\"Plotsieve ${VERSION}\"" "the version")
endforeach()
expect_in(${metainfo} "<release version=\"${VERSION}\" date=\"${PLOTSIEVE_RELEASE_DATE}\"/>"
          "the release")
expect_in(${changelog} "plotsieve (${VERSION})" "the version")
expect_in(${changelog} "${PLOTSIEVE_RELEASE_DATE_RFC}" "the release date")
string(REGEX MATCHALL "plotsieve(-cli)?_[0-9.]+_" named "${readme_text}")
foreach(name IN LISTS named)
    if(NOT name MATCHES "_${VERSION}_$")
        fail("README.md names the package ${name}, not version ${VERSION}")
    endif()
endforeach()

# The help page where the window's manual page says it is.
expect_in(${gui_page} "/${PLOTSIEVE_HELP_PAGE}" "the help page")

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} documents differ from the product's facts")
endif()
message(STATUS "every document states the product's facts")
