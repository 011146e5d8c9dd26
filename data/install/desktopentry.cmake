# SPDX-License-Identifier: MIT
# Writes the desktop entry at install time, naming the program where this install puts it.
if(IS_ABSOLUTE "${TANDRI_BINDIR}")
    set(program "${TANDRI_BINDIR}/tandri")
else()
    set(program "${CMAKE_INSTALL_PREFIX}/${TANDRI_BINDIR}/tandri")
endif()
# The Exec key's quoting: a path with a space or a reserved character goes in double quotes.
if(program MATCHES "[ \t\"'\\\\><~|&;$*?#()`%]")
    string(REPLACE "\\" "\\\\\\\\" program "${program}")
    string(REPLACE "\"" "\\\\\"" program "${program}")
    string(REPLACE "`" "\\\\`" program "${program}")
    string(REPLACE "$" "\\\\$" program "${program}")
    string(REPLACE "%" "%%" program "${program}")
    set(program "\"${program}\"")
endif()
set(TANDRI_PROGRAM "${program}")
configure_file("${TANDRI_DESKTOP_TEMPLATE}" "${TANDRI_DESKTOP_FILE}" @ONLY)
