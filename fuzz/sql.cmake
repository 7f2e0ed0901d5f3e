# The query front end: any text as a statement, run on a small table.
tovi_fuzzer(fuzz_sql_query SOURCES ${CMAKE_SOURCE_DIR}/fuzz/sql_query_fuzz.cpp DEPS tovi_jet)
