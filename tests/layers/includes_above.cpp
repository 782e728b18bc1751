// Built only by the test "layers_keep_apart", once per layer, with QUELLAR_ABOVE naming a
// header of a layer above: the build must fail because the layer cannot see it.
#include QUELLAR_ABOVE
