# The bench programs (native builds only): varnel-bench, the command-line
# driver over the core used by `make bench` and by checks from outside, and
# varnel-gen-table, which makes the benchmark table.
add_executable(varnel-bench bench/varnel_bench.cpp)
target_link_libraries(varnel-bench PRIVATE varnel_search varnel_core)

add_executable(varnel-gen-table bench/gen_table.cpp)
