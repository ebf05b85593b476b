# Each layer's library exports its own headers only. Headers are included as
# "<layer>/Header.h"; a layer's include root holds a single link, named after
# the layer, to the layer's folder. A target therefore sees a layer's headers
# only when it links that layer, and since a layer links only what lies below
# it, a header of a higher layer cannot be included from a lower one.
function(tolvane_layer_headers target layer)
  set(root ${PROJECT_BINARY_DIR}/layer-includes/${layer})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# Where a layer's generated headers go: <root>/<layer>/, reached as
# "<layer>/Header.h" by what links the layer.
function(tolvane_layer_generated_root layer out_root)
  set(${out_root} ${PROJECT_BINARY_DIR}/layer-generated/${layer} PARENT_SCOPE)
endfunction()
