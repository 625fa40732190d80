/* The dependency of the binding probe: defines the symbol the probe asks for. */
__attribute__((visibility("default"))) int zel_test_bind_owner(void) { return 1; }
