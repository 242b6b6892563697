# The code is built as one static library per subsystem folder, stacked in layers: a library links
# only the layers below it, and a check run before it is compiled refuses any #include "folder/..."
# of a folder it may not use, so a dependency that runs the wrong way fails the build with a clear
# message instead of working by accident.

set(TINTARA_LAYER_CHECK_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/check_layer_includes.cmake")

# tintara_layer(NAME [CORE] FOLDER folder [FOLDERS f...] SOURCES ... [USES other layers...] [QT Core|Widgets...])
#   NAME     the target, tintara_<name>
#   CORE     a layer of the core: its flows are handed their settings and their presenter, so the check
#            also refuses a call of the shells' process-wide Settings(), Presenter() or AppMessages()
#   FOLDERS  the source folders (relative to src/) whose files belong to the library
#   USES     the layers (by name) it may include and links
#   QT       the Qt modules it links, privately: the layers above see no Qt header through it
function(tintara_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 L "CORE" "" "FOLDERS;SOURCES;USES;QT;EXTERNAL")
  set(target tintara_${name})
  add_library(${target} STATIC ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${TINTARA_SOURCE_ROOT})
  target_link_libraries(${target} PRIVATE tintara_warnings tintara_strict_fp)
  foreach(used IN LISTS L_USES)
    target_link_libraries(${target} PUBLIC tintara_${used})
  endforeach()
  foreach(module IN LISTS L_QT)
    target_link_libraries(${target} PRIVATE Qt6::${module})
  endforeach()
  if(L_EXTERNAL)
    target_link_libraries(${target} PRIVATE ${L_EXTERNAL})
  endif()

  # The folders this layer may include: its own and those of every layer it uses, directly or not.
  set(allowed ${L_FOLDERS})
  foreach(used IN LISTS L_USES)
    get_property(used_folders GLOBAL PROPERTY TINTARA_LAYER_FOLDERS_${used})
    list(APPEND allowed ${used_folders})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(GLOBAL PROPERTY TINTARA_LAYER_FOLDERS_${name} ${allowed})

  set(files)
  foreach(folder IN LISTS L_FOLDERS)
    file(GLOB folder_files CONFIGURE_DEPENDS
         "${TINTARA_SOURCE_ROOT}/${folder}/*.h" "${TINTARA_SOURCE_ROOT}/${folder}/*.cpp")
    list(APPEND files ${folder_files})
  endforeach()
  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}.layers-checked")
  string(REPLACE ";" "," allowed_arg "${allowed}")
  string(REPLACE ";" "," qt_arg "${L_QT}")
  add_custom_command(
    OUTPUT "${stamp}"
    COMMAND ${CMAKE_COMMAND} -DLAYER=${name} "-DALLOWED=${allowed_arg}" "-DQT=${qt_arg}" "-DCORE=${L_CORE}"
            "-DROOT=${TINTARA_SOURCE_ROOT}" "-DFOLDERS=${L_FOLDERS}" "-DSTAMP=${stamp}"
            -P "${TINTARA_LAYER_CHECK_SCRIPT}"
    DEPENDS ${files} "${TINTARA_LAYER_CHECK_SCRIPT}"
    COMMENT "Checking the includes of the ${name} layer"
    VERBATIM)
  add_custom_target(${target}_layer_check DEPENDS "${stamp}")
  add_dependencies(${target} ${target}_layer_check)
  set_property(GLOBAL APPEND PROPERTY TINTARA_LAYERS ${target})
endfunction()
