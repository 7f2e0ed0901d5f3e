# The saved search index: a saved index with any bytes changed, read back and searched.
tovi_fuzzer(fuzz_index_file SOURCES ${CMAKE_SOURCE_DIR}/fuzz/index_file_fuzz.cpp DEPS tovi_search)
