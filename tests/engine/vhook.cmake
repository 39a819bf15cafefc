# The video hook modules the hook tests load with dlopen.
foreach(module TestVideoHook NoProcessHook)
    add_library(quorvex_vhook_${module} MODULE ${CMAKE_CURRENT_SOURCE_DIR}/vhook_module/${module}.cpp)
    # the engine's headers only: a module is loaded, not linked
    target_include_directories(quorvex_vhook_${module} PRIVATE
        $<TARGET_PROPERTY:quorvex_engine,INTERFACE_INCLUDE_DIRECTORIES>)
    set_target_properties(quorvex_vhook_${module} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/vhook PREFIX ""
        AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
    quorvex_settings(quorvex_vhook_${module})
endforeach()
add_dependencies(engine_VideoHookModulesTest quorvex_vhook_TestVideoHook quorvex_vhook_NoProcessHook)
target_compile_definitions(engine_VideoHookModulesTest PRIVATE
    QUORVEX_TEST_VHOOK="$<TARGET_FILE:quorvex_vhook_TestVideoHook>"
    QUORVEX_NO_PROCESS_VHOOK="$<TARGET_FILE:quorvex_vhook_NoProcessHook>")
