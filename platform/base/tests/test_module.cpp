// A tiny module the loader tests load and call.
extern "C" __attribute__((visibility("default"))) int base_test_add(int a, int b) { return a + b; }
