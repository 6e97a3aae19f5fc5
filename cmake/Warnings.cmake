# SPDX-License-Identifier: GPL-3.0-or-later
option(LUMAVEIL_WERROR "Treat compiler warnings as errors" OFF)

function(lumaveil_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Woverloaded-virtual)
    if(LUMAVEIL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
