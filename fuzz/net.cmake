tovi_fuzzer(fuzz_net_parsers SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/net_parsers.cpp DEPS tovi_net)
