# Finds the General MIDI SoundFont the built-in voice set is made from: Debian's
# FluidR3_GM.sf2 (fluid-soundfont-gm), else TimGM6mb.sf2 (timgm6mb-soundfont), each
# looked up in its package's file list. TALVIMORENA_GM_SOUNDFONT overrides the search.
function(talvimorena_find_gm_soundfont out)
  if(TALVIMORENA_GM_SOUNDFONT)
    set(${out} ${TALVIMORENA_GM_SOUNDFONT} PARENT_SCOPE)
    return()
  endif()
  foreach(pair "fluid-soundfont-gm:FluidR3_GM.sf2" "timgm6mb-soundfont:TimGM6mb.sf2")
    string(REPLACE ":" ";" parts ${pair})
    list(GET parts 0 package)
    list(GET parts 1 file)
    execute_process(COMMAND dpkg-query -L ${package}
                    OUTPUT_VARIABLE listing ERROR_QUIET RESULT_VARIABLE rc)
    if(rc EQUAL 0)
      string(REPLACE "\n" ";" paths "${listing}")
      foreach(path ${paths})
        get_filename_component(name "${path}" NAME)
        if(name STREQUAL file AND EXISTS "${path}" AND NOT IS_DIRECTORY "${path}")
          message(STATUS "Built-in voice set source: ${path} (package ${package})")
          set(${out} ${path} PARENT_SCOPE)
          return()
        endif()
      endforeach()
    endif()
  endforeach()
  message(FATAL_ERROR "No General MIDI SoundFont found: run scripts/setup, which installs "
                      "fluid-soundfont-gm, or set TALVIMORENA_GM_SOUNDFONT")
endfunction()
