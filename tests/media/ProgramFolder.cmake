# MediaTextTest compares ProgramFolder with the folder its program runs from.
target_compile_definitions(media_MediaTextTest PRIVATE TESTS_BIN_DIR="${CMAKE_BINARY_DIR}/tests/bin")
