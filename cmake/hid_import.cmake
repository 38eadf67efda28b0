# Both tools import velk_hid_dll by that name at load time. On the host it is
# the simulated remote (sim/remote); on Windows an import library made from
# the four exports' definition, whichever velk_hid_dll.dll sits beside the tool.
function(velk_link_hid target)
  if(WIN32)
    target_link_libraries(${target} PRIVATE velk_hid_dll_import)
  else()
    target_link_libraries(${target} PRIVATE velk_hid_dll)
  endif()
endfunction()
