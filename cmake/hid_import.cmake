# Both tools import velk_hid_dll by that name at load time. On the host it is
# the simulated remote (sim/remote); on Windows an import library made from
# the four exports' definition, whichever velk_hid_dll.dll sits beside the tool.
if(WIN32)
  find_program(VELK_DLLTOOL NAMES i686-w64-mingw32-dlltool dlltool REQUIRED)
  set(hid_import_lib ${CMAKE_BINARY_DIR}/lib/libvelk_hid_dll_import.a)
  add_custom_command(
    OUTPUT ${hid_import_lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    # --kill-at: the DLL's names carry no @n.
    COMMAND ${VELK_DLLTOOL} --kill-at --input-def ${PROJECT_SOURCE_DIR}/link/velk_hid_dll.def
            --output-lib ${hid_import_lib}
    DEPENDS ${PROJECT_SOURCE_DIR}/link/velk_hid_dll.def
    COMMENT "Import library for velk_hid_dll.dll")
  add_custom_target(velk_hid_dll_import_lib DEPENDS ${hid_import_lib})
  add_library(velk_hid_dll_import STATIC IMPORTED GLOBAL)
  set_target_properties(velk_hid_dll_import PROPERTIES IMPORTED_LOCATION ${hid_import_lib})
  add_dependencies(velk_hid_dll_import velk_hid_dll_import_lib)
endif()

function(velk_link_hid target)
  if(WIN32)
    target_link_libraries(${target} PRIVATE velk_hid_dll_import)
  else()
    target_link_libraries(${target} PRIVATE velk_hid_dll)
  endif()
endfunction()
