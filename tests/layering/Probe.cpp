// Compiled as a source of one folder's library would be, with one header of
// another folder; tests/CMakeLists.txt says which must build and which not.
#include ZELVORA_PROBE_HEADER
