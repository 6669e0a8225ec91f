# What `make architecture` draws of `cmake --graphviz`: our own libraries and
# programs and who links whom, without outside libraries, tests and tools.
set(GRAPHVIZ_GRAPH_NAME "Verevizu")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "viewer_demo" ".*_manpage")
