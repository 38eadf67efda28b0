# The Windows deliverables carry no compiler runtime DLL of their own.
function(velk_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
