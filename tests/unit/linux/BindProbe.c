/* Tells which definition of zel_test_bind_owner it was bound to: its own
 * dependency's (1) or the loading program's (0). */
int zel_test_bind_owner(void);
__attribute__((visibility("default"))) int zel_test_bind_probe(void) { return zel_test_bind_owner(); }
