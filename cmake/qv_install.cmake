# The install-time half of the install rules, included by every install step
# of the build through qv_install_config.cmake in the build folder, which
# the top-level CMakeLists.txt writes with the build's settings. Whoever
# runs `cmake --install` gets the suite in their own GIMP profile: the folder
# is found now, not when the build was configured, as GIMP itself would find
# it for that user.
include_guard(GLOBAL)

# Where the plug-ins and scripts go: the folder given to the build with
# -DQV_GIMP_USER_DIR=..., else the one gimptool-2.0 names (GIMP's own
# answer: it honours GIMP2_DIRECTORY, XDG_CONFIG_HOME and HOME), else the
# same rules applied here.
function(qv_gimp_profile out)
  get_property(known GLOBAL PROPERTY QV_INSTALL_GIMP_PROFILE SET)
  if(NOT known)
    set(how "")
    if(NOT QV_GIMP_USER_DIR STREQUAL "")
      set(profile "${QV_GIMP_USER_DIR}")
      set(how "-DQV_GIMP_USER_DIR")
    endif()
    if(how STREQUAL "" AND QV_GIMPTOOL AND EXISTS "${QV_GIMPTOOL}")
      # A dry run prints the copy it would make: cp 'F' '<profile>/scripts/'.
      execute_process(COMMAND "${QV_GIMPTOOL}" --dry-run --install-script qv-probe.scm
                      OUTPUT_VARIABLE said ERROR_QUIET RESULT_VARIABLE failed)
      if(NOT failed AND said MATCHES "'([^']+)/scripts/?'")
        set(profile "${CMAKE_MATCH_1}")
        set(how "gimptool-2.0")
      endif()
    endif()
    if(how STREQUAL "")
      set(home "$ENV{HOME}")
      if(NOT "$ENV{GIMP2_DIRECTORY}" STREQUAL "")
        set(profile "$ENV{GIMP2_DIRECTORY}")
        set(how "GIMP2_DIRECTORY")
        # GIMP reads a relative GIMP2_DIRECTORY against the home folder.
        if(NOT IS_ABSOLUTE "${profile}" AND NOT home STREQUAL "")
          set(profile "${home}/${profile}")
        endif()
      elseif(IS_ABSOLUTE "$ENV{XDG_CONFIG_HOME}")
        set(profile "$ENV{XDG_CONFIG_HOME}/GIMP/2.10")
        set(how "XDG_CONFIG_HOME")
      elseif(NOT home STREQUAL "")
        set(profile "${home}/.config/GIMP/2.10")
        set(how "HOME")
      else()
        set(profile "")
        set(how "an environment without HOME")
      endif()
    endif()
    if(NOT IS_ABSOLUTE "${profile}")
      message(FATAL_ERROR "No GIMP profile folder to install into (got \"${profile}\" from ${how}): "
                          "set HOME or GIMP2_DIRECTORY, or configure with -DQV_GIMP_USER_DIR=/path")
    endif()
    message(STATUS "GIMP profile (from ${how}): ${profile}")
    set_property(GLOBAL PROPERTY QV_INSTALL_GIMP_PROFILE "${profile}")
  endif()
  get_property(profile GLOBAL PROPERTY QV_INSTALL_GIMP_PROFILE)
  set(${out} "${profile}" PARENT_SCOPE)
endfunction()

# Where programs go: PREFIX/bin for a prefix given to the build or to
# `cmake --install --prefix` (one other than CMake's own /usr/local, which
# only root may write); else the installing user's ~/.local/bin, which needs
# no root and is on PATH in Debian's default profile once it exists.
function(qv_program_dir out)
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL QV_DEFAULT_INSTALL_PREFIX)
    set(${out} "${CMAKE_INSTALL_PREFIX}/bin" PARENT_SCOPE)
  elseif(NOT "$ENV{HOME}" STREQUAL "")
    set(${out} "$ENV{HOME}/.local/bin" PARENT_SCOPE)
  else()
    message(FATAL_ERROR "No home folder for frameRunner: set HOME or pass --prefix")
  endif()
endfunction()

# file(INSTALL) lists what it installed in CMAKE_INSTALL_MANIFEST_FILES of
# the scope it runs in; the install manifest (and so an uninstall through it)
# needs them in the caller's.
function(qv_install_plugin name file)
  qv_gimp_profile(profile)
  # One sub-folder per plug-in, as GIMP 2.10 expects.
  file(INSTALL DESTINATION "${profile}/plug-ins/${name}" TYPE EXECUTABLE FILES "${file}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(qv_install_scripts folder)
  qv_gimp_profile(profile)
  file(GLOB scripts "${folder}/*.scm")
  file(INSTALL DESTINATION "${profile}/scripts" TYPE FILE FILES ${scripts})
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(qv_install_program file)
  qv_program_dir(bin)
  file(INSTALL DESTINATION "${bin}" TYPE EXECUTABLE FILES "${file}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

# The compiled catalogues, where the installed programs look for them (they
# search "locale" and "share/locale" in and above their own folder): beside
# the plug-ins in <profile>/locale, and for frameRunner in <bin>/../share/locale.
function(qv_install_catalogues folder)
  qv_gimp_profile(profile)
  qv_program_dir(bin)
  get_filename_component(prefix "${bin}" DIRECTORY)
  file(INSTALL "${folder}" DESTINATION "${profile}")
  file(INSTALL "${folder}" DESTINATION "${prefix}/share")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
