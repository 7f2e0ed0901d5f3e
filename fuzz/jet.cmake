# The Jet reader: open any bytes as a database and read every table.
tovi_fuzzer(fuzz_jet_open SOURCES ${CMAKE_SOURCE_DIR}/fuzz/jet_open_fuzz.cpp DEPS tovi_jet)
