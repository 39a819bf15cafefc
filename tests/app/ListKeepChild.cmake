# The list-keeping test kills a process of its own running the main window's logic.
add_executable(app_list_keep_child ${CMAKE_CURRENT_SOURCE_DIR}/ListKeepChild.cpp)
quorvex_settings(app_list_keep_child)
target_link_libraries(app_list_keep_child PRIVATE quorvex_testsupport quorvex_app GTest::gtest)
set_target_properties(app_list_keep_child PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin
    AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
add_dependencies(app_ListKeepTest app_list_keep_child)
