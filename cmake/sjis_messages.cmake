# Console messages are written in UTF-8 for people and compiled as Shift-JIS
# (code page 932) bytes, the console's encoding.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# velk_sjis_messages(<target> <readable file>): generates <file name>.sjis next
# to the build of <target> and puts it on the target's include path.
function(velk_sjis_messages target readable)
  get_filename_component(name ${readable} NAME)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/sjis)
  set(out ${out_dir}/${name}.sjis)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/sjis_escape.py
            ${CMAKE_CURRENT_SOURCE_DIR}/${readable} ${out}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${readable} ${PROJECT_SOURCE_DIR}/cmake/sjis_escape.py
    COMMENT "Shift-JIS messages from ${readable}")
  target_sources(${target} PRIVATE ${out})
  target_include_directories(${target} PRIVATE ${out_dir})
endfunction()
