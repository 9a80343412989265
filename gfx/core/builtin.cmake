# Built-in data sources: the expansion code and the compressed block that
# tools/gen_builtin_data.py generates.
target_sources(zq_gfx_core PRIVATE builtin_data.cpp builtin_blob.cpp)
